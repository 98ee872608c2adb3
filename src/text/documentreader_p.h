// Reading the document forward line by line, for Replace All and for find() over its blocks.
#pragma once

#include "text/document.h"

#include <memory>

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

// The document's lines for find(); reading on from the last line costs no lookup in the index.
class Document::Source : public BlockSource
{
public:
    explicit Source(const Document &document) : m_document(document) {}
    int length() const override { return m_document.length(); }
    Block blockContaining(int position) const override
    {
        const int line = m_document.lineFromPosition(qBound(0, position, length()));
        return {m_document.lineStart(line), m_document.line(line)};
    }
    void bounds(int position, int &start, int &end) const override
    {
        const int line = m_document.lineFromPosition(qBound(0, position, length()));
        start = m_document.lineStart(line);
        end = start + m_document.lineLength(line);
    }
    QString textOf(int position, int length) const override { return m_document.text(position, length); }
    bool next(Block &block) const override
    {
        const qint64 after = block.position + block.text.size() + 1;
        if (after > length())
            return false;
        if (!m_reader || m_revision != m_document.m_revision || m_after != after)
            m_reader = std::make_unique<Reader>(m_document, after);
        QStringView line;
        qint64 start = 0;
        if (!m_reader->nextLine(line, start))
            return false;
        block = {int(start), line.toString()};
        m_after = start + line.size() + 1;   // what the caller asks for next when it reads on
        m_revision = m_document.m_revision;
        return true;
    }

private:
    const Document &m_document;
    mutable std::unique_ptr<Reader> m_reader;
    mutable qint64 m_after = -1;
    mutable quint64 m_revision = 0;
};

} // namespace text
