// Detecting, decoding and encoding file bytes; every byte string survives decode + encode unchanged.
#include "textformat.h"

#include <algorithm>
#include <array>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace text {

namespace {

using uchar = unsigned char;

constexpr char16_t kLF = 0x0A;
constexpr char16_t kCR = 0x0D;
constexpr char16_t kPS = 0x2029;
constexpr char16_t kReplacement = 0xFFFD;

// 0x80-0x9F as Windows-1252; its holes 0x81 0x8D 0x8F 0x90 0x9D stand for themselves.
constexpr std::array<char16_t, 32> kCp1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char16_t latin8Char(uchar b)
{
    return b >= 0x80 && b < 0xA0 ? kCp1252[b - 0x80] : char16_t(b);
}

// The byte for c in Latin8, or -1.
int latin8Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    if (c < 0xA0)
        return kCp1252[c - 0x80] == c ? c : -1;
    const auto it = std::find(kCp1252.begin(), kCp1252.end(), c);
    return it == kCp1252.end() ? -1 : 0x80 + int(it - kCp1252.begin());
}

constexpr bool isLoneLowPlaceholder(char16_t c) { return c >= placeholderBase && c <= placeholderBase + 0xFF; }
constexpr bool isHigh(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
constexpr bool isLow(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

// Characters the edit widget reserves for itself; they travel as placeholders of their bytes.
constexpr bool isReserved(char32_t c) { return c == 0xFDD0 || c == 0xFDD1; }

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

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr char kUtf16LEBom[] = "\xFF\xFE";
constexpr char kUtf16BEBom[] = "\xFE\xFF";

QByteArrayView bomBytes(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8: return QByteArrayView(kUtf8Bom, 3);
    case Encoding::Utf16LE: return QByteArrayView(kUtf16LEBom, 2);
    case Encoding::Utf16BE: return QByteArrayView(kUtf16BEBom, 2);
    case Encoding::Latin8: break;
    }
    return {};
}

bool isUtf16(Encoding encoding) { return encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE; }

template<bool BigEndian>
char16_t unitAt(const uchar *p)
{
    return BigEndian ? char16_t(p[0] << 8 | p[1]) : char16_t(p[1] << 8 | p[0]);
}

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

// Writers of one code point or unit; each returns the new end of its output.
char *putUtf8(char32_t cp, char *o)
{
    if (cp < 0x80) {
        *o++ = char(cp);
    } else if (cp < 0x800) {
        *o++ = char(0xC0 | cp >> 6);
        *o++ = char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *o++ = char(0xE0 | cp >> 12);
        *o++ = char(0x80 | (cp >> 6 & 0x3F));
        *o++ = char(0x80 | (cp & 0x3F));
    } else {
        *o++ = char(0xF0 | cp >> 18);
        *o++ = char(0x80 | (cp >> 12 & 0x3F));
        *o++ = char(0x80 | (cp >> 6 & 0x3F));
        *o++ = char(0x80 | (cp & 0x3F));
    }
    return o;
}

template<bool BigEndian>
char *putUtf16(char16_t u, char *o)
{
    *o++ = char(BigEndian ? u >> 8 : u & 0xFF);
    *o++ = char(BigEndian ? u & 0xFF : u >> 8);
    return o;
}

// How the unit at s is written: as itself, as a pair with s[1], as its placeholder byte, or not at all.
enum class Unit { Plain, Pair, Placeholder, Unencodable };

inline Unit classify(const char16_t *s, const char16_t *end)
{
    const char16_t c = *s;
    if (c < 0xD800 || c >= 0xE000)
        return Unit::Plain;
    if (isHigh(c))
        return s + 1 < end && isLow(s[1]) ? Unit::Pair : Unit::Unencodable;
    return isLoneLowPlaceholder(c) ? Unit::Placeholder : Unit::Unencodable;
}

char *encodeUtf8(const char16_t *s, const char16_t *end, char *o, qsizetype &substitutions)
{
    while (s < end) {
        const char16_t c = *s;
        if (c < 0x80) {
            *o++ = char(c);
            ++s;
            continue;
        }
        switch (classify(s, end)) {
        case Unit::Plain: o = putUtf8(c, o); break;
        case Unit::Pair: o = putUtf8(0x10000 + ((c - 0xD800) << 10) + (s[1] - 0xDC00), o); ++s; break;
        case Unit::Placeholder: *o++ = char(c - placeholderBase); break;
        case Unit::Unencodable: o = putUtf8(kReplacement, o); ++substitutions; break;
        }
        ++s;
    }
    return o;
}

// What a UTF-16 encoder remembers between calls: a placeholder byte waiting for its partner, and whether
// the last unit written was a lone high surrogate, which a low one written next would pair with.
struct Utf16State {
    int held = -1;
    bool afterHigh = false;
};

template<bool BigEndian>
char *releaseHeld(char *o, qsizetype &substitutions, Utf16State &state)
{
    if (state.held < 0)
        return o;
    // Half a unit inside the file would shift every byte after it.
    state.held = -1;
    state.afterHigh = false;
    ++substitutions;
    return putUtf16<BigEndian>(kReplacement, o);
}

template<bool BigEndian>
char *encodeUtf16(const char16_t *s, const char16_t *end, char *o, qsizetype &substitutions, Utf16State &state)
{
    for (; s < end; ++s) {
        const Unit unit = classify(s, end);
        if (unit == Unit::Placeholder) {
            const uchar b = uchar(*s - placeholderBase);
            if (state.held < 0) {
                state.held = b;
                continue;
            }
            const char16_t u = BigEndian ? char16_t(state.held << 8 | b) : char16_t(b << 8 | state.held);
            state.held = -1;
            // Two placeholders stay bytes only where those bytes read back as the same two placeholders.
            if (isHigh(u) || (isLow(u) && !state.afterHigh) || isReserved(u)) {
                o = putUtf16<BigEndian>(u, o);
                state.afterHigh = isHigh(u);
            } else {
                o = putUtf16<BigEndian>(kReplacement, putUtf16<BigEndian>(kReplacement, o));
                substitutions += 2;
                state.afterHigh = false;
            }
            continue;
        }
        o = releaseHeld<BigEndian>(o, substitutions, state);
        state.afterHigh = false;
        switch (unit) {
        case Unit::Plain: o = putUtf16<BigEndian>(*s, o); break;
        case Unit::Pair: o = putUtf16<BigEndian>(s[1], putUtf16<BigEndian>(*s, o)); ++s; break;
        case Unit::Placeholder: break;
        case Unit::Unencodable: o = putUtf16<BigEndian>(kReplacement, o); ++substitutions; break;
        }
    }
    return o;
}

char *encodeLatin8(const char16_t *s, const char16_t *end, char *o, qsizetype &substitutions)
{
    for (; s < end; ++s) {
        const int b = latin8Byte(*s);
        if (b >= 0) {
            *o++ = char(b);
            continue;
        }
        const Unit unit = classify(s, end);
        if (unit == Unit::Placeholder) {
            // Its byte is kept, but it reads back as a character of this encoding.
            *o++ = char(*s - placeholderBase);
            ++substitutions;
            continue;
        }
        *o++ = '?';
        ++substitutions;
        s += unit == Unit::Pair;
    }
    return o;
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

QByteArray encode(QStringView text, const std::vector<LineEnd> &ends, const TextFormat &format)
{
    Encoder encoder(format);
    size_t line = 0;
    for (;;) {
        const qsizetype nl = text.indexOf(u'\n');
        encoder.appendLine(nl < 0 ? text : text.first(nl));
        if (nl < 0)
            break;
        encoder.appendEnd(line < ends.size() ? std::optional<LineEnd>(ends[line]) : std::nullopt);
        ++line;
        text = text.sliced(nl + 1);
    }
    encoder.finish();
    return encoder.take();
}

QString normaliseBreaks(QString text, Encoding encoding)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar(kPS), QLatin1Char('\n'));
    for (const char16_t mark : {u'\xFDD0', u'\xFDD1'}) {
        if (!text.contains(QChar(mark)))
            continue;
        const char high = char(mark >> 8), low = char(mark & 0xFF);
        const QByteArray bytes = encoding == Encoding::Utf16LE   ? QByteArray(1, low).append(high)
                                 : encoding == Encoding::Utf16BE ? QByteArray(1, high).append(low)
                                                                 : QString(QChar(mark)).toUtf8();
        QString placeholders;
        for (const char b : bytes)
            placeholders += placeholder(static_cast<unsigned char>(b));
        text.replace(QChar(mark), placeholders);
    }
    return text;
}

bool canEncode(QStringView text, Encoding encoding)
{
    const auto *s = reinterpret_cast<const char16_t *>(text.utf16());
    const char16_t *end = s + text.size();
    for (; s < end; ++s) {
        if (encoding == Encoding::Latin8 && latin8Byte(*s) >= 0)
            continue;
        switch (classify(s, end)) {
        case Unit::Plain:
            if (encoding == Encoding::Latin8)
                return false;
            break;
        case Unit::Pair:
            if (encoding == Encoding::Latin8)
                return false;
            ++s;
            break;
        case Unit::Placeholder:
            if (encoding == Encoding::Latin8)
                return false;
            break;
        case Unit::Unencodable: return false;
        }
    }
    return true;
}

bool canEncode(LineEnd end, Encoding encoding)
{
    return !(end == LineEnd::PS && encoding == Encoding::Latin8);
}

bool canEncode(QStringView text, const std::vector<LineEnd> &ends, const TextFormat &format)
{
    if (!canEncode(format.lineEnd, format.encoding))
        return false;
    for (LineEnd end : ends) {
        if (!canEncode(end, format.encoding))
            return false;
    }
    return canEncode(text, format.encoding);
}

Encoder::Encoder(const TextFormat &format) : m_format(format)
{
    if (format.bom)
        m_bytes.append(bomBytes(format.encoding));
}

void Encoder::appendLine(QStringView line)
{
    const auto *s = reinterpret_cast<const char16_t *>(line.utf16());
    appendUnits(s, s + line.size());
    m_afterCR = m_afterCR && line.isEmpty();
}

void Encoder::finish()
{
    // An odd last byte of a UTF-16 file is where it was: at the very end.
    if (m_utf16Held >= 0)
        m_bytes.append(char(m_utf16Held));
    m_utf16Held = -1;
}

namespace {

// The first or last unit of bytes in the encoding, or -1 when there is none.
int unitOf(QByteArrayView bytes, Encoding encoding, bool last)
{
    if (!isUtf16(encoding))
        return bytes.isEmpty() ? -1 : uchar(last ? bytes.back() : bytes.front());
    if (bytes.size() < 2)
        return -1;
    const auto *p = reinterpret_cast<const uchar *>(bytes.data()) + (last ? bytes.size() - 2 : 0);
    return encoding == Encoding::Utf16BE ? unitAt<true>(p) : unitAt<false>(p);
}

}

bool Encoder::takesRaw(QByteArrayView bytes) const
{
    // An odd UTF-16 piece ends in half a unit: it goes through the encoder, which keeps that byte only at the end.
    if (isUtf16(m_format.encoding) && bytes.size() % 2)
        return false;
    const int first = unitOf(bytes, m_format.encoding, false);
    return m_utf16Held < 0 && !(m_afterCR && first == kLF) && !(m_utf16AfterHigh && first >= 0 && isLow(char16_t(first)));
}

void Encoder::wroteRaw(QByteArrayView bytes)
{
    const int last = unitOf(bytes, m_format.encoding, true);
    m_afterCR = last == kCR;
    m_utf16AfterHigh = isUtf16(m_format.encoding) && last >= 0 && isHigh(char16_t(last));
}

void Encoder::appendEnd(std::optional<LineEnd> end)
{
    LineEnd kind = end.value_or(m_format.lineEnd);
    if (!canEncode(kind, m_format.encoding)) {
        // Keep the break a break rather than drop it.
        kind = canEncode(m_format.lineEnd, m_format.encoding) ? m_format.lineEnd : LineEnd::LF;
        ++m_substitutions;
    }
    // CR and then LF read back as one CR LF: an empty line would vanish. CR LF after a CR reads as it is.
    if (kind == LineEnd::LF && m_afterCR)
        kind = LineEnd::CRLF;
    m_afterCR = kind == LineEnd::CR;
    static constexpr char16_t crlf[] = {kCR, kLF};
    switch (kind) {
    case LineEnd::LF: appendUnits(&kLF, &kLF + 1); break;
    case LineEnd::CRLF: appendUnits(crlf, crlf + 2); break;
    case LineEnd::CR: appendUnits(&kCR, &kCR + 1); break;
    case LineEnd::PS: appendUnits(&kPS, &kPS + 1); break;
    }
}

QByteArray Encoder::take()
{
    return std::exchange(m_bytes, QByteArray());
}

void Encoder::appendUnits(const char16_t *begin, const char16_t *end)
{
    // Write straight into spare capacity sized for the worst case, then cut back.
    const qsizetype perUnit = m_format.encoding == Encoding::Utf8 ? 3 : isUtf16(m_format.encoding) ? 2 : 1;
    const qsizetype used = m_bytes.size();
    // A held UTF-16 byte may come out first, as a U+FFFD of its own.
    const qsizetype needed = used + perUnit * (end - begin) + (m_utf16Held >= 0 ? 2 : 0);
    if (needed > m_bytes.capacity())
        m_bytes.reserve(std::max(needed, 2 * m_bytes.capacity()));
    m_bytes.resize(needed);
    char *const start = m_bytes.data() + used;
    char *o = start;
    Utf16State state{m_utf16Held, m_utf16AfterHigh};
    switch (m_format.encoding) {
    case Encoding::Utf8: o = encodeUtf8(begin, end, o, m_substitutions); break;
    case Encoding::Utf16LE: o = encodeUtf16<false>(begin, end, o, m_substitutions, state); break;
    case Encoding::Utf16BE: o = encodeUtf16<true>(begin, end, o, m_substitutions, state); break;
    case Encoding::Latin8: o = encodeLatin8(begin, end, o, m_substitutions); break;
    }
    m_bytes.truncate(used + (o - start));
    m_utf16Held = state.held;
    m_utf16AfterHigh = state.afterHigh;
}

} // namespace text
