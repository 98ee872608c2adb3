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

    // The text from the first match to the end of the last becomes one run of added text.
    const qint64 from = m_addedEnd;
    Reader lines(*this, lineStart(lineFromPosition(start)));
    std::unique_ptr<Reader> copy;
    qint64 first = -1;
    int count = 0;
    QStringView line;
    qint64 lineStartPos = 0;
    while (lines.nextLine(line, lineStartPos) && lineStartPos <= end) {
        qsizetype at = qMax<qint64>(0, start - lineStartPos);
        const qsizetype limit = qMin<qint64>(line.size(), end - lineStartPos);
        for (qsizetype m; (m = findInText(line, needle, at, limit, options)) >= 0; at = m + needle.size()) {
            if (!copy) {
                first = lineStartPos + m;
                copy = std::make_unique<Reader>(*this, first);
            } else {
                copy->copyTo(lineStartPos + m, *this);
            }
            appendUnits(with);
            copy->skip(needle.size());
            ++count;
        }
    }
    if (count == 0)
        return 0;
    const qint64 removed = copy->position() - first;
    std::vector<Piece> pieces = cutAdded(from, m_addedEnd);
    qint64 inserted = 0;
    for (const Piece &p : pieces)
        inserted += p.units;
    if (total - removed + inserted > INT_MAX) {
        m_addedEnd = from;   // nothing points at what was written
        return 0;
    }
    Change change;
    change.position = first;
    change.removedUnits = removed;
    change.insertedUnits = inserted;
    change.inserted = std::move(pieces);
    change.removed = splice(first, removed, change.inserted);
    m_mergeable = false;
    record(std::move(change), StepKind::Other);
    m_mergeable = false;
    return count;
}

// A search text with a break in it: rare, so each match is found and replaced on its own.
int Document::replaceAcrossLines(QStringView needle, QStringView with, int options, int start, int end)
{
    std::vector<int> matches;
    for (int at = start; (at = find(blocks(), needle, at, end, options)) >= 0; at += int(needle.size()))
        matches.push_back(at);
    beginCompound();
    for (auto m = matches.rbegin(); m != matches.rend(); ++m)
        replace(*m, int(needle.size()), with);
    endCompound();
    return int(matches.size());
}

} // namespace text
