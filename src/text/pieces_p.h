// What the document's pieces share with its scan: stepping over bytes exactly as decode() does.
#pragma once

#include "text/textformat.h"

#include <climits>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace text::pieces {

using uchar = unsigned char;

// The added buffer holds every UTF-16 unit on its own (a surrogate too) as UTF-8 would write it, a
// break taking the main line end as '\n', and a break with an end of its own as AddedEnd + LineEnd.
enum class Kind { Utf8, Utf16LE, Utf16BE, Latin8, Added };
constexpr uchar AddedEnd = 0xF8;

// The set bits of a 16-lane byte mask. The builtin becomes a library call on the baseline x86-64, which has no
// popcnt instruction; this stays a few register operations.
inline int bits16(unsigned m)
{
    m = m - ((m >> 1) & 0x5555u);
    m = (m & 0x3333u) + ((m >> 2) & 0x3333u);
    m = (m + (m >> 4)) & 0x0f0fu;
    return int((m + (m >> 8)) & 0x1fu);
}

inline Kind kindOf(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8: return Kind::Utf8;
    case Encoding::Utf16LE: return Kind::Utf16LE;
    case Encoding::Utf16BE: return Kind::Utf16BE;
    case Encoding::Latin8: break;
    }
    return Kind::Latin8;
}

constexpr bool isHigh(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
constexpr bool isLow(char16_t c) { return c >= 0xDC00 && c < 0xE000; }
constexpr bool isReserved(char32_t c) { return c == 0xFDD0 || c == 0xFDD1; }

using text::utf8Sequence;   // the codec's own, so the scan and the decoder judge bytes alike

struct Step
{
    int bytes = 1;
    int units = 1;   // more than one: an atom, which no piece boundary may cut
    bool isBreak = false;
};

template<bool BigEndian>
inline char16_t unitAt(const uchar *p)
{
    return BigEndian ? char16_t(p[0] << 8 | p[1]) : char16_t(p[1] << 8 | p[0]);
}

template<bool BigEndian>
inline Step utf16Step(const uchar *p, const uchar *end)
{
    if (end - p < 2)
        return {1, 1, false};
    const char16_t u = unitAt<BigEndian>(p);
    if (u == 0x0A || u == 0x2029)
        return {2, 1, true};
    if (u == 0x0D)
        return {end - p >= 4 && unitAt<BigEndian>(p + 2) == 0x0A ? 4 : 2, 1, true};
    if (isHigh(u) && end - p >= 4 && isLow(unitAt<BigEndian>(p + 2)))
        return {4, 2, false};
    if (isHigh(u) || isLow(u) || isReserved(u))
        return {2, 2, false};   // two placeholders
    return {2, 1, false};
}

// The step decode() takes at p; `end` is the end of what is decoded together.
inline Step stepAt(Kind kind, const uchar *p, const uchar *end)
{
    const uchar b = *p;
    switch (kind) {
    case Kind::Added:
        if (b < 0x80)
            return {1, 1, b == '\n'};
        if (b >= AddedEnd)
            return {1, 1, true};
        return {b >= 0xE0 ? 3 : 2, 1, false};
    case Kind::Latin8:
        if (b == '\r')
            return {p + 1 < end && p[1] == '\n' ? 2 : 1, 1, true};
        return {1, 1, b == '\n'};
    case Kind::Utf16LE: return utf16Step<false>(p, end);
    case Kind::Utf16BE: return utf16Step<true>(p, end);
    case Kind::Utf8: break;
    }
    if (b < 0x80) {
        if (b == '\r')
            return {p + 1 < end && p[1] == '\n' ? 2 : 1, 1, true};
        return {1, 1, b == '\n'};
    }
    char32_t cp = 0;
    const int len = utf8Sequence(p, end, cp);
    if (len == 0)
        return {1, 1, false};
    if (isReserved(cp))
        return {len, len, false};   // one placeholder per byte
    if (cp == 0x2029)
        return {len, 1, true};
    return {len, cp >= 0x10000 ? 2 : 1, false};
}

struct Walk
{
    const uchar *p = nullptr;
    qint64 units = 0;
    qint64 breaks = 0;
    const uchar *atom = nullptr;   // where the walk stopped before an atom that unitLimit falls inside
    bool counted = true;   // no step yet that would keep walkCounted() from counting it
};

// Steps from p while units < unitLimit and breaks < breakLimit; runs of plain ASCII go sixteen at a time.
inline Walk walk(Kind kind, const uchar *p, const uchar *end, qint64 unitLimit, qint64 breakLimit)
{
    Walk w;
    while (p < end && w.units < unitLimit && w.breaks < breakLimit) {
#if defined(__SSE2__)
        if (end - p >= 16 && w.units + 16 <= unitLimit && kind != Kind::Utf16LE && kind != Kind::Utf16BE) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            const int cr = _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
            const int special = kind == Kind::Latin8 ? cr : kind == Kind::Added ? _mm_movemask_epi8(v) : cr | _mm_movemask_epi8(v);
            if (special == 0) {
                const int lf = bits16(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')))));
                if (w.breaks + lf < breakLimit) {
                    w.units += 16;
                    w.breaks += lf;
                    p += 16;
                    continue;
                }
            }
        }
#endif
        const Step s = stepAt(kind, p, end);
        if (w.units + s.units > unitLimit) {
            w.atom = p;
            break;
        }
        if (s.units != 1 || (s.isBreak && *p != '\n') || (s.bytes == 1 && *p >= 0x80))
            w.counted = false;
        w.units += s.units;
        w.breaks += s.isBreak;
        p += s.bytes;
    }
    w.p = p;
    return w;
}

// The walk over a counted piece: units are the bytes that are no continuation bytes, breaks are
// '\n' (and, added, the end markers), so sixteen bytes at a time with no decoding at all.
inline Walk walkCounted(Kind kind, const uchar *p, const uchar *end, qint64 unitLimit, qint64 breakLimit)
{
    Walk w;
#if defined(__SSE2__)
    for (; end - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i trail = _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(char(0xC0))), _mm_set1_epi8(char(0x80)));
        __m128i br = _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'));
        if (kind == Kind::Added)   // 0xF8..0xFF, as signed bytes -8..-1
            br = _mm_or_si128(br, _mm_and_si128(_mm_cmplt_epi8(v, _mm_setzero_si128()), _mm_cmpgt_epi8(v, _mm_set1_epi8(-9))));
        const int starts = 16 - bits16(unsigned(_mm_movemask_epi8(trail)));
        const int breaks = bits16(unsigned(_mm_movemask_epi8(br)));
        if (w.units + starts >= unitLimit || w.breaks + breaks >= breakLimit)
            break;
        w.units += starts;
        w.breaks += breaks;
    }
#endif
    for (; p < end; ++p) {
        if ((*p & 0xC0) == 0x80)
            continue;
        if (w.units >= unitLimit || w.breaks >= breakLimit)
            break;
        ++w.units;
        w.breaks += *p == '\n' || (kind == Kind::Added && *p >= AddedEnd);
    }
    w.p = p;
    return w;
}

inline qint64 countByte(const uchar *p, const uchar *end, uchar byte)
{
    qint64 n = 0;
#if defined(__SSE2__)
    const __m128i needle = _mm_set1_epi8(char(byte));
    for (; end - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        n += bits16(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, needle))));
    }
#endif
    for (; p < end; ++p)
        n += *p == byte;
    return n;
}

struct Counts
{
    qint64 units = 0;
    qint64 breaks = 0;
    bool simple = true;    // one byte per unit, and '\n' the only break
    bool counted = false;  // each byte that is no continuation byte starts one unit (see walkCounted)
};

inline Counts countSteps(Kind kind, const uchar *p, const uchar *end)
{
    bool simple = kind != Kind::Utf16LE && kind != Kind::Utf16BE;
    for (const uchar *q = p; q < end && simple; ++q)
        simple = kind == Kind::Latin8 ? *q != '\r' : kind == Kind::Added ? *q < 0x80 : *q < 0x80 && *q != '\r';
    if (simple)
        return {end - p, countByte(p, end, '\n'), true, true};
    if (kind == Kind::Added) {
        const Walk w = walkCounted(kind, p, end, LLONG_MAX, LLONG_MAX);
        return {w.units, w.breaks, false, true};
    }
    // UTF-8 is counted when well formed with no pair, CR, paragraph separator or reserved character.
    const Walk w = walk(kind, p, end, LLONG_MAX, LLONG_MAX);
    return {w.units, w.breaks, false, kind == Kind::Utf8 && w.counted};
}

} // namespace text::pieces
