// The own engine's view: keys, mouse, drops, clipboard and input methods. The control sees each key first.
#include "platform/view/ownengine.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QStyleHints>

#include <algorithm>

#include "platform/view/breaks.h"
#include "platform/view/clipboardtext.h"
#include "text/textformat.h"

namespace platform {

namespace {

// Text a key types: printable, a format character, a private-use one or a pair; never a Ctrl chord (AltGr is
// Ctrl+Alt on some keyboards and types).
bool acceptable(const QKeyEvent *e)
{
    const QString text = e->text();
    if (text.isEmpty())
        return false;
    const QChar c = text[0];
    if (c.category() == QChar::Other_Format)
        return true;
    const Qt::KeyboardModifiers m = e->modifiers() & ~Qt::KeypadModifier;
    if (m == Qt::ControlModifier || m == (Qt::ControlModifier | Qt::ShiftModifier))
        return false;
    return c.isPrint() || c.category() == QChar::Other_PrivateUse || c == QLatin1Char('\t')
        || (c.isHighSurrogate() && text.size() > 1 && text[1].isLowSurrogate());
}

}

bool OwnView::event(QEvent *e)
{
    // Keys the document edits with are its own, before any menu shortcut; Ctrl+A stays the menu's.
    if (e->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(e);
        const Qt::KeyboardModifiers m = key->modifiers() & ~Qt::KeypadModifier;
        bool own = false;
        if (m == Qt::NoModifier || m == Qt::ShiftModifier) {
            own = key->key() < Qt::Key_Escape;
            switch (key->key()) {
            case Qt::Key_Return: case Qt::Key_Enter: case Qt::Key_Delete: case Qt::Key_Home: case Qt::Key_End:
            case Qt::Key_Backspace: case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down:
            case Qt::Key_Tab:
                own = true;
                break;
            default:
                break;
            }
        }
        for (const auto standard : {QKeySequence::Copy, QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Redo,
                                    QKeySequence::Undo, QKeySequence::MoveToNextWord, QKeySequence::MoveToPreviousWord,
                                    QKeySequence::MoveToStartOfDocument, QKeySequence::MoveToEndOfDocument,
                                    QKeySequence::SelectNextWord, QKeySequence::SelectPreviousWord,
                                    QKeySequence::SelectStartOfDocument, QKeySequence::SelectEndOfDocument,
                                    QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord})
            own = own || key->matches(standard);
        if (own) {
            key->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

void OwnView::keyPressEvent(QKeyEvent *e)
{
    if (m_client.keyPressed(e)) {
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::Undo)) {
        m_engine.undo();
    } else if (e->matches(QKeySequence::Redo)) {
        m_engine.redo();
    } else if (!moveKey(e) && !editKey(e)) {
        e->ignore();
        return;
    }
    // Moved or not, the caret comes back into view; Select All keeps the view where it is.
    if (!e->matches(QKeySequence::SelectAll))
        ensureCaretVisible();
    e->accept();
}

void OwnView::keyReleaseEvent(QKeyEvent *e)
{
    m_client.keyReleased(e);
    e->ignore();
}

int OwnView::rowInLineOf(int position, int *line)
{
    *line = m_engine.document().lineFromPosition(position);
    const int offset = position - m_engine.document().lineStart(*line);
    const std::vector<int> &rows = m_engine.rowsOf(*line);
    return int(std::upper_bound(rows.begin(), rows.end(), offset) - rows.begin()) - 1;
}

void OwnView::moveVertically(int rows, bool keepAnchor)
{
    const int position = m_engine.position();
    int line = 0;
    const int rowInLine = rowInLineOf(position, &line);
    if (m_goalX < 0)
        m_goalX = xInRow(line, rowInLine, position - m_engine.document().lineStart(line));
    const qint64 row = m_engine.rowOfPosition(position);
    const qint64 last = m_engine.totalRows() - 1;
    if (row + rows < 0 || row + rows > last) {
        // Past the first or last row a selection grows to the document's edge; the bare caret stays.
        if (keepAnchor)
            m_engine.moveTo(row + rows < 0 ? 0 : m_engine.length(), true);
        return;
    }
    const qint64 target = row + rows;
    int targetLine = 0, targetRow = 0;
    m_engine.locateRow(target, targetLine, targetRow);
    const double goal = m_goalX;
    m_engine.moveTo(m_engine.document().lineStart(targetLine) + offsetInRow(targetLine, targetRow, goal), keepAnchor);
    m_goalX = goal;
}

// Up, Down, Page Up and Page Down: the column they started in is kept.
bool OwnView::verticalKey(QKeyEvent *e)
{
    const int visibleRows = qMax(1, viewport()->height() / m_engine.metrics().lineHeight());
    using K = QKeySequence;
    for (const bool keep : {false, true}) {
        if (e->matches(keep ? K::SelectNextLine : K::MoveToNextLine)) {
            moveVertically(1, keep);
            return true;
        }
        if (e->matches(keep ? K::SelectPreviousLine : K::MoveToPreviousLine)) {
            moveVertically(-1, keep);
            return true;
        }
        if (e->matches(keep ? K::SelectNextPage : K::MoveToNextPage)) {
            verticalScrollBar()->setValue(verticalScrollBar()->value() + visibleRows);
            moveVertically(visibleRows, keep);
            return true;
        }
        if (e->matches(keep ? K::SelectPreviousPage : K::MoveToPreviousPage)) {
            verticalScrollBar()->setValue(verticalScrollBar()->value() - visibleRows);
            moveVertically(-visibleRows, keep);
            return true;
        }
    }
    return false;
}

// The end of a row: a wrapped row ends before the space it broke after.
int OwnView::rowEnd(int line, int rowInLine)
{
    const std::vector<int> &rows = m_engine.rowsOf(line);
    const QString &text = m_engine.lineText(line);
    int end = rowInLine + 1 < int(rows.size()) ? rows[size_t(rowInLine) + 1] : int(text.size());
    if (rowInLine + 1 < int(rows.size()) && end > 0 && text[end - 1].isSpace())
        --end;
    return end;
}

bool OwnView::moveKey(QKeyEvent *e)
{
    if (verticalKey(e))
        return true;
    m_goalX = -1;
    const int position = m_engine.position();
    const text::Document &doc = m_engine.document();
    int line = 0;
    const int rowInLine = rowInLineOf(position, &line);
    const int lineStart = doc.lineStart(line);
    const QString &text = m_engine.lineText(line);
    const int offset = position - lineStart;
    const bool selected = m_engine.anchor() != position;
    auto go = [&](int to, bool keep) {
        m_engine.moveTo(to, keep);
        return true;
    };
    using K = QKeySequence;
    for (const bool keep : {false, true}) {
        if (e->matches(keep ? K::SelectNextChar : K::MoveToNextChar)) {
            if (!keep && selected)
                return go(m_engine.selectionEnd(), false);
            return go(offset >= text.size() ? position + 1 : lineStart + nextCluster(text, offset), keep);
        }
        if (e->matches(keep ? K::SelectPreviousChar : K::MoveToPreviousChar)) {
            if (!keep && selected)
                return go(m_engine.selectionStart(), false);
            return go(offset == 0 ? position - 1 : lineStart + previousCluster(text, offset), keep);
        }
        if (e->matches(keep ? K::SelectNextWord : K::MoveToNextWord))
            return go(offset >= text.size() ? position + 1 : lineStart + nextWordStop(text, offset), keep);
        if (e->matches(keep ? K::SelectPreviousWord : K::MoveToPreviousWord))
            return go(offset == 0 ? position - 1 : lineStart + previousWordStop(text, offset), keep);
        if (e->matches(keep ? K::SelectStartOfLine : K::MoveToStartOfLine))
            return go(lineStart + m_engine.rowsOf(line)[size_t(rowInLine)], keep);
        if (e->matches(keep ? K::SelectEndOfLine : K::MoveToEndOfLine))
            return go(lineStart + rowEnd(line, rowInLine), keep);
        if (e->matches(keep ? K::SelectStartOfDocument : K::MoveToStartOfDocument))
            return go(0, keep);
        if (e->matches(keep ? K::SelectEndOfDocument : K::MoveToEndOfDocument))
            return go(doc.length(), keep);
    }
    if (e->matches(K::SelectAll)) {
        m_engine.select(0, doc.length());
        return true;
    }
    return false;
}

// Backspace, Delete and their word-wise forms: a selection goes whole, else what lies before or after the caret.
bool OwnView::deleteKey(QKeyEvent *e)
{
    const int start = m_engine.selectionStart();
    const int length = m_engine.selectionEnd() - start;
    const int position = m_engine.position();
    const text::Document &doc = m_engine.document();
    const int line = doc.lineFromPosition(position);
    const int lineStart = doc.lineStart(line);
    const QString &text = m_engine.lineText(line);
    const int offset = position - lineStart;
    const bool plain = !(e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier));
    int from = position, to = position;
    if (e->matches(QKeySequence::DeleteStartOfWord))
        from = offset == 0 ? position - 1 : lineStart + previousWordStop(text, offset);
    else if (e->matches(QKeySequence::DeleteEndOfWord))
        to = offset >= text.size() ? position + 1 : lineStart + nextWordStop(text, offset);
    else if (e->key() == Qt::Key_Backspace && plain)
        from = offset == 0 ? position - 1 : lineStart + backspaceStart(text, offset);
    else if (e->matches(QKeySequence::Delete) || (e->key() == Qt::Key_Delete && e->modifiers() == Qt::NoModifier))
        to = offset >= text.size() ? position + 1 : lineStart + nextCluster(text, offset);
    else
        return false;
    if (length > 0)
        m_engine.type(start, length, QString());
    else if (from >= 0 && to <= doc.length() && to > from)
        m_engine.type(from, to - from, QString());
    return true;
}

bool OwnView::editKey(QKeyEvent *e)
{
    const int start = m_engine.selectionStart();
    const int length = m_engine.selectionEnd() - start;
    if (e->matches(QKeySequence::Copy)) {
        copy();
    } else if (e->matches(QKeySequence::Cut)) {
        copy();
        if (length > 0)
            m_engine.type(start, length, QString());
    } else if (e->matches(QKeySequence::Paste)) {
        paste();
    } else if (deleteKey(e)) {
        // deleted there
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        m_engine.type(start, length, QStringLiteral("\n"));
    } else if (e->key() == Qt::Key_Tab && !(e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))) {
        m_engine.type(start, length, QStringLiteral("\t"));
    } else {
        if (!acceptable(e))
            return false;
        m_engine.type(start, length, e->text());
    }
    m_goalX = -1;
    return true;
}

void OwnView::copy(QClipboard::Mode mode)
{
    const int start = m_engine.selectionStart();
    if (m_engine.selectionEnd() > start)
        QApplication::clipboard()->setMimeData(clipboardData(m_engine.text(start, m_engine.selectionEnd() - start)), mode);
}

void OwnView::paste(QClipboard::Mode mode)
{
    const QMimeData *data = QApplication::clipboard()->mimeData(mode);
    if (data && data->hasText())
        m_client.pasted(clipboardText(data));
}

// --- Mouse ---

int OwnView::wordStart(int position) const
{
    const text::Document &doc = m_engine.document();
    const int line = doc.lineFromPosition(position);
    const int lineStart = doc.lineStart(line);
    return lineStart + wordAt(m_engine.lineText(line), position - lineStart).start;
}

int OwnView::wordEnd(int position) const
{
    const text::Document &doc = m_engine.document();
    const int line = doc.lineFromPosition(position);
    const int lineStart = doc.lineStart(line);
    return lineStart + wordAt(m_engine.lineText(line), position - lineStart).end;
}

void OwnView::mousePressEvent(QMouseEvent *e)
{
    // The middle button pastes what was last selected with the mouse anywhere on the desktop, at the mouse.
    if (e->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
        setFocus(Qt::MouseFocusReason);
        m_engine.moveTo(positionAt(e->position()), false);
        paste(QClipboard::Selection);
        e->accept();
        return;
    }
    if (e->button() != Qt::LeftButton) {
        e->accept();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const int position = positionAt(e->position());
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const bool tripled = m_clicks == 2 && now - m_lastClickTime < QGuiApplication::styleHints()->mouseDoubleClickInterval()
        && (e->position().toPoint() - m_lastClickPoint).manhattanLength() < QGuiApplication::styleHints()->startDragDistance();
    m_goalX = -1;
    if (tripled) {
        const text::Document &doc = m_engine.document();
        const int line = doc.lineFromPosition(position);
        m_clicks = 3;
        m_clickAnchorStart = doc.lineStart(line);
        m_clickAnchorEnd = qMin(doc.length(), m_clickAnchorStart + doc.lineLength(line) + 1);
        m_engine.select(m_clickAnchorStart, m_clickAnchorEnd);
    } else {
        m_clicks = 1;
        m_engine.moveTo(position, e->modifiers() & Qt::ShiftModifier);
        m_clickAnchorStart = m_clickAnchorEnd = m_engine.anchor();
    }
    m_dragging = true;
    e->accept();
}

void OwnView::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton)
        return;
    const int position = positionAt(e->position());
    int from = wordStart(position), to = wordEnd(position);
    if (from == to)
        to = qMin(m_engine.document().length(), position + 1);
    m_clicks = 2;
    m_clickAnchorStart = from;
    m_clickAnchorEnd = to;
    m_lastClickTime = QDateTime::currentMSecsSinceEpoch();
    m_lastClickPoint = e->position().toPoint();
    m_engine.select(from, to);
    m_dragging = true;
    e->accept();
}

void OwnView::dragTo(QPointF point)
{
    const int position = positionAt(point);
    switch (m_clicks) {
    case 2:
        if (position < m_clickAnchorStart)
            m_engine.select(m_clickAnchorEnd, wordStart(position));
        else
            m_engine.select(m_clickAnchorStart, qMax(m_clickAnchorEnd, wordEnd(position)));
        break;
    case 3: {
        const text::Document &doc = m_engine.document();
        const int line = doc.lineFromPosition(position);
        if (position < m_clickAnchorStart)
            m_engine.select(m_clickAnchorEnd, doc.lineStart(line));
        else
            m_engine.select(m_clickAnchorStart, qMin(doc.length(), doc.lineStart(line) + doc.lineLength(line) + 1));
        break;
    }
    default:
        m_engine.moveTo(position, true);
    }
}

void OwnView::mouseMoveEvent(QMouseEvent *e)
{
    if (!m_dragging || !(e->buttons() & Qt::LeftButton))
        return;
    m_dragPoint = e->position();
    dragTo(m_dragPoint);
    // Outside the view the selection keeps growing while the button is held.
    if (viewport()->rect().contains(m_dragPoint.toPoint()))
        m_autoScroll.stop();
    else if (!m_autoScroll.isActive())
        m_autoScroll.start();
}

void OwnView::autoScroll()
{
    const QRect r = viewport()->rect();
    if (m_dragPoint.y() < r.top())
        verticalScrollBar()->setValue(verticalScrollBar()->value() - 1);
    else if (m_dragPoint.y() > r.bottom())
        verticalScrollBar()->setValue(verticalScrollBar()->value() + 1);
    if (m_dragPoint.x() < r.left())
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - 20);
    else if (m_dragPoint.x() > r.right())
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + 20);
    dragTo(QPointF(qBound(0.0, m_dragPoint.x(), double(r.right())), qBound(0.0, m_dragPoint.y(), double(r.bottom()))));
}

void OwnView::mouseReleaseEvent(QMouseEvent *e)
{
    m_dragging = false;
    m_autoScroll.stop();
    if (e->button() == Qt::LeftButton && m_clicks == 1)
        m_lastClickTime = 0;
    // What the mouse selected is the desktop's selection, for a middle click to paste elsewhere.
    if (e->button() == Qt::LeftButton && QApplication::clipboard()->supportsSelection())
        copy(QClipboard::Selection);
    m_client.mouseReleased(e);
}

void OwnView::contextMenuEvent(QContextMenuEvent *e)
{
    // The window shows its own Edit menu on the right button's release.
    e->accept();
}

// --- Drops ---

void OwnView::dragEnterEvent(QDragEnterEvent *e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
    else
        e->ignore();
}

void OwnView::dragMoveEvent(QDragMoveEvent *e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
    else
        e->ignore();
}

void OwnView::dropEvent(QDropEvent *e)
{
    // Only a file list does anything; dragged text is never inserted.
    e->acceptProposedAction();
    m_client.dropped(e->mimeData());
}

void OwnView::focusInEvent(QFocusEvent *e)
{
    QAbstractScrollArea::focusInEvent(e);
    restartBlink();
    viewport()->update();
}

void OwnView::focusOutEvent(QFocusEvent *e)
{
    QAbstractScrollArea::focusOutEvent(e);
    m_blink.stop();
    viewport()->update();
}

void OwnView::restartBlink()
{
    m_caretOn = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0)
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
}

void OwnView::timerEvent(QTimerEvent *e)
{
    if (e->timerId() != m_blink.timerId()) {
        QAbstractScrollArea::timerEvent(e);
        return;
    }
    m_caretOn = !m_caretOn;
    viewport()->update(caretRect().toAlignedRect().adjusted(-2, -2, 2, 2));
}

// --- Input methods ---

void OwnView::inputMethodEvent(QInputMethodEvent *e)
{
    if (!e->commitString().isEmpty() || e->replacementLength() > 0) {
        int start = m_engine.selectionStart();
        int length = m_engine.selectionEnd() - start;
        if (e->replacementLength() > 0 && length == 0) {
            start = qBound(0, m_engine.position() + e->replacementStart(), m_engine.length());
            length = qBound(0, e->replacementLength(), m_engine.length() - start);
        }
        // A commit is one undo step of its own, never merged into typing around it.
        m_engine.replace(start, length, e->commitString());
    }
    m_preedit = e->preeditString();
    m_preeditCursor = int(m_preedit.size());
    for (const QInputMethodEvent::Attribute &a : e->attributes()) {
        if (a.type == QInputMethodEvent::Cursor)
            m_preeditCursor = a.start;
    }
    viewport()->update();
    e->accept();
}

QVariant OwnView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    auto *self = const_cast<OwnView *>(this);
    // A window round the caret: never the whole line, which may be megabytes long.
    constexpr int Around = 500;
    const text::Document &doc = m_engine.document();
    const int position = m_engine.position();
    const int line = doc.lineFromPosition(position);
    const int lineStart = doc.lineStart(line);
    const int lineLength = doc.lineLength(line);
    const int from = qMax(lineStart, position - Around);
    const int to = qMin(lineStart + lineLength, position + Around);
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return self->caretRect().translated(viewport()->pos());
    case Qt::ImFont:
        return font();
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    case Qt::ImSurroundingText:
        return doc.text(from, to - from);
    case Qt::ImCursorPosition:
        return position - from;
    case Qt::ImAnchorPosition:
        return qBound(from, m_engine.anchor(), to) - from;
    case Qt::ImAbsolutePosition:
        return position;
    case Qt::ImTextBeforeCursor:
        return doc.text(from, position - from);
    case Qt::ImTextAfterCursor:
        return doc.text(position, to - position);
    case Qt::ImCurrentSelection: {
        const int start = m_engine.selectionStart();
        return doc.text(start, qMin(m_engine.selectionEnd() - start, 2 * Around));
    }
    case Qt::ImMaximumTextLength:
        return QVariant();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

}
