// Detecting and decoding file bytes; every byte string survives decode + encode unchanged.
#include "textformat.h"

#include "text/textformat_p.h"

#include <algorithm>
#include <array>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace text {

using namespace codec;

namespace {

class LineEndTally
{
public:
    void add(LineEnd end, qsizetype pos)
    {
        const int k = int(end);
        if (m_count[k]++ == 0)
            m_first[k] = pos;
    }
    LineEnd majority(bool withPs) const
    {
        int best = -1;
        for (int k = 0; k < 4; ++k) {
            if (m_count[k] == 0 || (!withPs && LineEnd(k) == LineEnd::PS))
                continue;
            if (best < 0 || m_count[k] > m_count[best]
                || (m_count[k] == m_count[best] && m_first[k] < m_first[best]))
                best = k;
        }
        return best < 0 ? LineEnd::LF : LineEnd(best);
    }

private:
    std::array<qsizetype, 4> m_count{};
    std::array<qsizetype, 4> m_first{};
};

template<bool BigEndian>
LineEnd utf16Majority(const uchar *p, const uchar *end)
{
    LineEndTally tally;
    const uchar *const begin = p;
    for (; end - p >= 2; p += 2) {
        const char16_t u = unitAt<BigEndian>(p);
        if (u == kLF) {
            tally.add(LineEnd::LF, p - begin);
        } else if (u == kCR) {
            const bool crlf = end - p >= 4 && unitAt<BigEndian>(p + 2) == kLF;
            tally.add(crlf ? LineEnd::CRLF : LineEnd::CR, p - begin);
            p += crlf ? 2 : 0;
        } else if (u == kPS) {
            tally.add(LineEnd::PS, p - begin);
        }
    }
    return tally.majority(true);
}

// One pass over bytes read as UTF-8: how many high bytes are valid or not, and the line ends.
struct Utf8Scan {
    LineEndTally tally;
    qsizetype validHigh = 0;
    qsizetype invalidHigh = 0;
};

Utf8Scan scanUtf8(const uchar *p, const uchar *end)
{
    Utf8Scan scan;
    const uchar *const begin = p;
    while (p < end) {
        const uchar b = *p;
        if (b < 0x80) {
            if (b == kLF) {
                scan.tally.add(LineEnd::LF, p - begin);
            } else if (b == kCR) {
                const bool crlf = p + 1 < end && p[1] == kLF;
                scan.tally.add(crlf ? LineEnd::CRLF : LineEnd::CR, p - begin);
                p += crlf;
            }
            ++p;
            continue;
        }
        char32_t cp = 0;
        const int len = utf8Sequence(p, end, cp);
        if (len == 0) {
            ++scan.invalidHigh;
            ++p;
            continue;
        }
        if (cp == kPS)
            scan.tally.add(LineEnd::PS, p - begin);
        scan.validHigh += len;
        p += len;
    }
    return scan;
}

// Writes decoded text into a buffer sized for the worst case (one unit per input byte).
class TextSink
{
public:
    TextSink(Decoded &out, qsizetype maxUnits) : m_out(out)
    {
        out.text.resize(maxUnits);
        m_begin = m_pos = reinterpret_cast<char16_t *>(out.text.data());
    }
    void put(char16_t c) { *m_pos++ = c; }
    void putPlaceholder(uchar b) { *m_pos++ = char16_t(placeholderBase + b); }
    void putEnd(LineEnd end)
    {
        *m_pos++ = u'\n';
        m_out.ends.push_back(end);
    }
    void finish()
    {
        m_out.text.truncate(m_pos - m_begin);
        // Shrinking in place is cheap, and a 100 MB file's slack is worth giving back.
        if (m_out.text.capacity() - m_out.text.size() > m_out.text.size() / 4)
            m_out.text.squeeze();
    }

private:
    Decoded &m_out;
    char16_t *m_begin = nullptr;
    char16_t *m_pos = nullptr;
};

// CR, LF or CRLF at p (an ASCII byte just read); returns how many extra bytes the end took.
int putByteEnd(TextSink &sink, const uchar *p, const uchar *end)
{
    if (*p == kLF) {
        sink.putEnd(LineEnd::LF);
        return 0;
    }
    const bool crlf = p + 1 < end && p[1] == kLF;
    sink.putEnd(crlf ? LineEnd::CRLF : LineEnd::CR);
    return crlf;
}

void decodeUtf8(const uchar *p, const uchar *end, TextSink &sink)
{
    while (p < end) {
        const uchar b = *p;
        if (b < 0x80) {
            if (b == kLF || b == kCR)
                p += putByteEnd(sink, p, end);
            else
                sink.put(b);
            ++p;
            continue;
        }
        char32_t cp = 0;
        const int len = utf8Sequence(p, end, cp);
        if (len == 0 || isReserved(cp)) {
            // An invalid lead byte alone; what follows is judged on its own, so each bad byte gets one placeholder.
            const int n = len == 0 ? 1 : len;
            for (int i = 0; i < n; ++i)
                sink.putPlaceholder(p[i]);
            p += n;
            continue;
        }
        if (cp == kPS) {
            sink.putEnd(LineEnd::PS);
        } else if (cp >= 0x10000) {
            sink.put(char16_t(0xD7C0 + (cp >> 10)));
            sink.put(char16_t(0xDC00 | (cp & 0x3FF)));
        } else {
            sink.put(char16_t(cp));
        }
        p += len;
    }
}

void decodeLatin8(const uchar *p, const uchar *end, TextSink &sink)
{
    for (; p < end; ++p) {
        if (*p == kLF || *p == kCR)
            p += putByteEnd(sink, p, end);
        else
            sink.put(latin8Char(*p));
    }
}

template<bool BigEndian>
void decodeUtf16(const uchar *p, const uchar *end, TextSink &sink)
{
    for (; end - p >= 2; p += 2) {
        const char16_t u = unitAt<BigEndian>(p);
        if (u == kLF) {
            sink.putEnd(LineEnd::LF);
        } else if (u == kCR) {
            const bool crlf = end - p >= 4 && unitAt<BigEndian>(p + 2) == kLF;
            sink.putEnd(crlf ? LineEnd::CRLF : LineEnd::CR);
            p += crlf ? 2 : 0;
        } else if (u == kPS) {
            sink.putEnd(LineEnd::PS);
        } else if (isHigh(u) && end - p >= 4 && isLow(unitAt<BigEndian>(p + 2))) {
            sink.put(u);
            sink.put(unitAt<BigEndian>(p + 2));
            p += 2;
        } else if (isHigh(u) || isLow(u) || isReserved(u)) {
            sink.putPlaceholder(p[0]);
            sink.putPlaceholder(p[1]);
        } else {
            sink.put(u);
        }
    }
    if (p < end)
        sink.putPlaceholder(*p);
}

} // namespace

bool operator==(const TextFormat &a, const TextFormat &b)
{
    return a.encoding == b.encoding && a.bom == b.bom && a.lineEnd == b.lineEnd;
}

bool isPlaceholderAt(QStringView text, qsizetype index)
{
    return isPlaceholder(text[index]) && !(index > 0 && text[index - 1].isHighSurrogate());
}

TextFormat detect(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *end = p + bytes.size();
    for (Encoding encoding : {Encoding::Utf8, Encoding::Utf16LE, Encoding::Utf16BE}) {
        const QByteArrayView bom = bomBytes(encoding);
        if (!bytes.startsWith(bom))
            continue;
        TextFormat format{encoding, true, LineEnd::LF};
        p += bom.size();
        if (encoding == Encoding::Utf8)
            format.lineEnd = scanUtf8(p, end).tally.majority(true);   // the BOM settles it, whatever follows
        else if (encoding == Encoding::Utf16LE)
            format.lineEnd = utf16Majority<false>(p, end);
        else
            format.lineEnd = utf16Majority<true>(p, end);
        return format;
    }
    const Utf8Scan scan = scanUtf8(p, end);
    TextFormat format;
    format.encoding = scan.invalidHigh > scan.validHigh ? Encoding::Latin8 : Encoding::Utf8;
    format.lineEnd = scan.tally.majority(format.encoding == Encoding::Utf8);
    return format;
}

TextFormat readableFormat(const TextFormat &format, QByteArrayView bytes)
{
    ReadBack readBack;
    readBack.feed(bytes);
    return readBack.format(format);
}

void ReadBack::feed(QByteArrayView bytes)
{
    if (m_head.size() < 3)
        m_head += bytes.first(std::min<qsizetype>(3 - m_head.size(), bytes.size()));
    if (m_carry.isEmpty()) {
        scan(bytes, false);
    } else {
        const QByteArray joined = m_carry + bytes.toByteArray();
        m_carry.clear();
        scan(joined, false);
    }
}

// As detect() counts: the high bytes of valid sequences against the bytes that start none, sixteen ASCII at a time.
void ReadBack::scan(QByteArrayView bytes, bool last)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = p + bytes.size();
    while (p < end) {
#if defined(__SSE2__)
        if (end - p >= 16 && _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p))) == 0) {
            p += 16;
            continue;
        }
#endif
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const int needs = *p >= 0xF0 ? 4 : *p >= 0xE0 ? 3 : *p >= 0xC2 ? 2 : 1;
        if (!last && end - p < needs) {
            m_carry = QByteArray(reinterpret_cast<const char *>(p), end - p);
            return;
        }
        char32_t cp = 0;
        const int len = utf8Sequence(p, end, cp);
        m_valid += len;
        m_invalid += len == 0;
        p += std::max(len, 1);
    }
}

TextFormat ReadBack::format(const TextFormat &written) const
{
    // A mark settles it; else the high bytes do, as detect() decides, without its line ends.
    TextFormat seen{Encoding::Utf8, false, written.lineEnd};
    bool marked = false;
    for (Encoding encoding : {Encoding::Utf8, Encoding::Utf16LE, Encoding::Utf16BE}) {
        if (!marked && m_head.startsWith(bomBytes(encoding))) {
            seen = {encoding, true, written.lineEnd};
            marked = true;
        }
    }
    if (!marked) {
        ReadBack rest = *this;
        rest.m_carry.clear();
        rest.scan(m_carry, true);
        seen.encoding = rest.m_invalid > rest.m_valid ? Encoding::Latin8 : Encoding::Utf8;
    }
    if (seen.encoding == written.encoding && (written.encoding == Encoding::Latin8 || seen.bom == written.bom))
        return written;
    if (written.encoding == Encoding::Latin8)
        return {Encoding::Utf8, false, written.lineEnd};
    return {written.encoding, true, written.lineEnd};
}

Decoded decode(QByteArrayView bytes, const TextFormat &format)
{
    if (format.bom && format.encoding != Encoding::Latin8 && bytes.startsWith(bomBytes(format.encoding)))
        bytes = bytes.sliced(bomBytes(format.encoding).size());
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *end = p + bytes.size();
    Decoded out;
    TextSink sink(out, bytes.size());
    switch (format.encoding) {
    case Encoding::Utf8: decodeUtf8(p, end, sink); break;
    case Encoding::Utf16LE: decodeUtf16<false>(p, end, sink); break;
    case Encoding::Utf16BE: decodeUtf16<true>(p, end, sink); break;
    case Encoding::Latin8: decodeLatin8(p, end, sink); break;
    }
    sink.finish();
    return out;
}

} // namespace text
