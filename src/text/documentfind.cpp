// Find over the document's stored bytes: runs of pieces that lie side by side in one buffer are scanned
// as one stretch of bytes, and the few places where two runs meet are searched in their decoded text.
#include "text/document.h"

#include "text/bytefind_p.h"

#include <QVarLengthArray>

#include <climits>
#include <optional>

namespace text {

using namespace pieces;

namespace {

struct PieceAt
{
    int leaf = 0;
    int index = 0;
    qint64 unit = 0;   // the document position where the piece starts
};

}

int Document::find(QStringView needle, int start, int end, int options) const
{
    const int total = length();
    end = end < 0 || end > total ? total : end;
    start = qMax(start, 0);
    const qint64 n = needle.size();
    if (n == 0 || start + n > end)
        return -1;
    if (!bytefind::Matcher::searchable(needle))
        return text::find(blocks(), needle, start, end, options);

    const bool wholeWord = options & WholeWord;
    const int textOptions = options & ~WholeWord;
    // Whole words are judged with the document's own neighbours, wherever the match was found.
    auto accept = [&](qint64 at) {
        if (!wholeWord)
            return true;
        const qint64 from = qMax<qint64>(0, at - 2);
        const QString around = text(int(from), int(qMin<qint64>(total, at + n + 2) - from));
        return isWholeWord(around, at - from, n);
    };
    // Matches in decoded text at [from, to): the seam between two runs, and UTF-16 pieces.
    auto findDecoded = [&](qint64 from, qint64 to) -> qint64 {
        from = qMax<qint64>(from, start);
        to = qMin<qint64>(to, end);
        if (to - from < n)
            return -1;
        const QString hay = text(int(from), int(to - from));
        for (qsizetype at = 0; (at = findInText(hay, needle, at, hay.size(), textOptions)) >= 0; ++at) {
            if (accept(from + at))
                return from + at;
        }
        return -1;
    };

    std::optional<bytefind::Matcher> matchers[5];
    auto matcherFor = [&](Kind kind) -> const bytefind::Matcher & {
        std::optional<bytefind::Matcher> &m = matchers[int(kind)];
        if (!m)
            m.emplace(needle, options & MatchCase, kind);
        return *m;
    };

    const Loc loc = locate(start);
    PieceAt at{loc.leaf, loc.index, start - loc.offset};
    auto pieceOf = [&](const PieceAt &p) -> const Piece * {
        return p.leaf < int(m_leaves.size()) && p.index < int(m_leaves[size_t(p.leaf)].pieces.size())
            ? &m_leaves[size_t(p.leaf)].pieces[size_t(p.index)] : nullptr;
    };
    auto next = [&](PieceAt p) {
        p.unit += pieceOf(p)->units;
        if (++p.index >= int(m_leaves[size_t(p.leaf)].pieces.size())) {
            ++p.leaf;
            p.index = 0;
        }
        return p;
    };
    // The byte where a document position stands inside a piece (the start of an atom it falls in).
    auto byteAt = [&](const Piece &piece, qint64 unit) {
        qint64 atomEnd = -1;
        int atomUnit = 0;
        return byteOfUnit(piece, unit, &atomEnd, &atomUnit);
    };

    while (const Piece *first = pieceOf(at)) {
        if (at.unit + n > end)
            return -1;
        const Kind kind = first->added ? Kind::Added : kindOf(m_sourceEncoding);
        const auto *begin = reinterpret_cast<const uchar *>(bufferOf(*first));
        // The run: pieces that follow one another in the same buffer, up to the end of the search.
        PieceAt last = at;
        qint64 bytes = first->bytes;
        if (kind != Kind::Utf16LE && kind != Kind::Utf16BE) {
            for (PieceAt p = next(last); const Piece *piece = pieceOf(p); p = next(p)) {
                if (p.unit >= end || piece->added != first->added
                    || reinterpret_cast<const uchar *>(bufferOf(*piece)) != begin + bytes)
                    break;
                bytes += piece->bytes;
                last = p;
            }
        }
        const qint64 runEnd = last.unit + pieceOf(last)->units;

        if (kind == Kind::Utf16LE || kind == Kind::Utf16BE) {
            const qint64 hit = findDecoded(at.unit, runEnd);
            if (hit >= 0)
                return int(hit);
        } else {
            const bytefind::Matcher &matcher = matcherFor(kind);
            const uchar *from = begin + (start > at.unit ? byteAt(*first, start - at.unit) : 0);
            const uchar *stop = begin + bytes;
            if (end < runEnd) {
                const qint64 lastBytes = pieceOf(last)->bytes;
                stop = begin + bytes - lastBytes + byteAt(*pieceOf(last), end - last.unit);
            }
            // Positions of the candidates, counted on from the last one: a run is walked once.
            PieceAt walkPiece = at;
            const uchar *walkFrom = begin;
            for (const uchar *m; (m = matcher.find(begin, from, stop)) != nullptr; from = m + 1) {
                const Piece *piece = pieceOf(walkPiece);
                while (walkFrom + piece->bytes <= m) {
                    walkFrom += piece->bytes;
                    walkPiece = next(walkPiece);
                    piece = pieceOf(walkPiece);
                }
                const auto *p0 = reinterpret_cast<const uchar *>(bufferOf(*piece));
                const qint64 within = piece->simple ? m - walkFrom
                    : piece->counted ? walkCounted(kind, p0, m, LLONG_MAX, LLONG_MAX).units
                                     : walk(kind, p0, m, LLONG_MAX, LLONG_MAX).units;
                const qint64 position = walkPiece.unit + within;
                if (position >= start && position + n <= end && accept(position))
                    return int(position);
            }
        }
        if (runEnd >= end)
            return -1;
        // A match across the seam to the next run.
        const qint64 seam = findDecoded(runEnd - n + 1, runEnd + n - 1);
        if (seam >= 0)
            return int(seam);
        at = next(last);
    }
    return -1;
}

} // namespace text
