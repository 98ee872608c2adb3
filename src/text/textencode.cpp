// Encoding text into file bytes: whole strings, the document line by line, and what each encoding can hold.
#include "textformat.h"

#include "text/textformat_p.h"

namespace text {

using namespace codec;

namespace {

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
