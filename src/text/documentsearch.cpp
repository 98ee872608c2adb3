// Replace All over the document's pieces, line by line, without building the whole text.
#include "text/document.h"

#include <climits>

namespace text {

// Reads the document forward from a position, piece by piece, with each break's own end.
class Document::Reader
{
public:
    Reader(const Document &document, qint64 position) : m_doc(document), m_pos(position)
    {
        const Loc loc = document.locate(position);
        m_leaf = loc.leaf;
        m_index = loc.index;
        m_pos -= loc.offset;
        if (load())
            skipWithin(loc.offset);
    }

    qint64 position() const { return m_pos; }

    // The next line without its break, valid until the next call; false after the last one.
    bool nextLine(QStringView &line, qint64 &start)
    {
        if (m_finished)
            return false;
        if (m_loaded && m_offset == m_text.text.size())
            advance();
        start = m_pos;
        m_joined.truncate(0);
        bool joined = false;
        while (m_loaded) {
            const QString &t = m_text.text;
            const qsizetype nl = t.indexOf(u'\n', m_offset);
            const QStringView part = QStringView(t).mid(m_offset, (nl < 0 ? t.size() : nl) - m_offset);
            m_pos += part.size();
            m_offset += part.size();
            if (nl >= 0) {
                ++m_pos;
                ++m_offset;
                ++m_break;
                if (joined)
                    m_joined += part;
                line = joined ? QStringView(m_joined) : part;
                return true;
            }
            // The line goes on in the next piece.
            m_joined += part;
            joined = true;
            advance();
        }
        m_finished = true;
        line = m_joined;
        return true;
    }

    // Appends the text up to `to` to the document's added buffer, each break with its own end.
    void copyTo(qint64 to, Document &into)
    {
        while (m_pos < to && m_loaded) {
            const QString &t = m_text.text;
            const qsizetype n = qMin<qint64>(t.size() - m_offset, to - m_pos);
            QStringView part = QStringView(t).mid(m_offset, n);
            for (qsizetype nl; (nl = part.indexOf(u'\n')) >= 0;) {
                into.appendUnits(part.first(nl));
                into.appendBreak(m_break < m_text.ends.size() ? m_text.ends[m_break] : MainEnd);
                ++m_break;
                part = part.sliced(nl + 1);
            }
            into.appendUnits(part);
            m_pos += n;
            m_offset += n;
            if (m_offset == t.size())
                advance();
        }
    }

    void skip(qint64 n)
    {
        while (n > 0 && m_loaded) {
            const qsizetype step = qMin<qint64>(m_text.text.size() - m_offset, n);
            skipWithin(step);
            n -= step;
        }
    }

private:
    void skipWithin(qsizetype n)
    {
        m_break += m_text.text.mid(m_offset, n).count(u'\n');
        m_offset += n;
        m_pos += n;
        if (m_offset == m_text.text.size())
            advance();
    }
    bool load()
    {
        m_loaded = false;
        while (m_leaf < int(m_doc.m_leaves.size())) {
            const std::vector<Piece> &pieces = m_doc.m_leaves[size_t(m_leaf)].pieces;
            if (m_index < int(pieces.size())) {
                m_text = m_doc.decodePiece(pieces[size_t(m_index)]);
                m_offset = 0;
                m_break = 0;
                return m_loaded = true;
            }
            ++m_leaf;
            m_index = 0;
        }
        return false;
    }
    void advance()
    {
        ++m_index;
        load();
    }

    const Document &m_doc;
    qint64 m_pos;
    int m_leaf = 0;
    int m_index = 0;
    PieceText m_text;
    qsizetype m_offset = 0;
    size_t m_break = 0;
    bool m_loaded = false;
    bool m_finished = false;
    QString m_joined;
};

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
    const qint64 from = m_added.size();
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
    std::vector<Piece> pieces = cutAdded(from, m_added.size());
    qint64 inserted = 0;
    for (const Piece &p : pieces)
        inserted += p.units;
    if (total - removed + inserted > INT_MAX) {
        m_added.truncate(from);
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
