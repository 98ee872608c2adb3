// Edits of the document: the added buffer they write to, and undo as piece changes replayed.
#include "text/document.h"

#include "text/pieces_p.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace text {

using namespace pieces;

// ---- the added buffer ----------------------------------------------------------------------------

// Room for n bytes in the current block; the rest of a block too small for them is filled and skipped.
uchar *Document::addedRoom(qint64 n)
{
    const qint64 block = m_limits.addedBlockBytes;
    if (m_addedEnd % block + n > block) {
        uchar *tail = addedAt(m_addedEnd);
        std::memset(tail, Filler, size_t(block - m_addedEnd % block));
        m_addedEnd += block - m_addedEnd % block;
    }
    if (m_addedEnd / block >= qint64(m_addedBlocks.size()))
        m_addedBlocks.emplace_back(new uchar[size_t(block)]);
    return addedAt(m_addedEnd);
}

qint64 Document::addedSpace() const
{
    const qint64 block = m_limits.addedBlockBytes;
    return m_addedEnd / block < qint64(m_addedBlocks.size()) ? block - m_addedEnd % block : 0;
}

void Document::appendUnits(QStringView text)
{
    const auto *s = reinterpret_cast<const char16_t *>(text.utf16());
    const char16_t *const end = s + text.size();
    while (s < end) {
        // As many units as surely fit (three bytes at most each); at least one, in a fresh block if need be.
        qint64 n = std::min<qint64>(end - s, addedSpace() / 3);
        uchar *o = addedRoom(std::max<qint64>(n, 1) * 3);
        n = std::max<qint64>(n, std::min<qint64>(end - s, addedSpace() / 3));
        uchar *const start = o;
        for (const char16_t *stop = s + n; s < stop; ++s) {
            const char16_t c = *s;
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
        m_addedEnd += o - start;
    }
}

void Document::appendBreak(unsigned char end)
{
    // The main end stays the main end for good (a save in UTF-8 keeps it), so '\n' says it in one byte.
    *addedRoom(1) = end == MainEnd || end == static_cast<unsigned char>(m_format.lineEnd) ? '\n' : uchar(AddedEnd + end);
    ++m_addedEnd;
}

std::vector<Document::Piece> Document::cutAdded(qint64 from, qint64 to) const
{
    std::vector<Piece> out;
    const qint64 block = m_limits.addedBlockBytes;
    while (from < to) {
        if (*addedAt(from) == Filler) {
            from += block - from % block;   // filler runs to the end of its block
            continue;
        }
        // Cut before a unit's first byte, inside one block; a unit longer than the limit stays whole.
        const qint64 limit = std::min(to, from + block - from % block);
        const uchar *const buffer = addedAt(from) - from % block;   // the block, indexed by from % block
        const auto at = [&](qint64 v) { return buffer[v % block]; };
        qint64 cut = std::min(limit, from + m_limits.pieceBytes);
        while (cut < limit && cut > from && (at(cut) & 0xC0) == 0x80)
            --cut;
        if (cut == from) {
            for (cut = from + 1; cut < limit && (at(cut) & 0xC0) == 0x80;)
                ++cut;
        }
        qint64 last = cut;
        while (last > from && at(last - 1) == Filler)
            --last;
        Piece p;
        p.added = true;
        p.start = from;
        p.bytes = qint32(last - from);
        const Counts c = countSteps(Kind::Added, addedAt(from), addedAt(from) + p.bytes);
        p.units = qint32(c.units);
        p.breaks = qint32(c.breaks);
        p.simple = c.simple;
        p.counted = c.counted;
        if (p.bytes > 0)
            out.push_back(p);
        from = cut;
    }
    return out;
}

std::vector<Document::Piece> Document::appendAdded(QStringView text)
{
    const qint64 from = m_addedEnd;
    appendUnits(text);
    return cutAdded(from, m_addedEnd);
}

// Typing at the end of the last typed piece grows that piece instead of adding one per key.
bool Document::extendTyping(qint64 position, QStringView text, Change &change)
{
    if (position == 0)
        return false;
    const Loc loc = locate(position - 1);
    Leaf &leaf = m_leaves[size_t(loc.leaf)];
    Piece &piece = leaf.pieces[size_t(loc.index)];
    // The piece must end where the next byte goes, with room in its block for the whole text.
    if (!piece.added || loc.offset != piece.units - 1 || piece.start + piece.bytes != m_addedEnd
        || addedSpace() < 3 * text.size() || piece.bytes + 3 * text.size() > m_limits.pieceBytes)
        return false;
    const qint64 from = m_addedEnd;
    appendUnits(text);
    const qint64 grown = m_addedEnd - from;
    ++m_revision;
    std::vector<Piece> part = cutAdded(from, from + grown);
    piece.bytes += qint32(grown);
    piece.units += part[0].units;
    piece.breaks += part[0].breaks;
    piece.simple = piece.simple && part[0].simple;
    piece.counted = piece.counted && part[0].counted;
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
    QString settled;
    std::vector<unsigned char> ends;
    if (settleBytes(position, removedLength, text, settled, ends))
        return replaceSettled(position, removedLength, settled, ends);
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

bool Document::typeOver(int position, int removedLength, QStringView text)
{
    const qint64 total = length();
    if (removedLength == 0 || text.isEmpty() || text.contains(u'\n'))
        return replace(position, removedLength, text);
    if (position < 0 || removedLength < 0 || position > total || removedLength > total - position)
        return false;
    if (total - removedLength + text.size() > INT_MAX)
        return false;
    Change change;
    change.position = position;
    change.removedUnits = removedLength;
    change.insertedUnits = text.size();
    change.inserted = appendAdded(text);
    change.removed = splice(position, removedLength, change.inserted);
    m_mergeable = false;
    record(std::move(change), StepKind::Insert);
    return true;
}

// Every change made forward passes here, once the text holds it: the observer hears of it first.
void Document::record(Change change, StepKind kind)
{
    if (m_observer)
        m_observer(int(change.position), int(change.removedUnits), int(change.insertedUnits));
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

// Neighbours in one buffer that read the same as one piece: ASCII of the file, or typed text in one block.
bool Document::joinable(const Piece &a, const Piece &b) const
{
    if (a.added != b.added || a.start + a.bytes != b.start || a.bytes + b.bytes > m_limits.pieceBytes)
        return false;
    if (a.added)
        return a.start / m_limits.addedBlockBytes == (b.start + b.bytes - 1) / m_limits.addedBlockBytes;
    return a.simple && b.simple;
}

void Document::join(Piece &a, const Piece &b)
{
    a.bytes += b.bytes;
    a.units += b.units;
    a.breaks += b.breaks;
    a.simple = a.simple && b.simple;
    a.counted = a.counted && b.counted;
}

// Replaces sorted, separate spans of the text in one walk over the pieces, joining the pieces that
// an undo puts back beside each other: replaying a hundred thousand changes one by one would move
// the leaves after each of them.
void Document::spliceInOnePass(const std::vector<Span> &spans)
{
    std::vector<Piece> out;
    out.reserve(size_t(pieceCount()) + spans.size());
    const auto put = [&](const Piece &p) {
        if (p.bytes == 0)
            return;
        if (!out.empty() && joinable(out.back(), p))
            join(out.back(), p);
        else
            out.push_back(p);
    };
    size_t next = 0;
    bool inside = false;   // within spans[next], whose old pieces are dropped
    qint64 at = 0;
    // Puts in what the spans that start or end at `at` bring; true while the text there is kept.
    const auto settle = [&] {
        while (next < spans.size()) {
            const Span &span = spans[next];
            if (!inside && span.position == at) {
                for (const Piece &p : *span.pieces)
                    put(p);
                inside = true;
            }
            if (inside && span.position + span.length == at) {
                inside = false;
                ++next;
                continue;
            }
            break;
        }
        return !inside;
    };
    std::vector<Piece> rest;   // what is left of the current piece, last part first
    for (const Leaf &leaf : m_leaves) {
        for (const Piece &whole : leaf.pieces) {
            rest.assign(1, whole);
            while (!rest.empty()) {
                const Piece piece = rest.back();
                rest.pop_back();
                const bool keep = settle();
                const qint64 cut = next == spans.size() ? LLONG_MAX : inside ? spans[next].position + spans[next].length
                                                                             : spans[next].position;
                if (cut >= at + piece.units) {
                    if (keep)
                        put(piece);
                    at += piece.units;
                    continue;
                }
                int right = 1;
                const std::vector<Piece> parts = cutPiece(piece, cut - at, right);
                for (int i = 0; i < right; ++i) {
                    if (keep)
                        put(parts[size_t(i)]);
                    at += parts[size_t(i)].units;
                }
                for (size_t i = parts.size(); i-- > size_t(right);)
                    rest.push_back(parts[i]);
            }
        }
    }
    settle();
    ++m_revision;
    setPieces(out);
}

// A step of many changes made left to right, each after the one before, as the Replace window makes them,
// undone or redone in one pass and told as one change over the whole stretch.
bool Document::stepInOnePass(const Step &step, bool undoing, qint64 &at)
{
    const std::vector<Change> &changes = step.changes;
    if (changes.size() <= size_t(std::max(1, m_limits.passChanges)))
        return false;
    for (size_t i = 1; i < changes.size(); ++i) {
        if (changes[i].position < changes[i - 1].position + changes[i - 1].insertedUnits)
            return false;
    }
    std::vector<Span> spans;
    spans.reserve(changes.size());
    qint64 shift = 0;   // what the changes before this one added
    for (const Change &c : changes) {
        if (undoing)
            spans.push_back({c.position, c.insertedUnits, &c.removed});
        else
            spans.push_back({c.position - shift, c.removedUnits, &c.inserted});
        shift += c.insertedUnits - c.removedUnits;
    }
    spliceInOnePass(spans);
    const Change &first = changes.front(), &last = changes.back();
    const qint64 after = last.position + last.insertedUnits - first.position;   // the stretch with the changes made
    const qint64 before = after - shift;
    if (m_observer)
        m_observer(int(first.position), int(undoing ? after : before), int(undoing ? before : after));
    at = undoing ? first.position + first.removedUnits : last.position + last.insertedUnits;
    return true;
}

int Document::undo()
{
    if (m_done == 0)
        return -1;
    const Step &step = m_steps[--m_done];
    qint64 at = 0;
    if (stepInOnePass(step, true, at)) {
        m_mergeable = false;
        m_compoundOpen = false;
        return int(at);
    }
    for (auto c = step.changes.rbegin(); c != step.changes.rend(); ++c) {
        splice(c->position, c->insertedUnits, c->removed);
        if (m_observer)
            m_observer(int(c->position), int(c->insertedUnits), int(c->removedUnits));
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
    if (stepInOnePass(step, false, at)) {
        m_mergeable = false;
        m_compoundOpen = false;
        return int(at);
    }
    for (const Change &c : step.changes) {
        splice(c.position, c.removedUnits, c.inserted);
        if (m_observer)
            m_observer(int(c.position), int(c.removedUnits), int(c.insertedUnits));
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
