// The own engine's view: paints only the rows in view, each piece shaped on its own; scroll bars and the caret.
#include "platform/view/ownengine.h"

#include <QAccessible>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

#include "platform/view/ownaccessible.h"
#include "text/textformat.h"

namespace platform {

namespace {

const QColor MarkBackground(0xff, 0xc8, 0xc8);
const QColor MarkForeground(0xa0, 0x00, 0x00);

// The marks of undecodable bytes and of line separators in a piece: red on pink, as everywhere in Penwick.
QList<QTextLayout::FormatRange> markFormats(const QString &text, const LinePiece &p)
{
    QList<QTextLayout::FormatRange> formats;
    for (int i = p.start; i < p.end; ++i) {
        if (text::isPlaceholderAt(text, i) || text[i] == QChar(0x2028)) {
            QTextLayout::FormatRange mark;
            mark.start = i - p.start;
            mark.length = 1;
            mark.format.setBackground(MarkBackground);
            mark.format.setForeground(MarkForeground);
            formats << mark;
        }
    }
    return formats;
}

size_t pieceAt(const std::vector<LinePiece> &pieces, int offset)
{
    const auto after = std::upper_bound(pieces.begin(), pieces.end(), offset,
                                        [](int o, const LinePiece &p) { return o < p.start; });
    return after == pieces.begin() ? 0 : size_t(after - pieces.begin() - 1);
}

}

OwnView::OwnView(OwnEngine &engine, TextEngineClient &client, QWidget *parent)
    : QAbstractScrollArea(parent), m_engine(engine), m_client(client)
{
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    m_autoScroll.setInterval(50);
    connect(&m_autoScroll, &QTimer::timeout, this, &OwnView::autoScroll);
    // The user scrolled: the place kept across a resize no longer matters.
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] { m_engine.forgetAnchor(); });
    static const bool readable = (QAccessible::installFactory(&OwnViewAccessible::create), true);
    Q_UNUSED(readable);
}

void OwnView::updateScrollBars()
{
    const int rowHeight = m_engine.metrics().lineHeight();
    const int visible = qMax(1, viewport()->height() / rowHeight);
    const qint64 rows = m_engine.totalRows();
    verticalScrollBar()->setRange(0, int(std::clamp<qint64>(rows - visible, 0, INT_MAX)));
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setSingleStep(1);
    if (m_engine.wraps()) {
        horizontalScrollBar()->setRange(0, 0);
    } else {
        const double extra = m_widest + 2 * Margin - viewport()->width();
        horizontalScrollBar()->setRange(0, int(qBound(0.0, std::ceil(extra), double(INT_MAX))));
        horizontalScrollBar()->setPageStep(qMax(1, viewport()->width()));
        horizontalScrollBar()->setSingleStep(qMax(1, int(m_engine.metrics().space() * 2)));
    }
}

void OwnView::resizeEvent(QResizeEvent *e)
{
    const OwnEngine::ViewAnchor anchor = m_engine.wraps() ? m_engine.viewAnchor() : OwnEngine::ViewAnchor();
    QAbstractScrollArea::resizeEvent(e);
    m_engine.widthChanged();
    updateScrollBars();
    m_engine.keepInView(anchor);
}

void OwnView::scrollContentsBy(int, int)
{
    viewport()->update();
}

// --- Positions and pixels ---

QTextLayout &OwnView::shaped(const QString &text, const LinePiece &p) const
{
    if (!p.layout)
        const_cast<LinePiece &>(p).layout = m_engine.metrics().layOut(text.mid(p.start, p.end - p.start), markFormats(text, p));
    return *p.layout;
}

double OwnView::xInRow(int line, int row, int offset)
{
    const QString &text = m_engine.lineText(line);
    const std::vector<LinePiece> &pieces = m_engine.piecesOf(line, row);
    if (pieces.empty())
        return 0;
    const LinePiece &p = pieces[pieceAt(pieces, offset)];
    if (offset >= p.end)
        return p.x + p.width;
    if (p.tab || offset <= p.start)
        return p.x;
    return p.x + shaped(text, p).lineAt(0).cursorToX(offset - p.start);
}

int OwnView::offsetInRow(int line, int row, double x)
{
    const QString &text = m_engine.lineText(line);
    const std::vector<int> &rows = m_engine.rowsOf(line);
    const int start = rows[size_t(row)];
    const bool last = row + 1 == int(rows.size());
    const int end = last ? int(text.size()) : rows[size_t(row) + 1];
    const std::vector<LinePiece> &pieces = m_engine.piecesOf(line, row);
    int offset = end;
    if (x <= 0 || pieces.empty()) {
        offset = start;
    } else {
        const auto hit = std::find_if(pieces.begin(), pieces.end(), [&](const LinePiece &p) { return x < p.x + p.width; });
        if (hit != pieces.end()) {
            if (hit->tab) {
                offset = x < hit->x + hit->width / 2 ? hit->start : hit->end;
            } else {
                offset = hit->start + shaped(text, *hit).lineAt(0).xToCursor(x - hit->x);
            }
        }
    }
    // The end of a wrapped row is the next row's start: stay before the space the row broke after.
    if (!last && offset >= end && end > start && text[end - 1] == QLatin1Char(' '))
        offset = end - 1;
    return offset;
}

QRectF OwnView::positionRect(int position)
{
    const int line = m_engine.document().lineFromPosition(position);
    const int offset = position - m_engine.document().lineStart(line);
    const qint64 row = m_engine.rowOfPosition(position);
    const std::vector<int> &rows = m_engine.rowsOf(line);
    const int rowInLine = int(std::upper_bound(rows.begin(), rows.end(), offset) - rows.begin()) - 1;
    const double x = xInRow(line, rowInLine, offset);
    const int height = m_engine.metrics().lineHeight();
    const double y = double(row - verticalScrollBar()->value()) * height;
    return QRectF(Margin + x - horizontalScrollBar()->value(), y, 1, height);
}

QRectF OwnView::caretRect()
{
    QRectF r = positionRect(m_engine.position());
    if (!m_preedit.isEmpty())
        r.translate(m_engine.metrics().width(QStringView(m_preedit).first(qBound(0, m_preeditCursor, int(m_preedit.size())))), 0);
    return r;
}

int OwnView::positionAt(QPointF point)
{
    const int height = m_engine.metrics().lineHeight();
    const qint64 row = qMax<qint64>(0, verticalScrollBar()->value() + qint64(std::floor(point.y() / height)));
    int line = 0, rowInLine = 0;
    m_engine.locateRow(row, line, rowInLine);
    const double x = point.x() - Margin + horizontalScrollBar()->value();
    return m_engine.document().lineStart(line) + offsetInRow(line, rowInLine, x);
}

void OwnView::ensureCaretVisible()
{
    // A caret placed while the view is hidden (a recovered edit, before the window shows) shows with it.
    m_caretToShow = !isVisible();
    ensureVisible(m_engine.position());
}

void OwnView::showEvent(QShowEvent *e)
{
    QAbstractScrollArea::showEvent(e);
    if (m_caretToShow)
        viewport()->update();   // shown at the first paint, once the window has laid the view out
}

void OwnView::ensureVisible(int position)
{
    if (!isVisible())
        return;
    m_engine.placeAnchor();   // where the view was kept is where the caret is brought into view from
    const qint64 row = m_engine.rowOfPosition(position);
    const int visible = qMax(1, viewport()->height() / m_engine.metrics().lineHeight());
    updateScrollBars();
    QScrollBar *vertical = verticalScrollBar();
    if (row < vertical->value())
        vertical->setValue(int(row));
    else if (row >= vertical->value() + visible)
        vertical->setValue(int(row - visible + 1));
    if (m_engine.wraps())
        return;
    const QRectF caret = position == m_engine.position() ? caretRect() : positionRect(position);
    const double contentX = caret.x() + horizontalScrollBar()->value() - Margin;
    m_widest = qMax(m_widest, contentX + 1);
    updateScrollBars();
    QScrollBar *horizontal = horizontalScrollBar();
    const int room = qMax(1, viewport()->width() - 2 * Margin);
    if (contentX < horizontal->value())
        horizontal->setValue(int(qMax(0.0, contentX - room / 4)));
    else if (contentX > horizontal->value() + room)
        horizontal->setValue(int(contentX - room * 3 / 4));
}

// --- The place kept across a layout change ---

OwnEngine::ViewAnchor OwnEngine::viewAnchor()
{
    if (m_anchorToKeep.position >= 0)
        return m_anchorToKeep;
    if (!m_view->isVisible() || (m_wrap && m_layoutWidth < 0))
        return {};
    // Rows as they were laid out: the counts and the width they were made at, not the view's new width.
    const int width = m_wrap ? m_layoutWidth : 0;
    auto rowsAt = [&](int line) {
        const auto cached = m_lines.find(line);
        if (cached != m_lines.end() && cached->second.rowsWidth == width)
            return cached->second.rows;
        return breakRows(m_doc.line(line), m_metrics, width);
    };
    auto rowOf = [&](int line, int offset) {
        const std::vector<int> rows = rowsAt(line);
        return int(std::upper_bound(rows.begin(), rows.end(), offset) - rows.begin()) - 1;
    };
    const int top = m_view->verticalScrollBar()->value();
    const int visible = qMax(1, m_view->viewport()->height() / m_metrics.lineHeight());
    const int caretLine = m_doc.lineFromPosition(m_position);
    if (!m_wrap || m_rows.firstUnknownBefore(caretLine + 1) < 0) {
        const int caretRow = m_wrap ? m_rows.rowsBefore(caretLine) + rowOf(caretLine, m_position - m_doc.lineStart(caretLine))
                                    : caretLine;
        if (caretRow >= top && caretRow < top + visible)
            return {m_position, caretRow - top};
    }
    if (!m_wrap)
        return {m_doc.lineStart(qMin(top, m_doc.lineCount() - 1)), 0};
    const text::DisplayLines::Hit hit = m_rows.blockOfRow(top);
    if (hit.block < 0)
        return {};
    const std::vector<int> rows = rowsAt(hit.block);
    return {m_doc.lineStart(hit.block) + rows[size_t(qBound(0, hit.rowInBlock, int(rows.size()) - 1))], 0};
}

void OwnEngine::keepInView(const ViewAnchor &anchor)
{
    if (anchor.position < 0)
        return;
    m_anchorToKeep = anchor;
    m_view->viewport()->update();
}

void OwnEngine::placeAnchor()
{
    const ViewAnchor anchor = m_anchorToKeep;
    if (anchor.position < 0)
        return;
    m_anchorToKeep = ViewAnchor();
    const int visible = qMax(1, m_view->viewport()->height() / m_metrics.lineHeight());
    const int row = rowOfPosition(qMin(anchor.position, m_doc.length()));
    m_view->updateScrollBars();
    m_view->verticalScrollBar()->setValue(row - qMin(anchor.rowsDown, visible - 1));
}

// --- Painting ---

void OwnView::paintEvent(QPaintEvent *e)
{
    m_engine.placeAnchor();
    if (m_caretToShow)
        ensureCaretVisible();
    m_engine.trimCache();
    QPainter painter(viewport());
    const int height = m_engine.metrics().lineHeight();
    int line = 0, rowInLine = 0;
    m_engine.locateRow(verticalScrollBar()->value(), line, rowInLine);
    const int lines = m_engine.document().lineCount();
    const double widest = m_widest;
    for (double y = 0; y < e->rect().bottom() + 1 && line < lines; ++line, rowInLine = 0) {
        const int rows = int(m_engine.rowsOf(line).size());
        for (; rowInLine < rows && y < e->rect().bottom() + 1; ++rowInLine, y += height) {
            if (y + height > e->rect().top())
                paintRow(painter, line, rowInLine, y);
        }
    }
    if (m_widest != widest)
        QTimer::singleShot(0, this, &OwnView::updateScrollBars);
}

void OwnView::paintRow(QPainter &painter, int line, int row, double y)
{
    const QString &text = m_engine.lineText(line);
    const std::vector<int> &rows = m_engine.rowsOf(line);
    const bool lastRow = row + 1 == int(rows.size());
    const int start = rows[size_t(row)];
    const int end = lastRow ? int(text.size()) : rows[size_t(row) + 1];
    const std::vector<LinePiece> &pieces = m_engine.piecesOf(line, row);
    const double rowWidth = pieces.empty() ? 0 : pieces.back().x + pieces.back().width;
    m_widest = qMax(m_widest, rowWidth);

    const int lineStart = m_engine.document().lineStart(line);
    const int selStart = m_engine.selectionStart() - lineStart;
    const int selEnd = m_engine.selectionEnd() - lineStart;
    const int caret = m_engine.position() - lineStart;
    const bool caretHere = caret >= start && (caret < end || (lastRow && caret == end));
    const double left = Margin - horizontalScrollBar()->value();
    const double right = viewport()->width();
    const QPalette &palette = this->palette();
    const int height = m_engine.metrics().lineHeight();

    double shift = 0;   // the preedit's width, after the piece that holds it
    for (const LinePiece &p : pieces) {
        const double x = left + p.x + shift;
        const bool holdsPreedit = caretHere && !m_preedit.isEmpty() && caret >= p.start && (caret < p.end || caret == end);
        if (x > right && !holdsPreedit)
            break;
        if (x + p.width < 0 && !holdsPreedit)
            continue;
        const int from = qMax(selStart, p.start), to = qMin(selEnd, p.end);
        if (p.tab) {
            if (from < to)
                painter.fillRect(QRectF(x, y, p.width, height), palette.brush(QPalette::Highlight));
            continue;
        }
        QList<QTextLayout::FormatRange> selections;
        if (from < to) {
            QTextLayout::FormatRange selected;
            selected.start = from - p.start;
            selected.length = to - from;
            selected.format.setBackground(palette.brush(QPalette::Highlight));
            selected.format.setForeground(palette.brush(QPalette::HighlightedText));
            selections << selected;
        }
        std::unique_ptr<QTextLayout> withPreedit;
        if (holdsPreedit)
            withPreedit = m_engine.metrics().layOut(text.mid(p.start, p.end - p.start), markFormats(text, p), caret - p.start, m_preedit);
        QTextLayout *layout = holdsPreedit ? withPreedit.get() : &shaped(text, p);
        painter.setPen(palette.color(QPalette::Text));
        layout->draw(&painter, QPointF(x, y), selections);
        if (holdsPreedit) {
            // The preedit is drawn underlined, in place, and pushes the rest of the row along.
            const QTextLine l = layout->lineAt(0);
            const double a = l.cursorToX(caret - p.start), b = a + m_engine.metrics().width(m_preedit);
            painter.drawLine(QPointF(x + a, y + height - 1), QPointF(x + b, y + height - 1));
            shift += b - a;
        }
    }
    // A selected line break shows as a space's width of highlight after the line.
    if (lastRow && selStart <= end && selEnd > end)
        painter.fillRect(QRectF(left + rowWidth, y, m_engine.metrics().space(), height), palette.brush(QPalette::Highlight));
    if (caretHere && hasFocus() && m_caretOn) {
        const QRectF r = caretRect();
        painter.fillRect(QRectF(r.x(), y, 1, height), palette.brush(QPalette::Text));
    }
}

}
