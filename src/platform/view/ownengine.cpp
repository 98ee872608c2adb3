// Penwick's own engine: text, selection, undo and files on the document model; display rows counted lazily.
#include "platform/view/ownengine.h"

#include <QElapsedTimer>
#include <QScrollBar>

#include <algorithm>

namespace platform {

namespace {

// A slice of background counting never holds input up longer than this.
constexpr int SliceMs = 4;
constexpr int CachedLines = 512;
// Uncounted lines above the caret that a line lookup counts at once; beyond, it estimates.
constexpr int SyncLines = 2048;

}

std::unique_ptr<TextEngine> makeTextEngine(TextEngineClient &client, QWidget *parent)
{
    return makeOwnEngine(client, parent);
}

std::unique_ptr<TextEngine> makeOwnEngine(TextEngineClient &client, QWidget *parent)
{
    return std::make_unique<OwnEngine>(client, parent);
}

OwnEngine::OwnEngine(TextEngineClient &client, QWidget *parent)
    : m_client(client), m_view(new OwnView(*this, client, parent))
{
    m_rows.reset(1);
    // Every change the model makes, undo included, goes on to the control (its journal); a new text does not.
    m_doc.setChangeObserver([this](int position, int removed, int inserted) {
        if (m_newText)
            return;
        const QString text = m_doc.text(position, inserted);
        m_changeStart = position;
        m_changeEnd = position + inserted;
        m_changeFurthest = qMax(m_changeFurthest, m_changeEnd);
        m_client.textEdited(position, removed, text);
        m_view->noteEdit(position, removed, inserted);
        if (m_stepping) {
            noteStep(position, removed, inserted);
            // An undo or redo: the lines it touched are counted again, the rest keep their rows.
            const int lines = m_doc.lineCount();
            const int added = int(text.count(QLatin1Char('\n')));
            edited(m_doc.lineFromPosition(position), 1 + added - (lines - m_linesBefore), 1 + added);
            m_linesBefore = lines;
        }
    });
    m_counter.setInterval(0);
    QObject::connect(&m_counter, &QTimer::timeout, m_view, [this] { countSlice(); });
}

OwnEngine::~OwnEngine() = default;

// --- Text and selection ---

void OwnEngine::replace(int start, int length, const QString &text)
{
    // What the control writes starts a step of its own; keys typed right after it extend it.
    m_doc.breakTyping();
    type(start, length, text, false);
}

void OwnEngine::type(int start, int length, const QString &text, bool typing)
{
    start = qBound(0, start, m_doc.length());
    length = qBound(0, length, m_doc.length() - start);
    const int first = m_doc.lineFromPosition(start);
    const int last = m_doc.lineFromPosition(start + length);
    // An edit inside one line keeps what is known of it up to the edit: a long line is not laid out again.
    // Inside a compound edit it is laid out once, when shown: Replace All makes thousands of edits in one line.
    CachedLine kept;
    const int offset = start - m_doc.lineStart(first);
    const auto cached = m_lines.find(first);
    if (m_compoundDepth == 0 && first == last && !text.contains(QLatin1Char('\n')) && cached != m_lines.end()
        && cached->second.rowsWidth != -2)
        kept = std::move(cached->second);
    m_view->noteRemoval(start, length);
    const int lines = m_doc.lineCount();
    m_changeStart = start;
    m_changeEnd = start + int(text.size());
    if (!(typing ? m_doc.typeOver(start, length, text) : m_doc.replace(start, length, text)))
        return;
    // The model may take bytes' placeholders in as the character they now read as, widening the edit to them:
    // then its own report says where the text went.
    bool widened = m_changeStart != start || m_changeEnd != start + int(text.size());
    for (qsizetype i = 0; i < text.size() && !widened; ++i)
        widened = text::isPlaceholderAt(text, i);
    edited(first, last - first + 1, last - first + 1 + m_doc.lineCount() - lines);
    if (kept.rowsWidth != -2 && !widened)
        keepLine(first, std::move(kept), offset, length, text);
    m_anchor = m_position = widened ? m_changeEnd : start + int(text.size());
    changed();
    selectionMoved();
}

void OwnEngine::reset(const QString &text)
{
    m_anchorToKeep = ViewAnchor();   // a place in the text that is going
    const int before = m_doc.length();
    m_view->noteRemoval(0, before);
    m_doc.clear();
    m_newText = true;
    m_doc.insert(0, text);
    m_newText = false;
    m_view->noteEdit(0, before, m_doc.length());
    m_doc.resetUndo();
    m_anchor = m_position = 0;
    m_lines.clear();
    invalidateRows();
    m_view->m_widest = 0;
    changed();
    selectionMoved();
}

void OwnEngine::select(int anchor, int position)
{
    m_anchorToKeep = ViewAnchor();   // a caret put somewhere is what the view shows next
    const int n = m_doc.length();
    moveTo(qBound(0, anchor, n), false);
    moveTo(qBound(0, position, n), true);
}

void OwnEngine::moveTo(int position, bool keepAnchor)
{
    position = qBound(0, position, m_doc.length());
    const int anchor = keepAnchor ? m_anchor : position;
    if (position == m_position && anchor == m_anchor)
        return;
    m_position = position;
    m_anchor = anchor;
    selectionMoved();
}

void OwnEngine::selectionMoved()
{
    m_view->m_goalX = -1;   // Up and Down put their column back after moving
    m_view->restartBlink();
    m_view->viewport()->update();
    if (m_compoundDepth > 0)
        return;
    showCaret();
    m_client.selectionChanged();
    m_view->tellSelection();
}

void OwnEngine::changed()
{
    m_view->m_preedit.clear();
    if (m_compoundDepth > 0) {
        m_compoundChanged = true;
        return;
    }
    // Nothing left to scroll across: the widest row seen so far is gone.
    if (m_doc.length() == 0)
        m_view->m_widest = 0;
    m_view->updateScrollBars();
    m_view->viewport()->update();
    m_view->tellEdit();
    m_client.textChanged();
}

// --- Undo ---

void OwnEngine::beginCompound()
{
    if (m_compoundDepth++ == 0)
        m_compoundChanged = false;
    m_doc.beginCompound();
}

void OwnEngine::endCompound()
{
    m_doc.endCompound();
    if (--m_compoundDepth > 0)
        return;
    if (m_compoundChanged) {
        m_compoundChanged = false;
        changed();
    }
    showCaret();
    m_client.selectionChanged();
    m_view->tellSelection();
}

void OwnEngine::showCaret()
{
    // All of the text selected is in view wherever the view stands (Select All does not scroll).
    if (m_doc.length() > 0 && selectionStart() == 0 && selectionEnd() == m_doc.length())
        return;
    m_view->ensureCaretVisible();
}

void OwnEngine::undo()
{
    stepped([this] { return m_doc.undo(); }, true);
}

// All in the model at once, taken in as an undo step is: each stretch the model changed is reported, and the
// lines it touches are counted again.
int OwnEngine::replaceAll(const QString &needle, const QString &with, int from, int options)
{
    m_stepping = true;
    m_step = StepRegion();
    m_linesBefore = m_doc.lineCount();
    m_changeFurthest = 0;
    const int count = m_doc.replaceAll(needle, with, options, from);
    m_stepping = false;
    if (count > 0) {
        m_anchor = m_position = m_changeFurthest;
        changed();
        selectionMoved();
    }
    return count;
}

void OwnEngine::redo()
{
    stepped([this] { return m_doc.redo(); }, false);
}

// An undo or redo; the caret goes where it ended, if there was anything to do. An undo that puts back text
// the step had replaced (typing or pasting over a selection) selects that text again.
void OwnEngine::stepped(const std::function<int()> &step, bool selectRestored)
{
    m_stepping = true;
    m_step = StepRegion();
    m_linesBefore = m_doc.lineCount();
    const int at = step();
    m_stepping = false;
    if (at < 0)
        return;
    const bool restored = selectRestored && m_step.contiguous && m_step.removed > 0 && m_step.end > m_step.start;
    m_anchor = restored ? m_step.start : at;
    m_position = restored ? m_step.end : at;
    changed();
    selectionMoved();
}

// The changes of one undo step, while they make one stretch of text: what it put back, and what it took away.
void OwnEngine::noteStep(int position, int removed, int inserted)
{
    if (m_step.changes++ == 0) {
        m_step = {1, true, position, position + inserted, removed};
        return;
    }
    if (position > m_step.end || position + removed < m_step.start) {
        m_step.contiguous = false;
        return;
    }
    const int inside = qMax(0, qMin(m_step.end, position + removed) - qMax(m_step.start, position));
    m_step.removed += removed - inside;
    m_step.end = qMax(m_step.end, position + removed) + inserted - removed;
    m_step.start = qMin(m_step.start, position);
}

// --- Lines and rows ---

const QString &OwnEngine::lineText(int line) const
{
    CachedLine &cached = m_lines[line];
    if (cached.rowsWidth == -2) {
        cached.text = m_doc.line(line);
        cached.rowsWidth = -1;
    }
    return cached.text;
}

int OwnEngine::wrapWidth() const
{
    return qMax(1, m_view->viewport()->width() - 2 * OwnView::Margin);
}

const std::vector<int> &OwnEngine::rowsOf(int line)
{
    const QString &text = lineText(line);
    CachedLine &cached = m_lines[line];
    const int width = m_wrap ? wrapWidth() : 0;
    if (cached.rowsWidth != width) {
        cached.rows = breakRows(text, m_metrics, width);
        cached.rowsWidth = width;
        cached.pieces.clear();
        // A line laid out for painting or the caret is counted too, so the rows in view are where they are shown.
        if (m_wrap && width == m_layoutWidth && line < m_rows.blockCount() && m_rows.rows(line) == text::DisplayLines::Unknown)
            m_rows.setRows(line, int(cached.rows.size()));
    }
    return cached.rows;
}

const std::vector<LinePiece> &OwnEngine::piecesOf(int line, int row)
{
    const std::vector<int> &rows = rowsOf(line);
    CachedLine &cached = m_lines[line];
    auto found = cached.pieces.find(row);
    if (found == cached.pieces.end()) {
        const int start = rows[size_t(row)];
        const int end = row + 1 < int(rows.size()) ? rows[size_t(row) + 1] : int(cached.text.size());
        found = cached.pieces.emplace(row, rowPieces(cached.text, start, end, m_metrics)).first;
    }
    return found->second;
}

void OwnEngine::keepLine(int line, CachedLine kept, int offset, int removed, const QString &text)
{
    kept.text.replace(offset, removed, text);
    if (kept.rowsWidth >= 0 && kept.rowsWidth == (m_wrap ? wrapWidth() : 0) && !kept.rows.empty()) {
        // Rows before the one above the edit stay; a shorter word may now fit that one, so it is redone.
        std::vector<int> &rows = kept.rows;
        const size_t row = size_t(std::upper_bound(rows.begin(), rows.end(), offset) - rows.begin()) - 1;
        const size_t keep = row > 0 ? row - 1 : 0;
        const std::vector<int> rest = breakRows(kept.text, m_metrics, kept.rowsWidth, rows[keep]);
        rows.resize(keep);
        rows.insert(rows.end(), rest.begin(), rest.end());
        for (auto p = kept.pieces.begin(); p != kept.pieces.end();) {
            if (size_t(p->first) < keep) {
                ++p;
                continue;
            }
            // The first redone row keeps its pieces that end before the edit.
            std::vector<LinePiece> &pieces = p->second;
            if (size_t(p->first) != keep || rows[keep] != rest.front()) {
                p = kept.pieces.erase(p);
                continue;
            }
            while (!pieces.empty() && pieces.back().end > offset)
                pieces.pop_back();
            if (!pieces.empty())
                pieces.pop_back();   // its end may have been cut short by the row's old end
            const int end = keep + 1 < rows.size() ? rows[keep + 1] : int(kept.text.size());
            const int from = pieces.empty() ? rows[keep] : pieces.back().end;
            const double x = pieces.empty() ? 0 : pieces.back().x + pieces.back().width;
            appendPieces(pieces, kept.text, from, end, x, m_metrics);
            ++p;
        }
        if (m_wrap && m_rows.rows(line) == text::DisplayLines::Unknown)
            m_rows.setRows(line, int(rows.size()));
    } else {
        kept.rowsWidth = -1;
        kept.rows.clear();
        kept.pieces.clear();
    }
    m_lines[line] = std::move(kept);
}

void OwnEngine::trimCache()
{
    if (m_lines.size() > CachedLines)
        m_lines.clear();
}

void OwnEngine::edited(int first, int removedLines, int addedLines)
{
    // Lines above the edit keep what is known of them; those below move with it.
    std::unordered_map<int, CachedLine> kept;
    for (auto &[line, cached] : m_lines) {
        if (line < first)
            kept.emplace(line, std::move(cached));
        else if (line >= first + removedLines)
            kept.emplace(line + addedLines - removedLines, std::move(cached));
    }
    m_lines = std::move(kept);
    if (m_wrap && m_layoutWidth == wrapWidth() && first + removedLines <= m_rows.blockCount()) {
        m_rows.replace(first, removedLines, addedLines);
        m_counter.start();
    } else {
        invalidateRows();
    }
}

void OwnEngine::invalidateRows()
{
    if (!m_wrap) {
        // Without wrap a line is a row; the counts are made afresh when wrap comes back on.
        m_layoutWidth = -1;
        m_counter.stop();
        return;
    }
    m_rows.reset(m_doc.lineCount());
    m_layoutWidth = wrapWidth();
    m_counter.start();
}

void OwnEngine::widthChanged()
{
    if (m_wrap && wrapWidth() != m_layoutWidth)
        invalidateRows();
}

void OwnEngine::countSlice()
{
    if (!m_wrap) {
        m_counter.stop();
        return;
    }
    if (wrapWidth() != m_layoutWidth)
        invalidateRows();
    QElapsedTimer clock;
    clock.start();
    const int lines = m_rows.blockCount();
    const int width = m_layoutWidth;
    keepingTheView([&] {
        while (clock.elapsed() < SliceMs) {
            const int unknown = m_rows.firstUnknownBefore(lines);
            if (unknown < 0) {
                m_counter.stop();
                break;
            }
            m_rows.countUnknown(qMin(lines, unknown + 256), [&](int line) { return countRows(line, width); });
        }
    });
    tellWhenCounted();
}

// Rows counted above the view would push its text down: it keeps showing the same text.
void OwnEngine::keepingTheView(const std::function<void()> &count)
{
    int topLine = 0, topRow = 0;
    locateRow(m_view->verticalScrollBar()->value(), topLine, topRow);
    count();
    m_view->updateScrollBars();
    const qint64 top = m_rows.estimatedRowsBefore(topLine) + topRow;
    if (top != m_view->verticalScrollBar()->value())
        m_view->verticalScrollBar()->setValue(int(qMin<qint64>(top, INT_MAX)));
}

void OwnEngine::tellWhenCounted()
{
    if (!m_provisional || !linesCurrent())
        return;
    m_provisional = false;
    // Later, not inside the query or the count: the control asks for lines again when told.
    QMetaObject::invokeMethod(m_view, [this] { m_client.linesCounted(); }, Qt::QueuedConnection);
}

// Rows of a line not laid out for the view; lines counted one after another are read on, not looked up.
int OwnEngine::countRows(int line, int width)
{
    const text::BlockSource &source = m_doc.blocks();
    if (line != m_counted.line + 1 || m_counted.revision != m_doc.revision() || !source.next(m_counted.block))
        m_counted.block = source.blockContaining(m_doc.lineStart(line));
    m_counted.line = line;
    m_counted.revision = m_doc.revision();
    return int(breakRows(m_counted.block.text, m_metrics, width).size());
}

int OwnEngine::lineFromPosition(int position)
{
    position = qBound(0, position, m_doc.length());
    const int line = m_doc.lineFromPosition(position);
    if (!m_wrap)
        return line;
    if (wrapWidth() != m_layoutWidth)
        invalidateRows();
    const int width = m_layoutWidth;
    if (m_rows.unknownBefore(line) <= SyncLines) {
        if (m_rows.unknownBefore(line) > 0)
            keepingTheView([&] { m_rows.countUnknown(line, [&](int l) { return countRows(l, width); }); });
        tellWhenCounted();
    } else {
        m_provisional = true;
        // Too many rows above to count now: the lines just above are laid out, so the caret's neighbourhood
        // shows right, and the rest count as a row each until the background count reaches them.
        const int rowsInView = m_view->viewport()->height() / qMax(1, m_metrics.lineHeight()) + 1;
        for (int l = qMax(0, line - rowsInView); l < line; ++l)
            rowsOf(l);
    }
    const std::vector<int> &rows = rowsOf(line);
    const int offset = position - m_doc.lineStart(line);
    const int rowInLine = int(std::upper_bound(rows.begin(), rows.end(), offset) - rows.begin()) - 1;
    return int(qMin<qint64>(m_rows.estimatedRowsBefore(line) + rowInLine, INT_MAX));
}

int OwnEngine::rowOfPosition(int position)
{
    return lineFromPosition(position);
}

bool OwnEngine::linesCurrent() const
{
    if (!m_wrap)
        return true;
    if (wrapWidth() != m_layoutWidth)
        return false;
    return m_rows.firstUnknownBefore(m_doc.lineFromPosition(selectionStart())) < 0;
}

void OwnEngine::locateRow(qint64 row, int &line, int &rowInLine)
{
    row = qMax<qint64>(0, row);
    if (!m_wrap) {
        line = int(qMin<qint64>(row, m_doc.lineCount() - 1));
        rowInLine = 0;
        return;
    }
    if (wrapWidth() != m_layoutWidth)
        invalidateRows();
    for (;;) {
        const text::DisplayLines::Hit hit = m_rows.blockOfEstimatedRow(row);
        if (hit.block < 0) {
            line = m_doc.lineCount() - 1;
            rowInLine = int(rowsOf(line).size()) - 1;
            return;
        }
        if (m_rows.rows(hit.block) != text::DisplayLines::Unknown) {
            line = hit.block;
            rowInLine = hit.rowInBlock;
            return;
        }
        m_rows.setRows(hit.block, int(rowsOf(hit.block).size()));   // the row now falls on its first row
    }
}

int OwnEngine::lineStart(int row)
{
    if (row < 0)
        return -1;
    if (!m_wrap)
        return row < m_doc.lineCount() ? m_doc.lineStart(row) : -1;
    if (row >= totalRows()) {
        // Beyond the estimate only when every line is counted.
        if (m_rows.firstUnknownBefore(m_rows.blockCount()) < 0)
            return -1;
    }
    int line = 0, rowInLine = 0;
    locateRow(row, line, rowInLine);
    const std::vector<int> &rows = rowsOf(line);
    if (m_rows.estimatedRowsBefore(line) + rowInLine != row || rowInLine >= int(rows.size()))
        return -1;
    return m_doc.lineStart(line) + rows[size_t(rowInLine)];
}

qint64 OwnEngine::totalRows()
{
    if (!m_wrap)
        return m_doc.lineCount();
    if (wrapWidth() != m_layoutWidth)
        invalidateRows();
    return m_rows.estimatedRows();
}

// --- Look ---

void OwnEngine::setFont(const QFont &font)
{
    const ViewAnchor anchor = viewAnchor();
    m_metrics.setFont(font);
    m_view->setFont(font);
    m_view->m_widest = 0;
    m_lines.clear();
    invalidateRows();
    m_view->updateScrollBars();
    keepInView(anchor);
    placeAnchor();
}

void OwnEngine::setTabStops(const QList<qreal> &stops, qreal distance)
{
    const ViewAnchor anchor = viewAnchor();
    m_metrics.setTabStops(stops, distance);
    m_stops = stops;
    m_tabDistance = distance;
    m_view->m_widest = 0;
    m_lines.clear();
    invalidateRows();
    m_view->updateScrollBars();
    keepInView(anchor);
    placeAnchor();
}

void OwnEngine::setWrap(bool wrap)
{
    const ViewAnchor anchor = viewAnchor();
    m_wrap = wrap;
    m_view->m_widest = 0;
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_view->horizontalScrollBar()->setValue(0);
    invalidateRows();
    m_view->updateScrollBars();
    // The caret's neighbourhood is laid out now; the rows above it count later.
    keepInView(anchor);
    placeAnchor();
    m_view->viewport()->update();
}

// --- Files ---

text::TextFormat OwnEngine::load(QByteArray &&bytes)
{
    m_anchorToKeep = ViewAnchor();
    const int before = m_doc.length();
    m_view->noteRemoval(0, before);
    m_doc.setBytes(std::move(bytes));
    m_view->noteEdit(0, before, m_doc.length());
    bytes = QByteArray();
    m_anchor = m_position = 0;
    m_lines.clear();
    invalidateRows();
    m_view->m_widest = 0;
    m_view->verticalScrollBar()->setValue(0);
    m_view->horizontalScrollBar()->setValue(0);
    changed();
    selectionMoved();
    return m_doc.format();
}

bool OwnEngine::fits(text::Encoding encoding) const
{
    return m_doc.canStore(encoding);
}

int OwnEngine::writeTo(const text::TextFormat &format, const text::ByteSink &sink, qsizetype *substituted) const
{
    return m_doc.writeTo(format, sink, substituted);
}

}
