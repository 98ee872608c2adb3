// The byte forms of a search text and the scan for them: a rare byte of the search text (both cases of
// it without Match Case), paired with a second one at a fixed distance where the forms allow, finds the
// candidates; each is then matched character by character.
#include "text/bytefind_p.h"

#include <QChar>

#include <algorithm>
#include <cstring>
#include <mutex>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace text::bytefind {

using namespace pieces;

namespace {

// Every BMP unit beside its simple case folding, sorted by the folding: the characters that match a
// character without Match Case are one range of it.
const std::vector<std::pair<char16_t, char16_t>> &foldings()
{
    static std::vector<std::pair<char16_t, char16_t>> table;
    static std::once_flag once;
    std::call_once(once, [] {
        table.reserve(0x10000);
        for (char32_t u = 0; u < 0x10000; ++u) {
            if (!isHigh(char16_t(u)) && !isLow(char16_t(u)))
                table.emplace_back(QChar::toCaseFolded(char16_t(u)), char16_t(u));
        }
        std::sort(table.begin(), table.end());
    });
    return table;
}

bool formOf(char16_t c, Kind kind, Form &form)
{
    if (isReserved(c) || isHigh(c) || isLow(c))
        return false;
    if (kind == Kind::Latin8) {
        if (!canEncode(QStringView(&c, 1), Encoding::Latin8))
            return false;
        form.bytes[0] = uchar(encode(QStringView(&c, 1), {}, TextFormat{Encoding::Latin8, false, LineEnd::LF}).at(0));
        form.size = 1;
    } else if (c < 0x80) {
        form.bytes[0] = uchar(c);
        form.size = 1;
    } else if (c < 0x800) {
        form.bytes[0] = uchar(0xC0 | c >> 6);
        form.bytes[1] = uchar(0x80 | (c & 0x3F));
        form.size = 2;
    } else {
        form.bytes[0] = uchar(0xE0 | c >> 12);
        form.bytes[1] = uchar(0x80 | (c >> 6 & 0x3F));
        form.bytes[2] = uchar(0x80 | (c & 0x3F));
        form.size = 3;
    }
    return true;
}

// How often a byte starts a character in text, roughly: the rarest of the search text's are the candidates.
int weight(uchar b)
{
    static const char common[] = " etaoinshrdlucmwfgypbvkxjqz";
    if (const char *at = b ? std::strchr(common, b) : nullptr)
        return 200 - 7 * int(at - common);
    if (b >= 'A' && b <= 'Z')
        return 25;
    if (b >= '0' && b <= '9')
        return 20;
    if (b >= 0xC2 && b <= 0xDF)
        return 60;   // the lead byte of accented Latin, Greek and Cyrillic letters
    return b >= 0x80 ? 30 : 15;
}

std::vector<uchar> firstBytes(const std::vector<Form> &forms)
{
    std::vector<uchar> bytes;
    for (const Form &f : forms) {
        if (std::find(bytes.begin(), bytes.end(), f.bytes[0]) == bytes.end())
            bytes.push_back(f.bytes[0]);
    }
    return bytes;
}

int score(const std::vector<uchar> &bytes)
{
    int sum = 0;
    for (uchar b : bytes)
        sum += weight(b);
    return bytes.size() > 4 ? INT_MAX : sum;
}

// The size every form of a character has, or 0 when they differ.
int uniformSize(const std::vector<Form> &forms)
{
    for (const Form &f : forms) {
        if (f.size != forms.front().size)
            return 0;
    }
    return forms.front().size;
}

#if defined(__SSE2__)
inline int maskOf(const uchar *p, const std::vector<uchar> &bytes)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    __m128i hit = _mm_cmpeq_epi8(v, _mm_set1_epi8(char(bytes[0])));
    for (size_t i = 1; i < bytes.size(); ++i)
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_set1_epi8(char(bytes[i]))));
    return _mm_movemask_epi8(hit);
}
#endif

}

bool Matcher::searchable(QStringView needle)
{
    for (QChar c : needle) {
        const char16_t u = c.unicode();
        if (u == '\n' || u == '\r' || u == 0x2029 || isReserved(u) || isHigh(u) || isLow(u))
            return false;
    }
    return !needle.isEmpty();
}

Matcher::Matcher(QStringView needle, bool matchCase, Kind kind)
{
    const auto &table = foldings();
    for (QChar c : needle) {
        std::vector<Form> forms;
        Form form;
        if (matchCase) {
            if (formOf(c.unicode(), kind, form))
                forms.push_back(form);
        } else {
            const char16_t folded = QChar::toCaseFolded(c.unicode());
            auto it = std::lower_bound(table.begin(), table.end(), std::make_pair(folded, char16_t(0)));
            for (; it != table.end() && it->first == folded; ++it) {
                if (formOf(it->second, kind, form))
                    forms.push_back(form);
            }
        }
        m_impossible = m_impossible || forms.empty();
        m_chars.push_back(std::move(forms));
    }
    if (m_impossible)
        return;
    int best = INT_MAX;
    for (int i = 0; i < int(m_chars.size()); ++i) {
        const int s = score(firstBytes(m_chars[size_t(i)]));
        if (s < best) {
            best = s;
            m_anchor = i;
        }
    }
    m_first = firstBytes(m_chars[size_t(m_anchor)]);
    // A second character at a fixed distance from the anchor: every character from the earlier of the two
    // up to the later one has forms of one size.
    int bestPair = INT_MAX;
    for (int k = 0; k < int(m_chars.size()); ++k) {
        if (k == m_anchor)
            continue;
        int distance = 0;
        bool fixed = true;
        for (int i = std::min(k, m_anchor); i < std::max(k, m_anchor) && fixed; ++i) {
            const int size = uniformSize(m_chars[size_t(i)]);
            fixed = size > 0;
            distance += size;
        }
        const int s = score(firstBytes(m_chars[size_t(k)]));
        if (fixed && s < bestPair) {
            bestPair = s;
            m_pair = k;
            m_pairDistance = k > m_anchor ? distance : -distance;
        }
    }
    if (m_pair >= 0)
        m_second = firstBytes(m_chars[size_t(m_pair)]);
}

// Matches the characters from the anchor on forward, and those before it backward; UTF-8 forms and
// single bytes are both free of prefixes and suffixes, so at most one form fits each place.
bool Matcher::matchesAt(const uchar *begin, const uchar *anchor, const uchar *end, const uchar **start) const
{
    const uchar *p = anchor;
    for (size_t i = size_t(m_anchor); i < m_chars.size(); ++i) {
        const auto &forms = m_chars[i];
        auto it = std::find_if(forms.begin(), forms.end(), [&](const Form &f) {
            return end - p >= f.size && std::memcmp(p, f.bytes, size_t(f.size)) == 0;
        });
        if (it == forms.end())
            return false;
        p += it->size;
    }
    p = anchor;
    for (size_t i = size_t(m_anchor); i-- > 0;) {
        const auto &forms = m_chars[i];
        auto it = std::find_if(forms.begin(), forms.end(), [&](const Form &f) {
            return p - begin >= f.size && std::memcmp(p - f.size, f.bytes, size_t(f.size)) == 0;
        });
        if (it == forms.end())
            return false;
        p -= it->size;
    }
    *start = p;
    return true;
}

const uchar *Matcher::find(const uchar *begin, const uchar *from, const uchar *end) const
{
    if (m_impossible || from >= end)
        return nullptr;
    const std::ptrdiff_t d = m_pair >= 0 ? m_pairDistance : 0;
    // Anchor places q with q and q + d inside [from, end).
    const uchar *lo = d < 0 ? from - d : from;
    const uchar *hi = d > 0 ? end - d : end;
    const uchar *matchStart = nullptr;
    auto check = [&](const uchar *q) {
        return matchesAt(begin, q, end, &matchStart) && matchStart >= from;
    };
    const uchar *q = lo;
#if defined(__SSE2__)
    for (; hi - q >= 16; q += 16) {
        int mask = maskOf(q, m_first);
        if (mask && m_pair >= 0)
            mask &= maskOf(q + d, m_second);
        while (mask) {
            const int bit = __builtin_ctz(unsigned(mask));
            if (check(q + bit))
                return matchStart;
            mask &= mask - 1;
        }
    }
#endif
    for (; q < hi; ++q) {
        if (std::find(m_first.begin(), m_first.end(), *q) == m_first.end())
            continue;
        if (m_pair >= 0 && std::find(m_second.begin(), m_second.end(), q[d]) == m_second.end())
            continue;
        if (check(q))
            return matchStart;
    }
    return nullptr;
}

} // namespace text::bytefind
