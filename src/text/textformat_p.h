// What the codec's reading and writing halves share: the 8-bit table, the kinds of UTF-16 unit, the marks.
#pragma once

#include "text/textformat.h"

#include <algorithm>
#include <array>

namespace text::codec {

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
inline int latin8Byte(char16_t c)
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

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr char kUtf16LEBom[] = "\xFF\xFE";
constexpr char kUtf16BEBom[] = "\xFE\xFF";

inline QByteArrayView bomBytes(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8: return QByteArrayView(kUtf8Bom, 3);
    case Encoding::Utf16LE: return QByteArrayView(kUtf16LEBom, 2);
    case Encoding::Utf16BE: return QByteArrayView(kUtf16BEBom, 2);
    case Encoding::Latin8: break;
    }
    return {};
}

inline bool isUtf16(Encoding encoding) { return encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE; }

template<bool BigEndian>
char16_t unitAt(const uchar *p)
{
    return BigEndian ? char16_t(p[0] << 8 | p[1]) : char16_t(p[1] << 8 | p[0]);
}

} // namespace text::codec
