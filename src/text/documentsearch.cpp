// Replace All over the document's pieces, line by line, without building the whole text.
#include "text/document.h"

#include "text/documentreader_p.h"

#include <climits>

namespace text {

int Document::replaceAll(QStringView needle, QStringView with, int options, int start, int end)
{
    const int total = length();
    end = end < 0 || end > total ? total : end;
    start = qBound(0, start, end);
    if (needle.isEmpty())
        return 0;
    if (needle.contains(u'\n'))
        return replaceAcrossLines(needle, with, options, start, end);

    // Matches close together become one run of added text from the first to the end of the last;
    // a long stretch without a match keeps its pieces, so the run is cut there.
    struct Run
    {
        qint64 first, last;   // the document's range it replaces
        qint64 from, to;      // in the added buffer
    };
    const qint64 gap = 16 * qint64(m_limits.pieceBytes);
    // A run is also cut at a length, so that what one change carries (to the journal and to the screen reader,
    // and back on undo) stays in proportion to a stretch of the text, not to the whole file.
    const qint64 longestRun = 256 * qint64(m_limits.pieceBytes);
    const qint64 addedBefore = m_addedEnd;
    std::vector<Run> runs;
    Reader lines(*this, lineStart(lineFromPosition(start)));
    std::unique_ptr<Reader> copy;
    int count = 0;
    // Where a match goes and leaves placeholders side by side (or half a pair), they may now read as a character.
    bool withPlaceholder = false;
    for (qsizetype i = 0; i < with.size() && !withPlaceholder; ++i)
        withPlaceholder = isPlaceholderAt(with, i);
    std::vector<qint64> settled;
    QStringView line;
    qint64 lineStartPos = 0;
    while (lines.nextLine(line, lineStartPos) && lineStartPos <= end) {
        qsizetype at = qMax<qint64>(0, start - lineStartPos);
        const qsizetype limit = qMin<qint64>(line.size(), end - lineStartPos);
        for (qsizetype m; (m = findInText(line, needle, at, limit, options)) >= 0; at = m + needle.size()) {
            const qint64 match = lineStartPos + m;
            if (copy && match - copy->position() <= gap && match - runs.back().first <= longestRun) {
                copy->copyTo(match, *this);
            } else {
                if (copy) {
                    runs.back().last = copy->position();
                    runs.back().to = m_addedEnd;
                }
                runs.push_back({match, match, m_addedEnd, m_addedEnd});
                copy = std::make_unique<Reader>(*this, match);
            }
            appendUnits(with);
            copy->skip(needle.size());
            const qsizetype next = m + needle.size();
            const bool lowAfter = next < line.size() && line[next].isLowSurrogate();
            if (withPlaceholder || (lowAfter && needle.back().isHighSurrogate())
                || (with.isEmpty() && lowAfter && m > 0 && isPlaceholder(line[m - 1])))
                settled.push_back(match + count * (with.size() - needle.size()));
            ++count;
        }
    }
    if (count == 0)
        return 0;
    runs.back().last = copy->position();
    runs.back().to = m_addedEnd;
    std::vector<std::vector<Piece>> pieces;
    qint64 grown = 0;
    for (const Run &run : runs) {
        pieces.push_back(cutAdded(run.from, run.to));
        grown -= run.last - run.first;
        for (const Piece &p : pieces.back())
            grown += p.units;
    }
    if (total + grown > INT_MAX) {
        m_addedEnd = addedBefore;   // nothing points at what was written
        return 0;
    }
    // From the last run back, so that each run's range is still where it was found.
    beginCompound();
    for (size_t i = runs.size(); i-- > 0;) {
        Change change;
        change.position = runs[i].first;
        change.removedUnits = runs[i].last - runs[i].first;
        for (const Piece &p : pieces[i])
            change.insertedUnits += p.units;
        change.inserted = std::move(pieces[i]);
        change.removed = splice(change.position, change.removedUnits, change.inserted);
        record(std::move(change), StepKind::Other);
    }
    for (auto at = settled.rbegin(); at != settled.rend(); ++at)
        settleAt(int(*at), int(with.size()));
    endCompound();
    return count;
}

// A search text with a break in it: rare, so each match is found and replaced on its own.
int Document::replaceAcrossLines(QStringView needle, QStringView with, int options, int start, int end)
{
    std::vector<int> matches;
    for (int at = start; (at = find(needle, at, end, options)) >= 0; at += int(needle.size()))
        matches.push_back(at);
    beginCompound();
    for (auto m = matches.rbegin(); m != matches.rend(); ++m)
        replace(*m, int(needle.size()), with);
    endCompound();
    return int(matches.size());
}

} // namespace text
