// What a screen reader reads of the own view, and the edits it may make; every answer bounded.
#include "platform/view/ownaccessible.h"

#include <algorithm>

#include "platform/view/ownengine.h"
#include "platform/view/breaks.h"
#include "platform/view/textunits.h"
#include "text/textformat.h"

namespace platform {

QString OwnViewAccessible::readable(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text::isPlaceholderAt(text, i))
            text[i] = QChar(QChar::ReplacementCharacter);
    }
    return text;
}

OwnViewAccessible::OwnViewAccessible(OwnView *view) : QAccessibleWidget(view, QAccessible::EditableText)
{
}

QAccessibleInterface *OwnViewAccessible::create(const QString &className, QObject *object)
{
    if (className == QLatin1String(OwnView::staticMetaObject.className())) {
        if (auto *view = qobject_cast<OwnView *>(object))
            return new OwnViewAccessible(view);
    }
    return nullptr;
}

OwnView &OwnViewAccessible::view() const
{
    return *static_cast<OwnView *>(widget());
}

OwnEngine &OwnViewAccessible::engine() const
{
    return view().m_engine;
}

QAccessible::State OwnViewAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = true;
    s.multiLine = true;
    s.selectableText = true;
    s.focusable = true;
    s.readOnly = false;
    return s;
}

void *OwnViewAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

// --- Caret and selection ---

void OwnViewAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && selectionCount() == 1) {
        *startOffset = engine().selectionStart();
        *endOffset = engine().selectionEnd();
    }
}

int OwnViewAccessible::selectionCount() const
{
    return engine().selectionStart() < engine().selectionEnd() ? 1 : 0;
}

void OwnViewAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);   // one selection only: a new one replaces it
}

void OwnViewAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        engine().moveTo(engine().position(), false);
}

void OwnViewAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        engine().select(startOffset, endOffset);
}

int OwnViewAccessible::cursorPosition() const
{
    return engine().position();
}

void OwnViewAccessible::setCursorPosition(int position)
{
    engine().moveTo(position, false);
}

// --- Text ---

int OwnViewAccessible::characterCount() const
{
    return engine().length();
}

QString OwnViewAccessible::text(int startOffset, int endOffset) const
{
    const int count = characterCount();
    if (endOffset == -1)
        endOffset = count;
    startOffset = qBound(0, startOffset, count);
    endOffset = qBound(0, endOffset, count);
    if (endOffset <= startOffset)
        return QString();
    const int length = qMin(endOffset - startOffset, TextChars);
    QString t = engine().text(startOffset, length);
    if (length < endOffset - startOffset && !t.isEmpty() && t.back().isHighSurrogate())
        t.chop(1);
    return readable(t);
}

QString OwnViewAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                                            int *endOffset) const
{
    return answer(offset, boundaryType, Side::Before, startOffset, endOffset);
}

QString OwnViewAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                                           int *endOffset) const
{
    return answer(offset, boundaryType, Side::After, startOffset, endOffset);
}

QString OwnViewAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                                        int *endOffset) const
{
    return answer(offset, boundaryType, Side::At, startOffset, endOffset);
}

QString OwnViewAccessible::answer(int offset, QAccessible::TextBoundaryType type, Side side, int *startOffset,
                                  int *endOffset) const
{
    const int count = characterCount();
    // As the accessibility bridges agree: -2 is the caret, -1 the end of the text.
    if (offset == -2)
        offset = cursorPosition();
    else if (offset == -1)
        offset = count;
    if (offset < 0 || offset > count) {
        *startOffset = *endOffset = -1;
        return QString();
    }
    Span span;
    if (type == QAccessible::NoBoundary) {
        // The whole text is one unit: as much of it as text() hands out.
        span = side == Side::At ? Span{0, qMin(count, TextChars)} : side == Side::Before ? Span{0, 0} : Span{count, count};
    } else {
        span = unit(offset, type, side);
        span = bounded(span, side == Side::At ? offset : side == Side::After ? span.start : span.end);
    }
    *startOffset = span.start;
    *endOffset = span.end;
    return readable(engine().text(span.start, span.end - span.start));
}

OwnViewAccessible::Span OwnViewAccessible::unit(int p, QAccessible::TextBoundaryType type, Side side) const
{
    const int count = characterCount();
    const Span atEnd{count, count}, atStart{0, 0};
    switch (type) {
    case QAccessible::CharBoundary: {
        const Span at = character(p);
        if (side == Side::At)
            return at;
        if (side == Side::After)
            return at.end >= count ? atEnd : character(at.end);
        return at.start == 0 ? atStart : character(at.start - 1);
    }
    case QAccessible::WordBoundary: {
        const Span at = word(p);
        if (side == Side::At)
            return at;
        if (side == Side::After) {
            const int s = skipBreaks(qMax(p, at.end), 1, true);
            const Span next = s >= count ? atEnd : word(s);
            return next.start >= s ? next : Span{s, s};   // nothing but white space within reach
        }
        const int e = skipBreaks(at.end > at.start ? at.start : p, -1, true);
        return e == 0 ? atStart : word(e - 1);
    }
    case QAccessible::SentenceBoundary: {
        const Span at = sentence(p);
        if (side == Side::At)
            return at;
        if (side == Side::After) {
            const int s = skipBreaks(at.end, 1, false);
            return s >= count ? atEnd : sentence(s);
        }
        const int e = skipBreaks(at.start, -1, false);
        return e == 0 ? atStart : sentence(e - 1);
    }
    default: {
        // Lines are the rows shown, as in Qt's own widget: what Up, Down, Home and End move over, so a reader
        // following the caret reads the row it went to. Paragraphs are the lines between breaks.
        const bool rows = type == QAccessible::LineBoundary;
        int next = 0;
        const Span at = lineOrRow(p, rows, &next);
        if (side == Side::At)
            return at;
        if (side == Side::After)
            return next > count ? atEnd : lineOrRow(next, rows, &next);
        return at.start == 0 ? atStart : lineOrRow(at.start - 1, rows, &next);
    }
    }
}

QString OwnViewAccessible::lineWindow(int position, int *from) const
{
    const text::Document &doc = engine().document();
    const int line = doc.lineFromPosition(position);
    const int start = doc.lineStart(line);
    const int end = start + doc.lineLength(line);
    *from = qMax(start, position - WindowChars);
    return doc.text(*from, qMin(end, position + WindowChars) - *from);
}

OwnViewAccessible::Span OwnViewAccessible::character(int p) const
{
    if (p >= characterCount())
        return {p, p};
    int from = 0;
    const QString w = lineWindow(p, &from);
    const int at = p - from;
    if (at >= w.size())
        return {p, p + 1};   // the line break
    const int end = nextCluster(w, at);
    return {from + previousCluster(w, end), from + end};
}

OwnViewAccessible::Span OwnViewAccessible::word(int p) const
{
    int from = 0;
    const QString w = lineWindow(p, &from);
    const auto [start, end] = wordAt(w, p - from);
    return {from + start, from + end};
}

OwnViewAccessible::Span OwnViewAccessible::sentence(int p) const
{
    int from = 0;
    const QString w = lineWindow(p, &from);
    const auto [start, end] = sentenceAt(w, p - from);
    return {from + start, from + end};
}

OwnViewAccessible::Span OwnViewAccessible::lineOrRow(int p, bool rows, int *next) const
{
    const text::Document &doc = engine().document();
    const int line = doc.lineFromPosition(p);
    const int start = doc.lineStart(line);
    const int length = doc.lineLength(line);
    *next = start + length + 1;
    if (!rows || !engine().wraps())
        return {start, start + length};
    const std::vector<int> &starts = engine().rowsOf(line);
    const size_t r = size_t(std::upper_bound(starts.begin(), starts.end(), p - start) - starts.begin()) - 1;
    if (r + 1 >= starts.size())
        return {start + starts[r], start + length};
    int end = starts[r + 1];
    *next = start + end;
    // A wrapped row ends before the space it broke after, where the End key stops.
    if (end > starts[r] && doc.charAt(start + end - 1).isSpace())
        --end;
    return {start + starts[r], start + end};
}

// From position, the first place forward (step 1) that is no line break (nor white space), or backward (step -1)
// the place after the last such; within WindowChars.
int OwnViewAccessible::skipBreaks(int position, int step, bool spaces) const
{
    const int count = characterCount();
    const int from = step > 0 ? position : qMax(0, position - WindowChars);
    const QString w = engine().text(from, step > 0 ? qMin(WindowChars, count - position) : position - from);
    auto skippable = [&](QChar c) { return c == QLatin1Char('\n') || (spaces && c.isSpace()); };
    if (step > 0) {
        int i = 0;
        while (i < w.size() && skippable(w[i]))
            ++i;
        return position + i;
    }
    int i = int(w.size());
    while (i > 0 && skippable(w[i - 1]))
        --i;
    return from + i;
}

OwnViewAccessible::Span OwnViewAccessible::bounded(Span span, int around) const
{
    if (span.end - span.start <= WindowChars)
        return span;
    const text::Document &doc = engine().document();
    int from = qBound(span.start, around - WindowChars / 2, span.end - WindowChars);
    int to = from + WindowChars;
    // Never half a surrogate pair at either edge.
    if (from > span.start && doc.charAt(from).isLowSurrogate() && doc.charAt(from - 1).isHighSurrogate())
        ++from;
    if (to < span.end && doc.charAt(to).isLowSurrogate() && doc.charAt(to - 1).isHighSurrogate())
        --to;
    return {from, to};
}

// --- Geometry ---

QRect OwnViewAccessible::characterRect(int offset) const
{
    if (offset < 0 || offset > characterCount())
        return QRect();
    OwnView &v = view();
    const QRectF at = v.positionRect(offset);
    double width = engine().metrics().space();   // a line break, or the end of the text
    if (offset < characterCount() && engine().document().charAt(offset) != QLatin1Char('\n')) {
        const QRectF after = v.positionRect(character(offset).end);
        if (after.y() == at.y() && after.x() > at.x())
            width = after.x() - at.x();
    }
    const QPoint topLeft = v.viewport()->mapToGlobal(at.topLeft().toPoint());
    return QRect(topLeft, QSize(qMax(1, qRound(width)), qRound(at.height())));
}

int OwnViewAccessible::offsetAtPoint(const QPoint &point) const
{
    OwnView &v = view();
    const QPoint local = v.viewport()->mapFromGlobal(point);
    if (!v.viewport()->rect().contains(local))
        return -1;
    int position = v.positionAt(local);
    // The caret stop nearest the point may lie after the character under it.
    if (position > 0) {
        const Span before = character(position - 1);
        const QRectF a = v.positionRect(before.start), b = v.positionRect(position);
        if (a.y() == b.y() && local.x() >= a.x() && local.x() < b.x())
            position = before.start;
    }
    return position;
}

void OwnViewAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    const int count = characterCount();
    view().ensureVisible(qBound(0, endIndex, count));
    view().ensureVisible(qBound(0, startIndex, count));
}

QString OwnViewAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    if (offset < 0 || offset > characterCount()) {
        *startOffset = *endOffset = -1;
        return QString();
    }
    // Plain text: one run over everything, in the view's font.
    *startOffset = 0;
    *endOffset = characterCount();
    const QFont &font = engine().metrics().font();
    QString attributes = QStringLiteral("font-family:\"%1\";").arg(font.family());
    if (font.pointSizeF() > 0)
        attributes += QStringLiteral("font-size:%1pt;").arg(font.pointSizeF());
    return attributes;
}

// --- Editing ---

void OwnViewAccessible::deleteText(int startOffset, int endOffset)
{
    replaceText(startOffset, endOffset, QString());
}

void OwnViewAccessible::insertText(int offset, const QString &text)
{
    replaceText(offset, offset, text);
}

void OwnViewAccessible::replaceText(int startOffset, int endOffset, const QString &text)
{
    const int count = characterCount();
    const int start = qBound(0, qMin(startOffset, endOffset), count);
    const int end = qBound(0, qMax(startOffset, endOffset), count);
    engine().replace(start, end - start, text::normaliseBreaks(text));
}

}
