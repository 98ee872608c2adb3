// The own engine's view: what it tells a screen reader of edits, the caret and the selection.
#include "platform/view/ownengine.h"

#include <QAccessible>

#include "platform/view/ownaccessible.h"

namespace platform {

void OwnView::noteRemoval(int position, int length)
{
    if (!QAccessible::isActive())
        return;
    m_removal = {position, length, m_engine.document().text(position, qMin(length, OwnViewAccessible::ToldChars))};
}

void OwnView::noteEdit(int position, int removed, int inserted)
{
    if (!QAccessible::isActive())
        return;
    Edit &e = m_edit;
    if (!e.pending) {
        const bool known = m_removal.position == position && m_removal.length == removed;
        e = {true, position, position + inserted, inserted - removed, known, known ? m_removal.head : QString()};
    } else {
        // One span over every change since the last telling (a compound edit, an undo step): where the
        // span ended moves with this change, or ends where it ends if this change swallowed it.
        const int end = e.end <= position ? e.end : e.end >= position + removed ? e.end + inserted - removed
                                                                               : position + inserted;
        e.start = qMin(e.start, position);
        e.end = qMax(end, position + inserted);
        e.delta += inserted - removed;
        e.removedKnown = false;
        e.removedHead.clear();
    }
    m_removal = Removal();
}

// A change of at most ToldChars characters each way is told exactly: what came, and what went as it was when
// the engine knew it before the change (an undo or a compound edit knows only how much went: spaces stand for
// it, as in Qt's own text widgets, so that offsets stay right). A larger change is told as an update carrying
// only the first ToldChars characters of each side: whoever listens learns where the text changed and hears how
// it begins, and reads on around the caret; the whole of it would copy up to the whole document into one bus
// message (100 MB, past what the bus lets one message carry) and make a screen reader speak megabytes.
void OwnView::tellEdit()
{
    const Edit e = std::exchange(m_edit, Edit());
    m_removal = Removal();
    if (!e.pending || !QAccessible::isActive())
        return;
    const int inserted = e.end - e.start;
    const int removed = inserted - e.delta;
    if (inserted == 0 && removed == 0)
        return;
    const int cap = OwnViewAccessible::ToldChars;
    const QString insertedText = OwnViewAccessible::readable(m_engine.document().text(e.start, qMin(inserted, cap)));
    const QString removedText = e.removedKnown ? OwnViewAccessible::readable(e.removedHead)
                                               : QString(qMin(removed, cap), QLatin1Char(' '));
    if (removed == 0 && inserted <= cap) {
        QAccessibleTextInsertEvent event(this, e.start, insertedText);
        event.setCursorPosition(m_engine.position());
        QAccessible::updateAccessibility(&event);
    } else if (inserted == 0 && removed <= cap) {
        QAccessibleTextRemoveEvent event(this, e.start, removedText);
        event.setCursorPosition(m_engine.position());
        QAccessible::updateAccessibility(&event);
    } else {
        QAccessibleTextUpdateEvent event(this, e.start, removedText, insertedText);
        event.setCursorPosition(m_engine.position());
        QAccessible::updateAccessibility(&event);
    }
}

void OwnView::tellSelection()
{
    const int position = m_engine.position();
    const int start = m_engine.selectionStart(), end = m_engine.selectionEnd();
    const bool moved = position != m_toldPosition;
    // Collapsing a selection is news; a caret that moves with nothing selected is only a caret.
    const bool reselected = (start != m_toldStart || end != m_toldEnd) && (start != end || m_toldStart != m_toldEnd);
    m_toldPosition = position;
    m_toldStart = start;
    m_toldEnd = end;
    if (!QAccessible::isActive())
        return;
    if (moved) {
        QAccessibleTextCursorEvent event(this, position);
        QAccessible::updateAccessibility(&event);
    }
    if (reselected) {
        QAccessibleTextSelectionEvent event(this, start, end);
        QAccessible::updateAccessibility(&event);
    }
}

}
