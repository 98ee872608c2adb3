// The document's pieces, their index of leaves with running sums, and the queries a view makes.
#include "text/document.h"

#include "text/documentreader_p.h"
#include "text/pieces_p.h"

#include <algorithm>
#include <climits>

namespace text {

using namespace pieces;

Document::Document() : Document(Limits()) {}

Document::Document(const Limits &limits) : m_limits(limits), m_source(std::make_unique<Source>(*this))
{
    m_limits.pieceBytes = qBound(1, m_limits.pieceBytes, 1 << 19);   // cache keys hold a piece's size in 20 bits
    m_limits.addedBlockBytes = std::max(4, m_limits.addedBlockBytes);   // a unit takes up to three bytes
    clear();
}

Document::~Document() = default;

void Document::clear(const TextFormat &format)
{
    reset(QByteArray(), {}, format);
}

void Document::reset(QByteArray bytes, std::vector<Piece> pieces, const TextFormat &format)
{
    m_original = std::move(bytes);
    m_addedBlocks.clear();
    m_addedEnd = 0;
    m_format = format;
    m_sourceEncoding = format.encoding;
    m_reencoded = false;
    setPieces(pieces);
    m_cache.clear();
    m_cacheBytes = 0;
    resetUndo();
}

// The leaves anew, three quarters full, over pieces in text order.
void Document::setPieces(const std::vector<Piece> &pieces)
{
    m_leaves.clear();
    const size_t perLeaf = size_t(std::max(1, m_limits.leafPieces * 3 / 4));
    for (size_t i = 0; i < pieces.size(); i += perLeaf) {
        Leaf leaf;
        leaf.pieces.assign(pieces.begin() + qsizetype(i), pieces.begin() + qsizetype(std::min(pieces.size(), i + perLeaf)));
        for (const Piece &p : leaf.pieces) {
            leaf.units += p.units;
            leaf.breaks += p.breaks;
            leaf.bytes += p.bytes;
        }
        m_leaves.push_back(std::move(leaf));
    }
    if (m_leaves.empty())
        m_leaves.emplace_back();
    m_validPrefix = 0;
    ++m_revision;
}

// ---- one piece -------------------------------------------------------------------------------

const char *Document::bufferOf(const Piece &piece) const
{
    return piece.added ? reinterpret_cast<const char *>(addedAt(piece.start)) : m_original.constData() + piece.start;
}

static Kind stepKind(const Document::Piece &piece, Encoding source)
{
    return piece.added ? Kind::Added : pieces::kindOf(source);
}

Document::PieceText Document::decodePiece(const Piece &piece) const
{
    const auto *p = reinterpret_cast<const uchar *>(bufferOf(piece));
    const uchar *end = p + piece.bytes;
    PieceText out;
    if (!piece.added) {
        Decoded d = decode(QByteArrayView(p, piece.bytes), TextFormat{m_sourceEncoding, false, LineEnd::LF});
        out.text = std::move(d.text);
        out.ends.reserve(d.ends.size());
        for (LineEnd e : d.ends)
            out.ends.push_back(static_cast<unsigned char>(e));
        return out;
    }
    out.text.resize(piece.units);
    char16_t *o = reinterpret_cast<char16_t *>(out.text.data());
    while (p < end) {
        const uchar b = *p;
        if (b < 0x80) {
            *o++ = b;
            if (b == '\n')
                out.ends.push_back(MainEnd);
            ++p;
        } else if (b >= AddedEnd) {
            *o++ = u'\n';
            out.ends.push_back(b - AddedEnd);
            ++p;
        } else if (b >= 0xE0) {
            *o++ = char16_t((b & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F));
            p += 3;
        } else {
            *o++ = char16_t((b & 0x1F) << 6 | (p[1] & 0x3F));
            p += 2;
        }
    }
    return out;
}

const QString &Document::cachedText(const Piece &piece) const
{
    const quint64 key = quint64(piece.start) << 21 | quint64(piece.bytes) << 1 | quint64(piece.added);
    auto it = m_cache.find(key);
    if (it == m_cache.end()) {
        if (m_cacheBytes > m_limits.cacheBudget) {
            // Forget the older half; what is read next is most often near what was read last.
            std::vector<quint64> stamps;
            stamps.reserve(size_t(m_cache.size()));
            for (const CacheEntry &e : std::as_const(m_cache))
                stamps.push_back(e.used);
            std::nth_element(stamps.begin(), stamps.begin() + qsizetype(stamps.size() / 2), stamps.end());
            const quint64 cut = stamps[stamps.size() / 2];
            for (auto old = m_cache.begin(); old != m_cache.end();) {
                if (old->used < cut) {
                    m_cacheBytes -= old->text.size() * 2;
                    old = m_cache.erase(old);
                } else {
                    ++old;
                }
            }
        }
        it = m_cache.insert(key, CacheEntry{decodePiece(piece).text, 0});
        m_cacheBytes += it->text.size() * 2;
    }
    it->used = ++m_cacheClock;
    return it->text;
}

// Where unit `unit` of the piece starts. Inside an atom (a surrogate pair or the placeholders of
// one sequence) it returns the atom's start and sets *atomEnd and *atomUnit, its first unit.
qint64 Document::byteOfUnit(const Piece &piece, qint64 unit, qint64 *atomEnd, int *atomUnit) const
{
    *atomEnd = -1;
    if (piece.simple)
        return unit;
    const auto *begin = reinterpret_cast<const uchar *>(bufferOf(piece));
    const uchar *end = begin + piece.bytes;
    const Kind kind = stepKind(piece, m_sourceEncoding);
    if (piece.counted)
        return walkCounted(kind, begin, end, unit, LLONG_MAX).p - begin;
    const Walk w = walk(kind, begin, end, unit, LLONG_MAX);
    if (!w.atom)
        return w.p - begin;
    *atomEnd = w.atom - begin + stepAt(kind, w.atom, end).bytes;
    *atomUnit = int(w.units);
    return w.atom - begin;
}

qint64 Document::breaksBefore(const Piece &piece, qint64 unit) const
{
    const auto *begin = reinterpret_cast<const uchar *>(bufferOf(piece));
    if (piece.simple)
        return countByte(begin, begin + unit, '\n');
    if (piece.counted)
        return walkCounted(stepKind(piece, m_sourceEncoding), begin, begin + piece.bytes, unit, LLONG_MAX).breaks;
    // An atom is never a break, so stopping before one loses none.
    return walk(stepKind(piece, m_sourceEncoding), begin, begin + piece.bytes, unit, LLONG_MAX).breaks;
}

qint64 Document::unitAfterBreak(const Piece &piece, qint64 nth) const
{
    const auto *begin = reinterpret_cast<const uchar *>(bufferOf(piece));
    const uchar *end = begin + piece.bytes;
    if (piece.simple) {
        for (const uchar *p = begin;; ++p) {
            p = static_cast<const uchar *>(std::memchr(p, '\n', size_t(end - p)));
            if (--nth == 0)
                return p - begin + 1;
        }
    }
    if (piece.counted)
        return walkCounted(stepKind(piece, m_sourceEncoding), begin, end, LLONG_MAX, nth).units;
    return walk(stepKind(piece, m_sourceEncoding), begin, end, LLONG_MAX, nth).units;
}

Document::Piece Document::subPiece(const Piece &piece, qint64 fromByte, qint64 toByte) const
{
    Piece sub = piece;
    sub.start = piece.start + fromByte;
    sub.bytes = qint32(toByte - fromByte);
    const auto *p = reinterpret_cast<const uchar *>(bufferOf(sub));
    const Counts c = countSteps(stepKind(piece, m_sourceEncoding), p, p + sub.bytes);
    sub.units = qint32(c.units);
    sub.breaks = qint32(c.breaks);
    sub.simple = c.simple;
    sub.counted = c.counted;
    return sub;
}

// ---- the index ---------------------------------------------------------------------------------

void Document::ensurePrefix() const
{
    const int count = int(m_leaves.size());
    if (m_unitsBefore.size() != size_t(count) + 1) {
        m_unitsBefore.resize(size_t(count) + 1);
        m_breaksBefore.resize(size_t(count) + 1);
        m_validPrefix = std::min(m_validPrefix, count);
    }
    m_unitsBefore[0] = m_breaksBefore[0] = 0;
    for (int i = m_validPrefix; i < count; ++i) {
        m_unitsBefore[size_t(i) + 1] = m_unitsBefore[size_t(i)] + m_leaves[size_t(i)].units;
        m_breaksBefore[size_t(i) + 1] = m_breaksBefore[size_t(i)] + m_leaves[size_t(i)].breaks;
    }
    m_validPrefix = count;
}

void Document::invalidate(int leaf)
{
    m_validPrefix = std::min(m_validPrefix, leaf);
}

// The piece holding `position`; at the end, one past the last leaf's last piece.
Document::Loc Document::locate(qint64 position) const
{
    ensurePrefix();
    const auto last = m_unitsBefore.begin() + qsizetype(m_leaves.size());
    int leaf = int(std::upper_bound(m_unitsBefore.begin(), last, position) - m_unitsBefore.begin()) - 1;
    leaf = std::max(leaf, 0);
    qint64 acc = m_unitsBefore[size_t(leaf)];
    const std::vector<Piece> &pieces = m_leaves[size_t(leaf)].pieces;
    for (int i = 0; i < int(pieces.size()); ++i) {
        if (position < acc + pieces[size_t(i)].units)
            return {leaf, i, position - acc};
        acc += pieces[size_t(i)].units;
    }
    return {leaf, int(pieces.size()), 0};
}

// The parts of `piece` cut at unit `offset` (inside it); parts [0, right) lie before the cut.
std::vector<Document::Piece> Document::cutPiece(const Piece &piece, qint64 offset, int &right)
{
    qint64 atomEnd = -1;
    int atomUnit = 0;
    const qint64 byte = byteOfUnit(piece, offset, &atomEnd, &atomUnit);
    std::vector<Piece> parts;
    right = 1;
    if (atomEnd < 0 && piece.simple) {
        // Counting only the shorter side keeps a run of cuts near one end of a long piece cheap.
        Piece left = piece, rest = piece;
        if (2 * byte <= piece.bytes) {
            left = subPiece(piece, 0, byte);
            rest.start += byte;
            rest.bytes -= left.bytes;
            rest.units -= left.units;
            rest.breaks -= left.breaks;
        } else {
            rest = subPiece(piece, byte, piece.bytes);
            left.bytes -= rest.bytes;
            left.units -= rest.units;
            left.breaks -= rest.breaks;
        }
        parts = {left, rest};
    } else if (atomEnd < 0) {
        parts = {subPiece(piece, 0, byte), subPiece(piece, byte, piece.bytes)};
    } else {
        // A cut inside a pair or a byte's placeholders: the atom's units go to the added buffer,
        // where each unit stands alone, and save puts them back together as the same bytes.
        if (byte > 0)
            parts.push_back(subPiece(piece, 0, byte));
        const QString units = decodePiece(subPiece(piece, byte, atomEnd)).text;
        const qint64 inner = offset - atomUnit;
        for (const Piece &p : appendAdded(units.left(inner)))
            parts.push_back(p);
        right = int(parts.size());
        for (const Piece &p : appendAdded(units.mid(inner)))
            parts.push_back(p);
        if (atomEnd < piece.bytes)
            parts.push_back(subPiece(piece, atomEnd, piece.bytes));
    }
    return parts;
}

// Makes `position` the start of a piece and returns that piece's place.
Document::Loc Document::splitAt(qint64 position)
{
    const Loc loc = locate(position);
    if (loc.offset == 0)
        return loc;
    Leaf &leaf = m_leaves[size_t(loc.leaf)];
    int right = 1;
    const std::vector<Piece> parts = cutPiece(leaf.pieces[size_t(loc.index)], loc.offset, right);
    leaf.pieces.erase(leaf.pieces.begin() + loc.index);
    leaf.pieces.insert(leaf.pieces.begin() + loc.index, parts.begin(), parts.end());
    leaf.bytes = 0;
    for (const Piece &p : leaf.pieces)
        leaf.bytes += p.bytes;
    return {loc.leaf, loc.index + right, 0};
}

std::vector<Document::Piece> Document::splice(qint64 position, qint64 length, const std::vector<Piece> &pieces)
{
    ++m_revision;
    splitAt(position + length);
    const Loc a = splitAt(position);
    const Loc b = locate(position + length);
    std::vector<Piece> removed;
    for (int l = a.leaf; l <= b.leaf; ++l) {
        std::vector<Piece> &v = m_leaves[size_t(l)].pieces;
        const int from = l == a.leaf ? a.index : 0;
        const int to = l == b.leaf ? b.index : int(v.size());
        removed.insert(removed.end(), v.begin() + from, v.begin() + to);
        v.erase(v.begin() + from, v.begin() + to);
    }
    std::vector<Piece> &target = m_leaves[size_t(a.leaf)].pieces;
    target.insert(target.begin() + a.index, pieces.begin(), pieces.end());
    // Text typed or replaced piece after piece lies side by side in the added buffer: one piece again.
    for (const size_t at : {size_t(a.index) + pieces.size(), size_t(a.index)}) {
        if (at > 0 && at < target.size() && joinable(target[at - 1], target[at])) {
            join(target[at - 1], target[at]);
            target.erase(target.begin() + qsizetype(at));
        }
    }
    normalize(a.leaf, b.leaf);
    return removed;
}

// Sums of leaves [first, last] anew; empty leaves go, crowded ones split.
void Document::normalize(int first, int last)
{
    const size_t cap = size_t(std::max(2, m_limits.leafPieces));
    std::vector<Leaf> fresh;
    for (int l = first; l <= last; ++l) {
        Leaf &leaf = m_leaves[size_t(l)];
        const size_t n = leaf.pieces.size();
        const size_t parts = n <= cap ? 1 : (n + cap / 2 - 1) / (cap / 2);
        for (size_t k = 0; k < parts; ++k) {
            Leaf part;
            if (parts == 1)
                part.pieces = std::move(leaf.pieces);
            else
                part.pieces.assign(leaf.pieces.begin() + qsizetype(k * n / parts), leaf.pieces.begin() + qsizetype((k + 1) * n / parts));
            for (const Piece &p : part.pieces) {
                part.units += p.units;
                part.breaks += p.breaks;
                part.bytes += p.bytes;
            }
            if (!part.pieces.empty())
                fresh.push_back(std::move(part));
        }
    }
    if (fresh.empty() && m_leaves.size() == size_t(last - first + 1))
        fresh.emplace_back();
    if (fresh.size() == size_t(last - first + 1)) {
        std::move(fresh.begin(), fresh.end(), m_leaves.begin() + first);
    } else {
        m_leaves.erase(m_leaves.begin() + first, m_leaves.begin() + last + 1);
        m_leaves.insert(m_leaves.begin() + first, std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
    }
    invalidate(first);
}

int Document::pieceCount() const
{
    int n = 0;
    for (const Leaf &leaf : m_leaves)
        n += int(leaf.pieces.size());
    return n;
}

// ---- queries ---------------------------------------------------------------------------------------

int Document::length() const
{
    ensurePrefix();
    return int(m_unitsBefore.back());
}

int Document::lineCount() const
{
    ensurePrefix();
    return int(m_breaksBefore.back()) + 1;
}

int Document::lineFromPosition(int position) const
{
    position = qBound(0, position, length());
    const Loc loc = locate(position);
    qint64 breaks = m_breaksBefore[size_t(loc.leaf)];
    const std::vector<Piece> &pieces = m_leaves[size_t(loc.leaf)].pieces;
    for (int i = 0; i < loc.index; ++i)
        breaks += pieces[size_t(i)].breaks;
    if (loc.index < int(pieces.size()) && loc.offset > 0)
        breaks += breaksBefore(pieces[size_t(loc.index)], loc.offset);
    return int(breaks);
}

int Document::lineStart(int line) const
{
    line = qBound(0, line, lineCount() - 1);
    if (line == 0)
        return 0;
    const auto last = m_breaksBefore.begin() + qsizetype(m_leaves.size()) + 1;
    // The first leaf whose breaks reach the line's.
    const int leaf = int(std::lower_bound(m_breaksBefore.begin() + 1, last, qint64(line)) - m_breaksBefore.begin()) - 1;
    qint64 breaks = m_breaksBefore[size_t(leaf)];
    qint64 units = m_unitsBefore[size_t(leaf)];
    for (const Piece &p : m_leaves[size_t(leaf)].pieces) {
        if (breaks + p.breaks >= line)
            return int(units + unitAfterBreak(p, line - breaks));
        breaks += p.breaks;
        units += p.units;
    }
    return int(units);
}

int Document::lineLength(int line) const
{
    line = qBound(0, line, lineCount() - 1);
    const int end = line + 1 < lineCount() ? lineStart(line + 1) - 1 : length();
    return end - lineStart(line);
}

LineEnd Document::lineEnd(int line) const
{
    if (line < 0 || line + 1 >= lineCount())
        return m_format.lineEnd;
    const Loc loc = locate(lineStart(line + 1) - 1);
    const Piece &piece = m_leaves[size_t(loc.leaf)].pieces[size_t(loc.index)];
    qint64 atomEnd = -1;
    int atomUnit = 0;
    const qint64 byte = byteOfUnit(piece, loc.offset, &atomEnd, &atomUnit);
    const auto *p = reinterpret_cast<const uchar *>(bufferOf(piece)) + byte;
    const pieces::Step s = stepAt(stepKind(piece, m_sourceEncoding), p, p + (piece.bytes - byte));
    const PieceText t = decodePiece(subPiece(piece, byte, byte + s.bytes));
    return t.ends.empty() || t.ends[0] == MainEnd ? m_format.lineEnd : LineEnd(t.ends[0]);
}

QString Document::text(int position, int count) const
{
    const int total = length();
    position = qBound(0, position, total);
    count = qBound(0, count, total - position);
    QString out;
    out.reserve(count);
    Loc loc = locate(position);
    qint64 offset = loc.offset;
    for (int l = loc.leaf, i = loc.index; out.size() < count; ++i) {
        if (i >= int(m_leaves[size_t(l)].pieces.size())) {
            ++l;
            i = -1;
            continue;
        }
        // A long read passes through once; the cache is for what the view reads again and again.
        const Piece &piece = m_leaves[size_t(l)].pieces[size_t(i)];
        if (piece.simple && (piece.added || m_sourceEncoding == Encoding::Utf8)) {
            // ASCII reads as it is stored: no need to decode the whole piece for a few of its characters.
            const qint64 n = std::min<qint64>(piece.units - offset, count - out.size());
            out += QLatin1StringView(bufferOf(piece) + offset, qsizetype(n));
            offset = 0;
            continue;
        }
        const QString t = count > 65536 ? decodePiece(piece).text : cachedText(piece);
        out += QStringView(t).mid(offset, std::min<qint64>(t.size() - offset, count - out.size()));
        offset = 0;
    }
    return out;
}

QChar Document::charAt(int position) const
{
    if (position < 0 || position >= length())
        return {};
    // Only the step that holds the character is decoded, never its whole piece.
    const Loc loc = locate(position);
    const Piece &piece = m_leaves[size_t(loc.leaf)].pieces[size_t(loc.index)];
    const auto *p = reinterpret_cast<const uchar *>(bufferOf(piece));
    if (piece.simple && (piece.added || m_sourceEncoding == Encoding::Utf8))
        return QChar(p[loc.offset]);
    qint64 atomEnd = -1;
    int atomUnit = 0;
    const qint64 byte = byteOfUnit(piece, loc.offset, &atomEnd, &atomUnit);
    if (atomEnd < 0) {
        atomEnd = byte + stepAt(stepKind(piece, m_sourceEncoding), p + byte, p + piece.bytes).bytes;
        atomUnit = int(loc.offset);
    }
    return decodePiece(subPiece(piece, byte, atomEnd)).text.at(loc.offset - atomUnit);
}

const BlockSource &Document::blocks() const
{
    return *m_source;
}

} // namespace text
