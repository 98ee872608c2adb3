// The document and the disk: one scan while reading (encoding, counts, main line end), streaming save.
#include "text/document.h"
#include "text/filename.h"

#include "text/pieces_p.h"
#include "text/posixfile_p.h"

#include <QFile>
#include <QLocale>

#include <array>
#include <climits>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>

namespace text {

using namespace pieces;

namespace {

// Which line end the file uses most; on a tie, the one seen first. As detect() decides.
class Tally
{
public:
    void add(LineEnd end, qint64 pos, qint64 n = 1)
    {
        const int k = int(end);
        if (m_count[k] == 0)
            m_first[k] = pos;
        m_count[k] += n;
    }
    LineEnd majority(bool withPs) const
    {
        int best = -1;
        for (int k = 0; k < 4; ++k) {
            if (m_count[k] == 0 || (!withPs && LineEnd(k) == LineEnd::PS))
                continue;
            if (best < 0 || m_count[k] > m_count[best] || (m_count[k] == m_count[best] && m_first[k] < m_first[best]))
                best = k;
        }
        return best < 0 ? LineEnd::LF : LineEnd(best);
    }

private:
    std::array<qint64, 4> m_count{};
    std::array<qint64, 4> m_first{};
};

// Cut into chunks of about `target` bytes where decoding them one by one gives what decoding the
// whole gives: at a step of the decoder, so never inside a sequence, a pair or a CR LF.
struct Chunk
{
    qint64 start = 0;
    qint64 bytes = 0;
    qint64 units = 0;    // read as UTF-8 (or UTF-16 with a mark)
    qint64 breaks = 0;
    qint64 crlf = 0;     // read as 8-bit: units = bytes - crlf, breaks = lfcr - crlf
    qint64 lfcr = 0;
    bool nonAscii = false;
    bool cr = false;
    bool uncounted = false;   // a bad byte, a pair, a paragraph separator or a reserved character
};

class Scan
{
public:
    explicit Scan(int target) : m_target(std::max(1, target)) {}

    // Scans what has arrived; `end` bytes of `data` are read, `eof` when no more will come.
    void feed(const QByteArray &data, qint64 end, bool eof)
    {
        if (!m_started) {
            if (end < 3 && !eof)
                return;
            start(QByteArrayView(data.constData(), end));
        }
        const auto *base = reinterpret_cast<const uchar *>(data.constData());
        if (m_format.encoding == Encoding::Utf8)
            scanUtf8(base, end, eof);
        else
            scanUtf16(base, end, eof);
        if (eof && m_pos > m_chunk.start)
            cut();
    }

    TextFormat format() const { return m_format; }

    std::vector<Document::Piece> pieces(qint64 &units) const
    {
        const bool latin8 = m_format.encoding == Encoding::Latin8;
        std::vector<Document::Piece> out;
        out.reserve(m_chunks.size());
        units = 0;
        for (const Chunk &c : m_chunks) {
            Document::Piece p;
            p.start = c.start;
            p.bytes = qint32(c.bytes);
            p.units = qint32(latin8 ? c.bytes - c.crlf : c.units);
            p.breaks = qint32(latin8 ? c.lfcr - c.crlf : c.breaks);
            p.simple = !c.cr && (latin8 || (!c.nonAscii && m_format.encoding == Encoding::Utf8));
            p.counted = p.simple || (!latin8 && m_format.encoding == Encoding::Utf8 && !c.cr && !c.uncounted);
            units += p.units;
            out.push_back(p);
        }
        return out;
    }

    void decide()
    {
        if (m_format.encoding == Encoding::Utf8 && m_bom == 0 && m_invalidHigh > m_validHigh)
            m_format.encoding = Encoding::Latin8;
        m_format.lineEnd = m_tally.majority(m_format.encoding != Encoding::Latin8);
    }

private:
    void start(QByteArrayView head)
    {
        m_started = true;
        if (head.startsWith("\xEF\xBB\xBF")) {
            m_format = {Encoding::Utf8, true, LineEnd::LF};
            m_bom = 3;
        } else if (head.startsWith("\xFF\xFE")) {
            m_format = {Encoding::Utf16LE, true, LineEnd::LF};
            m_bom = 2;
        } else if (head.startsWith("\xFE\xFF")) {
            m_format = {Encoding::Utf16BE, true, LineEnd::LF};
            m_bom = 2;
        }
        m_pos = m_chunk.start = m_bom;
    }

    void cut()
    {
        m_chunk.bytes = m_pos - m_chunk.start;
        m_chunks.push_back(m_chunk);
        m_chunk = Chunk();
        m_chunk.start = m_pos;
    }

    void scanUtf8(const uchar *base, qint64 available, bool eof)
    {
        const uchar *const end = base + available;
        const qint64 stop = eof ? available : available - 4;   // a step looks at most 4 bytes ahead
        while (m_pos < stop) {
            if (m_pos - m_chunk.start >= m_target)
                cut();
            const uchar *p = base + m_pos;
#if defined(__SSE2__)
            if (stop - m_pos >= 16) {
                // Sixteen ASCII bytes without a CR: only the LF count matters.
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
                const int high = _mm_movemask_epi8(v) | _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
                if (high == 0) {
                    const unsigned lf = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))));
                    if (lf) {
                        const int n = pieces::bits16(lf);
                        m_chunk.breaks += n;
                        m_chunk.lfcr += n;
                        m_tally.add(LineEnd::LF, m_pos - m_bom + __builtin_ctz(lf), n);
                    }
                    m_chunk.units += 16;
                    m_pos += 16;
                    continue;
                }
            }
#endif
            const uchar b = *p;
            if (b < 0x80) {
                ++m_chunk.units;
                if (b == '\n') {
                    ++m_chunk.breaks;
                    ++m_chunk.lfcr;
                    m_tally.add(LineEnd::LF, m_pos - m_bom);
                } else if (b == '\r') {
                    const bool crlf = p + 1 < end && p[1] == '\n';
                    m_tally.add(crlf ? LineEnd::CRLF : LineEnd::CR, m_pos - m_bom);
                    ++m_chunk.breaks;
                    m_chunk.lfcr += 1 + crlf;
                    m_chunk.crlf += crlf;
                    m_chunk.cr = true;
                    m_pos += crlf;
                }
                ++m_pos;
                continue;
            }
            m_chunk.nonAscii = true;
            char32_t cp = 0;
            const int len = pieces::utf8Sequence(p, end, cp);
            if (len == 0) {
                m_chunk.uncounted = true;
                ++m_invalidHigh;
                ++m_chunk.units;
                ++m_pos;
                continue;
            }
            m_validHigh += len;
            m_chunk.uncounted = m_chunk.uncounted || len == 4 || isReserved(cp) || cp == 0x2029;
            if (isReserved(cp)) {
                m_chunk.units += len;
            } else if (cp == 0x2029) {
                ++m_chunk.units;
                ++m_chunk.breaks;
                m_tally.add(LineEnd::PS, m_pos - m_bom);
            } else {
                m_chunk.units += cp >= 0x10000 ? 2 : 1;
            }
            m_pos += len;
        }
    }

    void scanUtf16(const uchar *base, qint64 available, bool eof)
    {
        const qint64 stop = eof ? available : available - 4;   // a pair or CR LF looks 4 bytes ahead
        const Kind kind = m_format.encoding == Encoding::Utf16LE ? Kind::Utf16LE : Kind::Utf16BE;
        const bool be = kind == Kind::Utf16BE;
        const uchar *const end = base + available;
        m_chunk.nonAscii = true;
        while (m_pos < stop) {
            if (m_pos - m_chunk.start >= m_target) {
                cut();
                m_chunk.nonAscii = true;
            }
            const uchar *p = base + m_pos;
            const Step s = stepAt(kind, p, end);
            m_chunk.units += s.units;
            if (s.isBreak) {
                ++m_chunk.breaks;
                const char16_t u = be ? unitAt<true>(p) : unitAt<false>(p);
                m_tally.add(u == 0x0A ? LineEnd::LF : u == 0x2029 ? LineEnd::PS : s.bytes == 4 ? LineEnd::CRLF : LineEnd::CR,
                            m_pos - m_bom);
            }
            m_pos += s.bytes;
        }
    }

    int m_target;
    bool m_started = false;
    TextFormat m_format;
    int m_bom = 0;
    qint64 m_pos = 0;
    Chunk m_chunk;
    std::vector<Chunk> m_chunks;
    Tally m_tally;
    qint64 m_validHigh = 0;
    qint64 m_invalidHigh = 0;
};

// Bytes to the sink in large writes: what is staged goes first, then a run of the file's own bytes.
class Output
{
public:
    explicit Output(const ByteSink &sink) : m_sink(sink) {}

    void raw(const char *p, qint64 n)
    {
        if (!m_run.isEmpty() && m_run.data() + m_run.size() == p) {
            m_run = QByteArrayView(m_run.data(), m_run.size() + n);
            return;
        }
        settleRun();
        m_run = QByteArrayView(p, n);
    }
    void encoded(const QByteArray &bytes)
    {
        settleRun();
        m_stage.append(bytes);
        if (m_stage.size() >= Large)
            flushStage();
    }
    int finish()
    {
        settleRun();
        flushStage();
        return m_error;
    }
    int error() const { return m_error; }

private:
    static constexpr qint64 Small = 1 << 16;
    static constexpr qint64 Large = 1 << 20;
    // A short run is copied behind the staged bytes; a long one is written where it lies.
    void settleRun()
    {
        if (m_run.size() < Small) {
            m_stage.append(m_run);
        } else {
            flushStage();
            if (!m_error)
                m_error = m_sink(m_run);
        }
        m_run = {};
        if (m_stage.size() >= Large)
            flushStage();
    }
    void flushStage()
    {
        if (!m_stage.isEmpty() && !m_error)
            m_error = m_sink(m_stage);
        m_stage.truncate(0);
    }

    const ByteSink &m_sink;
    QByteArrayView m_run;
    QByteArray m_stage;
    int m_error = 0;
};

QByteArrayView bomOf(const TextFormat &format)
{
    if (!format.bom)
        return {};
    switch (format.encoding) {
    case Encoding::Utf8: return "\xEF\xBB\xBF";
    case Encoding::Utf16LE: return "\xFF\xFE";
    case Encoding::Utf16BE: return "\xFE\xFF";
    case Encoding::Latin8: break;
    }
    return {};
}

} // namespace

void Document::setBytes(QByteArray bytes)
{
    Scan scan(m_limits.pieceBytes);
    scan.feed(bytes, bytes.size(), true);
    scan.decide();
    qint64 units = 0;
    std::vector<Piece> pieces = scan.pieces(units);
    reset(std::move(bytes), std::move(pieces), scan.format());
}

FileResult Document::load(const QString &path)
{
    using namespace posix;
    Fd fd;
    struct stat st;
    if (FileResult opened = openRegular(path, fd, st); !opened)
        return opened;

    // Every byte is at most one character, every two after a UTF-16 mark: the size tells before reading.
    qint64 maxUnits = st.st_size;
    if (st.st_size > INT_MAX) {
        char mark[2] = {};
        if (::pread(fd.get(), mark, 2, 0) == 2 && (QByteArrayView(mark, 2) == "\xFF\xFE" || QByteArrayView(mark, 2) == "\xFE\xFF"))
            maxUnits = (st.st_size - 2 + 1) / 2;
    }
    const QLocale locale;
    if (maxUnits > INT_MAX)
        return failure(EFBIG, tr("The file is %1; a document holds at most %2 characters.")
                                  .arg(locale.formattedDataSize(st.st_size), locale.toString(INT_MAX)));
    const qint64 memory = memoryAvailable();
    if (st.st_size > memory)
        return failure(ENOMEM, tr("The file is %1; the memory free now is %2.")
                                   .arg(locale.formattedDataSize(st.st_size), locale.formattedDataSize(memory)));
    try {
        Scan scan(m_limits.pieceBytes);
        QByteArray data(qsizetype(st.st_size) + 1, Qt::Uninitialized);
        qint64 size = 0;
        constexpr qint64 block = qint64(1) << 20;   // scanned while it is still in the cache
        for (;;) {
            if (size == data.size()) {
                if (size > std::min<qint64>(memory, qint64(INT_MAX) * 2))
                    return failure(EFBIG, tr("The file grew past the size that can be opened."));
                data.resize(qsizetype(std::max<qint64>(size * 2, 1 << 16)));
            }
            const ssize_t n = ::read(fd.get(), data.data() + size, size_t(std::min<qint64>(data.size() - size, block)));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return failure(errno);
            if (n == 0)
                break;
            size += n;
            scan.feed(data, size, false);
        }
        data.truncate(size);
        scan.feed(data, size, true);
        scan.decide();
        qint64 units = 0;
        std::vector<Piece> pieces = scan.pieces(units);
        if (units > INT_MAX)
            return failure(EFBIG, tr("The file grew past the size that can be opened."));
        if (data.capacity() - size > size / 8)
            data.squeeze();   // a file that grew while read leaves slack worth giving back
        reset(std::move(data), std::move(pieces), scan.format());
    } catch (const std::bad_alloc &) {
        return failure(ENOMEM);
    }
    return {};
}

bool Document::canStore(Encoding encoding) const
{
    for (const Leaf &leaf : m_leaves) {
        for (const Piece &p : leaf.pieces) {
            if ((p.added || encoding != m_sourceEncoding) && !canEncode(decodePiece(p).text, encoding))
                return false;
        }
    }
    return true;
}

TextFormat Document::saveFormat() const
{
    if (m_format.encoding != Encoding::Latin8 || canStore(Encoding::Latin8))
        return m_format;
    return {Encoding::Utf8, false, m_format.lineEnd};
}

int Document::writeBytes(const TextFormat &format, const ByteSink &sink, qsizetype *substituted) const
{
    Output out(sink);
    const QByteArrayView bom = bomOf(format);
    out.raw(bom.data(), bom.size());
    Encoder encoder(TextFormat{format.encoding, false, format.lineEnd});
    const bool sameCodec = format.encoding == m_sourceEncoding;
    char16_t pending = 0;   // a high surrogate at a piece's end, which the next piece may pair
    auto encodeText = [&](const PieceText &t) {
        QStringView s = t.text;
        size_t line = 0;
        for (;;) {
            const qsizetype nl = s.indexOf(u'\n');
            QStringView seg = nl < 0 ? s : s.first(nl);
            if (pending) {
                if (!seg.isEmpty() && isLow(seg[0].unicode())) {
                    const char16_t pair[2] = {pending, seg[0].unicode()};
                    encoder.appendLine(QStringView(pair, 2));
                    seg = seg.sliced(1);
                } else {
                    encoder.appendLine(QStringView(&pending, 1));
                }
                pending = 0;
            }
            if (nl < 0 && !seg.isEmpty() && isHigh(seg.back().unicode())) {
                pending = seg.back().unicode();
                seg.chop(1);
            }
            encoder.appendLine(seg);
            if (nl < 0)
                break;
            const unsigned char end = line < t.ends.size() ? t.ends[line] : MainEnd;
            encoder.appendEnd(end == MainEnd ? std::nullopt : std::optional<LineEnd>(LineEnd(end)));
            ++line;
            s = s.sliced(nl + 1);
        }
        out.encoded(encoder.take());
    };
    for (const Leaf &leaf : m_leaves) {
        for (const Piece &p : leaf.pieces) {
            const QByteArrayView bytes(bufferOf(p), p.bytes);
            if (!p.added && sameCodec && !pending && encoder.takesRaw(bytes)) {
                out.raw(bytes.data(), bytes.size());
                encoder.wroteRaw(bytes);
            } else {
                encodeText(decodePiece(p));
            }
            if (out.error())
                return out.error();
        }
    }
    if (pending)
        encoder.appendLine(QStringView(&pending, 1));
    encoder.finish();
    out.encoded(encoder.take());
    if (substituted)
        *substituted = encoder.substitutions();
    return out.finish();
}

// Placeholders that an edit brings together may form a character: the edit is widened to them and they go
// in as what their bytes read as, so that the text shown is the text a save writes and a reopening reads.
// UTF-16 keeps its units whole when it saves instead; placeholders in 8-bit text make it UTF-8 then.
bool Document::settleBytes(int &position, int &removedLength, QStringView text, QString &settled,
                           std::vector<unsigned char> &ends, bool anyway) const
{
    if (m_format.encoding == Encoding::Utf16LE || m_format.encoding == Encoding::Utf16BE)
        return false;
    bool carries = anyway;
    for (qsizetype i = 0; i < text.size() && !carries; ++i)
        carries = isPlaceholderAt(text, i);
    // The low half of a pair the edit cuts is a placeholder from now on.
    const int after = position + removedLength;
    carries = carries
              || ((removedLength > 0 || !text.isEmpty()) && after > 0 && after < length() && charAt(after).isLowSurrogate()
                  && charAt(after - 1).isHighSurrogate());
    if (!carries && !text.isEmpty())
        return false;
    // A UTF-8 sequence is four bytes at most: three placeholders on each side are all that can join one.
    const auto placeholderAt = [&](int p) { return isPlaceholder(charAt(p)) && !(p > 0 && charAt(p - 1).isHighSurrogate()); };
    int left = 0;
    while (left < 3 && position - left > 0 && placeholderAt(position - left - 1))
        ++left;
    int right = 0;
    while (right < 3 && after + right < length() && isPlaceholder(charAt(after + right)))
        ++right;
    if (!carries && (left == 0 || right == 0))
        return false;
    const QString joined = this->text(position - left, left) + text.toString() + this->text(after, right);
    const bool afterHigh = left == 0 && position > 0 && charAt(position - 1).isHighSurrogate();
    settled.clear();
    ends.clear();
    bool changed = false;
    for (qsizetype i = 0; i < joined.size();) {
        if (!isPlaceholderAt(joined, i) || (i == 0 && afterHigh)) {
            if (joined[i] == u'\n')
                ends.push_back(MainEnd);
            settled += joined[i++];
            continue;
        }
        QByteArray bytes;
        for (; i < joined.size() && isPlaceholderAt(joined, i); ++i)
            bytes += char(placeholderByte(joined[i]));
        const Decoded d = decode(bytes, TextFormat{Encoding::Utf8, false, LineEnd::LF});
        changed = changed || d.text.size() != bytes.size() || !d.ends.empty();
        for (qsizetype k = 0; k < d.text.size() && !changed; ++k)
            changed = d.text[k] != placeholder(uchar(bytes[k]));
        settled += d.text;
        for (LineEnd e : d.ends)
            ends.push_back(static_cast<unsigned char>(e));
    }
    if (!changed)
        return false;
    position -= left;
    removedLength += left + right;
    return true;
}

bool Document::replaceSettled(int position, int removedLength, const QString &text, const std::vector<unsigned char> &ends)
{
    if (qint64(length()) - removedLength + text.size() > INT_MAX)
        return false;
    const qint64 from = m_addedEnd;
    QStringView rest = text;
    for (unsigned char end : ends) {
        const qsizetype nl = rest.indexOf(u'\n');
        appendUnits(rest.first(nl));
        appendBreak(end);
        rest = rest.sliced(nl + 1);
    }
    appendUnits(rest);
    Change change;
    change.position = position;
    change.removedUnits = removedLength;
    change.insertedUnits = text.size();
    change.inserted = cutAdded(from, m_addedEnd);
    change.removed = splice(position, removedLength, change.inserted);
    record(std::move(change), StepKind::Other);
    return true;
}

// Settles the placeholders at both ends of text already in the document (what Replace All put there).
void Document::settleAt(int position, int length)
{
    QString settled;
    std::vector<unsigned char> ends;
    int removed = length;
    const QString text = this->text(position, length);
    if (settleBytes(position, removed, text, settled, ends, true))
        replaceSettled(position, removed, settled, ends);
}

int Document::writeTo(const ByteSink &sink) const
{
    return writeBytes(saveFormat(), sink);
}

QByteArray Document::toBytes() const
{
    QByteArray bytes;
    writeTo([&](QByteArrayView chunk) {
        bytes.append(chunk);
        return 0;
    });
    return bytes;
}

FileResult Document::save(const QString &path, const WriteOptions &options)
{
    const TextFormat format = saveFormat();
    const FileResult result = writeFile(path, [&](const ByteSink &sink) { return writeBytes(format, sink); }, options);
    if (result) {
        m_reencoded = format != m_format;
        m_format = format;
    }
    return result;
}

} // namespace text
