// Edits of the document: the added buffer they write to, and undo as piece changes replayed.
#include "text/document.h"

#include "text/pieces_p.h"

#include <algorithm>
#include <climits>

namespace text {

using namespace pieces;

// ---- the added buffer ----------------------------------------------------------------------------

void Document::appendUnits(QStringView text)
{
    const qsizetype used = m_added.size();
    const qsizetype needed = used + 3 * text.size();
    if (needed > m_added.capacity())
        m_added.reserve(std::max(needed, 2 * m_added.capacity()));
    m_added.resize(needed);
    auto *o = reinterpret_cast<uchar *>(m_added.data() + used);
    auto *const start = o;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x80) {
            *o++ = uchar(c);
        } else if (c < 0x800) {
            *o++ = uchar(0xC0 | c >> 6);
            *o++ = uchar(0x80 | (c & 0x3F));
        } else {
            *o++ = uchar(0xE0 | c >> 12);
            *o++ = uchar(0x80 | (c >> 6 & 0x3F));
            *o++ = uchar(0x80 | (c & 0x3F));
        }
    }
    m_added.truncate(used + (o - start));
}

void Document::appendBreak(unsigned char end)
{
    // The main end stays the main end for good (a save in UTF-8 keeps it), so '\n' says it in one byte.
    m_added.append(end == MainEnd || end == static_cast<unsigned char>(m_format.lineEnd) ? '\n' : char(AddedEnd + end));
}

std::vector<Document::Piece> Document::cutAdded(qint64 from, qint64 to) const
{
    std::vector<Piece> out;
    const auto *buffer = reinterpret_cast<const uchar *>(m_added.constData());
    while (from < to) {
        // Cut before a unit's first byte; a unit longer than the limit stays whole.
        qint64 cut = std::min(to, from + m_limits.pieceBytes);
        while (cut < to && cut > from && (buffer[cut] & 0xC0) == 0x80)
            --cut;
        if (cut == from) {
            for (cut = from + 1; cut < to && (buffer[cut] & 0xC0) == 0x80;)
                ++cut;
        }
        Piece p;
        p.added = true;
        p.start = from;
        p.bytes = qint32(cut - from);
        const Counts c = countSteps(Kind::Added, buffer + from, buffer + cut);
        p.units = qint32(c.units);
        p.breaks = qint32(c.breaks);
        p.simple = c.simple;
        out.push_back(p);
        from = cut;
    }
    return out;
}

std::vector<Document::Piece> Document::appendAdded(QStringView text)
{
    const qint64 from = m_added.size();
    appendUnits(text);
    return cutAdded(from, m_added.size());
}

// Typing at the end of the last typed piece grows that piece instead of adding one per key.
bool Document::extendTyping(qint64 position, QStringView text, Change &change)
{
    if (position == 0)
        return false;
    const Loc loc = locate(position - 1);
    Leaf &leaf = m_leaves[size_t(loc.leaf)];
    Piece &piece = leaf.pieces[size_t(loc.index)];
    if (!piece.added || loc.offset != piece.units - 1 || piece.start + piece.bytes != m_added.size())
        return false;
    const qint64 from = m_added.size();
    appendUnits(text);
    const qint64 grown = m_added.size() - from;
    if (piece.bytes + grown > m_limits.pieceBytes) {
        m_added.truncate(from);
        return false;
    }
    std::vector<Piece> part = cutAdded(from, from + grown);
    piece.bytes += qint32(grown);
    piece.units += part[0].units;
    piece.breaks += part[0].breaks;
    piece.simple = piece.simple && part[0].simple;
    leaf.units += part[0].units;
    leaf.breaks += part[0].breaks;
    leaf.bytes += grown;
    invalidate(loc.leaf);
    change.inserted = std::move(part);
    return true;
}

// ---- edits and undo -----------------------------------------------------------------------------------

bool Document::replace(int position, int removedLength, QStringView text)
{
    const qint64 total = length();
    if (position < 0 || removedLength < 0 || position > total || removedLength > total - position)
        return false;
    if (total - removedLength + text.size() > INT_MAX)
        return false;
    if (removedLength == 0 && text.isEmpty())
        return true;
    Change change;
    change.position = position;
    change.removedUnits = removedLength;
    change.insertedUnits = text.size();
    StepKind kind = StepKind::Other;
    if (removedLength == 0 && !text.contains(u'\n')) {
        kind = StepKind::Insert;
        if (!extendTyping(position, text, change))
            change.removed = splice(position, 0, change.inserted = appendAdded(text));
    } else {
        change.inserted = appendAdded(text);
        change.removed = splice(position, removedLength, change.inserted);
        if (text.isEmpty()) {
            kind = StepKind::Delete;
            for (const Piece &p : change.removed)
                kind = p.breaks ? StepKind::Other : kind;
        }
    }
    record(std::move(change), kind);
    return true;
}

void Document::record(Change change, StepKind kind)
{
    m_steps.resize(m_done);
    if (m_compoundDepth > 0) {
        if (!m_compoundOpen) {
            m_steps.emplace_back();
            ++m_done;
            m_compoundOpen = true;
        }
        m_steps.back().changes.push_back(std::move(change));
        return;
    }
    bool merge = m_mergeable && !m_steps.empty() && kind != StepKind::Other && m_steps.back().kind == kind;
    if (merge) {
        const Change &last = m_steps.back().changes.back();
        merge = kind == StepKind::Insert ? change.position == last.position + last.insertedUnits
                                         : change.position == last.position
                                               || change.position + change.removedUnits == last.position;
    }
    if (!merge) {
        m_steps.push_back(Step{{}, kind});
        ++m_done;
    }
    m_steps.back().changes.push_back(std::move(change));
    m_mergeable = kind != StepKind::Other;
}

void Document::beginCompound()
{
    if (m_compoundDepth++ == 0)
        m_compoundOpen = false;
}

void Document::endCompound()
{
    if (m_compoundDepth > 0 && --m_compoundDepth == 0) {
        m_compoundOpen = false;
        m_mergeable = false;
    }
}

bool Document::canUndo() const { return m_done > 0; }
bool Document::canRedo() const { return m_done < m_steps.size(); }

int Document::undo()
{
    if (m_done == 0)
        return -1;
    const Step &step = m_steps[--m_done];
    qint64 at = 0;
    for (auto c = step.changes.rbegin(); c != step.changes.rend(); ++c) {
        splice(c->position, c->insertedUnits, c->removed);
        at = c->position + c->removedUnits;
    }
    m_mergeable = false;
    m_compoundOpen = false;
    return int(at);
}

int Document::redo()
{
    if (m_done == m_steps.size())
        return -1;
    const Step &step = m_steps[m_done++];
    qint64 at = 0;
    for (const Change &c : step.changes) {
        splice(c.position, c.removedUnits, c.inserted);
        at = c.position + c.insertedUnits;
    }
    m_mergeable = false;
    m_compoundOpen = false;
    return int(at);
}

void Document::resetUndo()
{
    m_steps.clear();
    m_done = 0;
    m_mergeable = false;
    m_compoundOpen = false;
}

} // namespace text
