// Search over the raw text: our own matching, so that a space never matches a no-break space.
#include "text/search.h"

#include <QStringList>

namespace text {

BlockSource::Block StringSource::blockContaining(int position) const
{
    const int begin = position <= 0 ? 0 : int(m_text.lastIndexOf(QLatin1Char('\n'), position - 1)) + 1;
    int end = int(m_text.indexOf(QLatin1Char('\n'), begin));
    if (end < 0)
        end = int(m_text.size());
    return {begin, m_text.mid(begin, end - begin)};
}

void StringSource::bounds(int position, int &start, int &end) const
{
    start = position <= 0 ? 0 : int(m_text.lastIndexOf(QLatin1Char('\n'), position - 1)) + 1;
    end = int(m_text.indexOf(QLatin1Char('\n'), position));
    if (end < 0)
        end = int(m_text.size());
}

QString StringSource::textOf(int position, int length) const
{
    return m_text.mid(position, length);
}

bool StringSource::next(Block &block) const
{
    const int begin = block.position + int(block.text.size()) + 1;
    if (begin > m_text.size())
        return false;
    int end = int(m_text.indexOf(QLatin1Char('\n'), begin));
    if (end < 0)
        end = int(m_text.size());
    block = {begin, m_text.mid(begin, end - begin)};
    return true;
}

void BlockSource::bounds(int position, int &start, int &end) const
{
    const Block block = blockContaining(position);
    start = block.position;
    end = block.position + int(block.text.size());
}

QString BlockSource::textOf(int position, int length) const
{
    const Block block = blockContaining(position);
    return block.text.mid(position - block.position, length);
}

bool isWordChar(char32_t c)
{
    return c == U'_' || QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

namespace {

constexpr int LongLine = 1024;

char32_t codePointBefore(QStringView s, qsizetype i)
{
    if (i <= 0)
        return U'\n';
    const QChar c = s[i - 1];
    if (c.isLowSurrogate() && i >= 2 && s[i - 2].isHighSurrogate())
        return QChar::surrogateToUcs4(s[i - 2], c);
    return c.unicode();
}

char32_t codePointAt(QStringView s, qsizetype i)
{
    if (i >= s.size())
        return U'\n';
    const QChar c = s[i];
    if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(c, s[i + 1]);
    return c.unicode();
}

// Matches inside one block; `from` and `limit` are offsets into the block's text.
qsizetype findInBlock(QStringView hay, QStringView needle, qsizetype from, qsizetype limit, int options)
{
    const Qt::CaseSensitivity cs = (options & MatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    while (from + needle.size() <= limit) {
        const qsizetype at = hay.indexOf(needle, from, cs);
        if (at < 0 || at + needle.size() > limit)
            return -1;
        if (!(options & WholeWord) || isWholeWord(hay, at, needle.size()))
            return at;
        from = at + 1;
    }
    return -1;
}

// A search text holding line breaks: rare, so it is matched over the joined text from start on.
int findAcrossBlocks(const BlockSource &source, QStringView needle, int start, int end, int options)
{
    BlockSource::Block block = source.blockContaining(start);
    const int base = block.position;
    QString joined = block.text;
    while (base + joined.size() < end && source.next(block)) {
        joined += QLatin1Char('\n');
        joined += block.text;
    }
    const qsizetype at = findInBlock(joined, needle, start - base, qMin<qsizetype>(joined.size(), end - base), options);
    return at < 0 ? -1 : int(base + at);
}

}

bool isWholeWord(QStringView hay, qsizetype at, qsizetype length)
{
    return !isWordChar(codePointBefore(hay, at)) && !isWordChar(codePointAt(hay, at + length));
}

qsizetype findInText(QStringView hay, QStringView needle, qsizetype from, qsizetype limit, int options)
{
    return needle.isEmpty() ? -1 : findInBlock(hay, needle, from, qMin(limit, hay.size()), options);
}

int find(const BlockSource &source, QStringView needle, int start, int end, int options)
{
    const int length = source.length();
    if (end < 0 || end > length)
        end = length;
    start = qMax(start, 0);
    if (needle.isEmpty() || start + needle.size() > end)
        return -1;
    if (needle.contains(QLatin1Char('\n')))
        return findAcrossBlocks(source, needle, start, end, options);

    // A long line is read in growing windows from start on, not whole for each search in it: Replace All
    // searches again after every replacement. Two units either side are what whole words look at.
    int lineStart = 0, lineEnd = 0;
    source.bounds(start, lineStart, lineEnd);
    if (lineEnd - start > LongLine) {
        const qsizetype n = needle.size();
        const int stop = qMin(end, lineEnd);
        for (qsizetype from = start, window = 256; from + n <= stop; window *= 2) {
            const qsizetype first = qMax<qsizetype>(lineStart, from - 2);
            const qsizetype limit = qMin<qsizetype>(stop, from + window + n);
            const qsizetype last = qMin<qsizetype>(lineEnd, limit + 2);
            const QString hay = source.textOf(int(first), int(last - first));
            const qsizetype at = findInBlock(hay, needle, from - first, limit - first, options);
            if (at >= 0)
                return int(first + at);
            from = limit - n + 1;
        }
        if (end <= lineEnd + 1 || lineEnd >= length)
            return -1;
        start = lineEnd + 1;
    }

    BlockSource::Block block = source.blockContaining(start);
    qsizetype from = start - block.position;
    do {
        if (block.position + needle.size() > end)
            return -1;
        const qsizetype limit = qMin<qsizetype>(block.text.size(), end - block.position);
        const qsizetype at = findInBlock(block.text, needle, from, limit, options);
        if (at >= 0)
            return int(block.position + at);
        from = 0;
    } while (source.next(block));
    return -1;
}

}
