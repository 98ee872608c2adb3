// ICU's line, character and word break iterators over windows of a line, with the view's own extras:
// a byte's placeholder is a caret stop of its own, and Ctrl+arrows skip the spaces after a word.
#include "platform/view/breaks.h"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <array>

#include "text/textformat.h"

namespace platform {

namespace {

// Context ICU sees before the first place asked about: enough for every rule but pathological runs.
constexpr int Context = 64;
// How far one window reaches ahead; wrap breaks are walked a window at a time, caret stops are near.
constexpr int WrapSpan = 1024;
constexpr int ClusterSpan = 256;
constexpr int WordReach = 4096;
// A window that ends inside the line trusts no break this close to its end: ICU saw no text after it.
constexpr int Lookahead = 32;

bool splitsPair(QStringView line, int at)
{
    return at > 0 && at < line.size() && line[at].isLowSurrogate() && line[at - 1].isHighSurrogate();
}

int windowStart(QStringView line, int at)
{
    int from = std::max(0, at);
    if (from > 0 && line[from - 1] == QLatin1Char(' ')) {
        // Rules look back past spaces ("( a" keeps "a"), so the window begins at what the spaces follow.
        const int limit = std::max(0, from - 16 * Context);
        while (from > limit && line[from - 1] == QLatin1Char(' '))
            --from;
        from = std::max(0, from - 1);
    }
    return splitsPair(line, from) ? from - 1 : from;
}

int windowEnd(QStringView line, int at)
{
    const int to = std::min(int(line.size()), at);
    return splitsPair(line, to) ? to + 1 : to;
}

// One iterator of each kind per thread, set to the window asked about: opening one costs far more than a
// window's breaks.
UBreakIterator *iterator(UBreakIteratorType type, QStringView text)
{
    struct Iterators
    {
        UBreakIterator *line = nullptr, *character = nullptr, *word = nullptr;
        ~Iterators()
        {
            for (UBreakIterator *it : {line, character, word}) {
                if (it)
                    ubrk_close(it);
            }
        }
    };
    thread_local Iterators cache;
    UBreakIterator *&it = type == UBRK_LINE ? cache.line : type == UBRK_CHARACTER ? cache.character : cache.word;
    UErrorCode status = U_ZERO_ERROR;
    if (!it)
        it = ubrk_open(type, "", nullptr, 0, &status);
    if (it)
        ubrk_setText(it, text.utf16(), int32_t(text.size()), &status);
    return it && U_SUCCESS(status) ? it : nullptr;
}

// ASCII text is most of what is wrapped, and ICU's rules for it are mostly about pairs: breakRows asks ICU
// only where the pair's neighbours might matter. The verdicts, taken from ICU 72, are "x" no break, "/" a
// break, "?" up to more than the pair; rows are the character before, columns the one after.
enum Verdict { No, Yes, Ask };
enum PairClass { AL, BA, CL, EX, HY, IS, NU, OP, PO, PR, QU, SY, CP, PairClasses };
constexpr const char *PairVerdicts[PairClasses] = {
    // AL BA CL EX HY IS NU OP PO PR QU SY CP
    "xxxxxxxxxxxxx",   // AL  letters # & * < = > @ ^ _ ` ~
    "?xxxxx????xxx",   // BA  tab |
    "/xxxxx//??xxx",   // CL  }
    "/xxxxx////xxx",   // EX  ! ?
    "?xxxxxx???xxx",   // HY  -
    "xxxxxxx/??xxx",   // IS  , . : ;
    "xxxxxxxxxxxxx",   // NU  digits
    "xxxxxxxxxxxxx",   // OP  ( [ {
    "xxxxxxx?//xxx",   // PO  %
    "xxxxxxx?//xxx",   // PR  $ + backslash
    "xxxxxxxxxxxxx",   // QU  " '
    "/xxxxx?/??xxx",   // SY  /
    "xxxxxxx/??xxx",   // CP  ) ]
};

// The pair class of each ASCII character: a tab or a printable one other than the space, else -1.
const std::array<signed char, 128> asciiClasses = [] {
    std::array<signed char, 128> table{};
    for (char16_t a = 0; a < 128; ++a) {
        const bool printable = a == u'\t' || (a > u' ' && a < 0x7F);
        switch (printable ? u_getIntPropertyValue(a, UCHAR_LINE_BREAK) : -1) {
        case U_LB_ALPHABETIC: table[a] = AL; break;
        case U_LB_BREAK_AFTER: table[a] = BA; break;
        case U_LB_CLOSE_PUNCTUATION: table[a] = CL; break;
        case U_LB_EXCLAMATION: table[a] = EX; break;
        case U_LB_HYPHEN: table[a] = HY; break;
        case U_LB_INFIX_NUMERIC: table[a] = IS; break;
        case U_LB_NUMERIC: table[a] = NU; break;
        case U_LB_OPEN_PUNCTUATION: table[a] = OP; break;
        case U_LB_POSTFIX_NUMERIC: table[a] = PO; break;
        case U_LB_PREFIX_NUMERIC: table[a] = PR; break;
        case U_LB_QUOTATION: table[a] = QU; break;
        case U_LB_BREAK_SYMBOLS: table[a] = SY; break;
        case U_LB_CLOSE_PARENTHESIS: table[a] = CP; break;
        default: table[a] = -1;
        }
    }
    return table;
}();

int pairClass(char16_t c)
{
    return c < 128 ? asciiClasses[c] : -1;
}

// ICU's verdict on a wrap break before `at` (0 < at < size) where ASCII around it settles it; never before
// a space but after a line break.
Verdict asciiWrap(QStringView line, int at)
{
    const char16_t after = line[at].unicode();
    const char16_t before = line[at - 1].unicode();
    if (after == u' ')
        return (before >= 0x0A && before <= 0x0D) || before == 0x85 || before == 0x2028 || before == 0x2029 ? Ask : No;
    const int y = pairClass(after);
    if (y < 0)
        return Ask;
    if (before != u' ') {
        const int x = pairClass(before);
        if (x < 0)
            return Ask;
        const char verdict = PairVerdicts[x][y];
        // A hyphen or a tab breaks before a letter unless it starts a word or follows a Hebrew letter.
        if (verdict == '?')
            return (x == BA || x == HY) && at >= 2 && pairClass(line[at - 2].unicode()) >= 0 ? Yes : Ask;
        return verdict == '/' ? Yes : No;
    }
    // After spaces that follow ASCII: a break, but never before closing punctuation, nor after an opening
    // one and its spaces.
    int run = at - 1;
    const int limit = std::max(0, at - 4 * Context);
    while (run > limit && line[run - 1] == QLatin1Char(' '))
        --run;
    const int spaced = run == 0 ? AL : line[run - 1] == QLatin1Char(' ') ? -1 : pairClass(line[run - 1].unicode());
    if (spaced < 0 || y == IS)
        return Ask;
    if (y == CL || y == CP || y == EX || y == SY)
        return No;
    return run > 0 && (spaced == OP || (spaced == QU && y == OP)) ? No : Yes;
}

// A character below U+0300 never joins what follows an ASCII character other than CR: the common case
// needs no ICU.
bool asciiStopAfter(QStringView line, int at)
{
    const char16_t c = line[at].unicode();
    return c < 0x80 && c != u'\r' && (at + 1 >= line.size() || line[at + 1].unicode() < 0x300);
}

bool asciiStopBefore(QStringView line, int at)
{
    const char16_t c = line[at - 1].unicode();
    return c < 0x80 && (at == 1 || (line[at - 2].unicode() < 0x300 && !(c == u'\n' && line[at - 2] == QLatin1Char('\r'))));
}

Verdict asciiVerdict(LineBreaks::Kind kind, QStringView line, int at)
{
    if (kind == LineBreaks::Wrap)
        return asciiWrap(line, at);
    return asciiStopAfter(line, at - 1) ? Yes : Ask;
}

// ICU's word segments in a window of a line: words (letters, digits, kana, ideographs), spaces,
// punctuation (with the symbols a desktop text widget stops at: + = < > $ ^ ` | ~), and other symbols
// (emoji, placeholders, format characters).
class Words
{
public:
    enum Kind { Space, Punctuation, Symbol, Word };
    struct Segment
    {
        int start = 0;
        int end = 0;
        Kind kind = Symbol;
    };

    Words(QStringView line, int from, int to)
        : m_line(line), m_from(from), m_it(iterator(UBRK_WORD, line.mid(from, to - from)))
    {
    }

    // The segment that holds `i` (window start <= i < window end), in offsets of the line.
    Segment at(int i) const
    {
        if (!m_it)
            return {i, i + (splitsPair(m_line, i + 1) ? 2 : 1), kindOf(i, 0)};
        int end = m_from + ubrk_following(m_it, i - m_from);
        const int status = ubrk_getRuleStatus(m_it);
        int start = m_from + ubrk_preceding(m_it, end - m_from);
        const Kind kind = kindOf(start, status);
        if (kind == Space || kind == Punctuation) {
            // ICU hangs format characters and marks on what precedes them even where they are characters
            // of their own (U+FEFF after a full stop, a mark after a tab); like Qt, a word starts there.
            const int tail = tailOf(start, end, kind);
            if (i >= tail)
                return {tail, end, Symbol};
            end = tail;
        }
        return {start, end, kind};
    }

    // Ctrl+arrows stop where a segment that is no space begins, except inside a run of punctuation
    // ("->" is one stop) and where a symbol touches a word or a symbol ("a😀b" is one word, as it is to Qt).
    static bool stopBetween(Kind left, Kind right)
    {
        if (right == Space)
            return false;
        if (left == Punctuation || right == Punctuation)
            return left != right;
        return left == Space || (left == Word && right == Word);
    }

private:
    // Where a caret stop inside [start, end) begins a character of another kind, else end.
    int tailOf(int start, int end, Kind kind) const
    {
        LineBreaks clusters(LineBreaks::Cluster, m_line);
        for (int k = clusters.next(start); k < end; k = clusters.next(k)) {
            if (kindOf(k, 0) != kind)
                return k;
        }
        return end;
    }

    Kind kindOf(int start, int status) const
    {
        if (status >= UBRK_WORD_NONE_LIMIT)
            return Word;
        const char32_t c = splitsPair(m_line, start + 1) ? QChar::surrogateToUcs4(m_line[start], m_line[start + 1])
                                                        : m_line[start].unicode();
        if (QChar::isSpace(c))
            return Space;
        if (!m_it && QChar::isLetterOrNumber(c))
            return Word;
        switch (QChar::category(c)) {
        case QChar::Punctuation_Dash: case QChar::Punctuation_Open: case QChar::Punctuation_Close:
        case QChar::Punctuation_InitialQuote: case QChar::Punctuation_FinalQuote: case QChar::Punctuation_Other:
        case QChar::Symbol_Math: case QChar::Symbol_Currency: case QChar::Symbol_Modifier:
            return Punctuation;
        default:
            return Symbol;
        }
    }

    QStringView m_line;
    int m_from;
    UBreakIterator *m_it;
};

}

int LineBreaks::next(int at)
{
    const int n = int(m_line.size());
    for (int j = std::max(at, 0) + 1; j < n;) {
        if (j <= m_from || j > m_to) {
            const Verdict verdict = asciiVerdict(m_kind, m_line, j);
            if (verdict == Yes)
                return j;
            if (verdict == No) {
                ++j;
                continue;
            }
            fill(j - 1);
        }
        const auto hit = std::upper_bound(m_found.begin(), m_found.end(), j - 1);
        if (hit != m_found.end())
            return *hit;
        // A cluster longer than a window (thousands of marks) is cut there: a caret move stays cheap.
        if (m_kind == Cluster)
            return splitsPair(m_line, m_to) ? m_to + 1 : m_to;
        j = m_to + 1;
    }
    return n;
}

bool LineBreaks::isBreak(int at)
{
    if (at <= 0 || at >= m_line.size())
        return false;
    if (at <= m_from || at > m_to) {
        const Verdict verdict = asciiVerdict(m_kind, m_line, at);
        if (verdict != Ask)
            return verdict == Yes;
        fill(at - 1);
    }
    return std::binary_search(m_found.begin(), m_found.end(), at);
}

void LineBreaks::fill(int at)
{
    const int n = int(m_line.size());
    const bool wrap = m_kind == Wrap;
    const int from = windowStart(m_line, at - Context), to = windowEnd(m_line, at + (wrap ? WrapSpan : ClusterSpan));
    m_from = at;
    m_to = to == n ? n : to - Lookahead;
    m_found.clear();
    UBreakIterator *it = iterator(wrap ? UBRK_LINE : UBRK_CHARACTER, m_line.mid(from, to - from));
    if (!it) {
        // Without ICU every code point stands alone.
        for (int i = at + 1; i <= m_to; ++i) {
            if (!splitsPair(m_line, i))
                m_found.push_back(i);
        }
        return;
    }
    for (int b = ubrk_following(it, at - from); b != UBRK_DONE && from + b <= m_to; b = ubrk_next(it))
        m_found.push_back(from + b);
    if (wrap)
        return;
    // ICU lets a placeholder (an unpaired surrogate) take marks; here it is a character of its own.
    const size_t found = m_found.size();
    for (int k = at; k < m_to; ++k) {
        if (text::isPlaceholderAt(m_line, k)) {
            if (k > at)
                m_found.push_back(k);
            m_found.push_back(k + 1);
        }
    }
    if (m_found.size() > found) {
        std::sort(m_found.begin(), m_found.end());
        m_found.erase(std::unique(m_found.begin(), m_found.end()), m_found.end());
    }
}

bool breakAllowedBefore(QStringView line, int at)
{
    return LineBreaks(LineBreaks::Wrap, line).isBreak(at);
}

int nextCluster(QStringView line, int at)
{
    return LineBreaks(LineBreaks::Cluster, line).next(at);
}

int backspaceStart(QStringView line, int at)
{
    at = std::min(at, int(line.size()));
    if (at <= 0)
        return 0;
    const int cluster = previousCluster(line, at);
    for (int i = cluster; i < at; ++i) {
        char32_t c = line[i].unicode();
        if (line[i].isHighSurrogate() && i + 1 < at && line[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(line[i], line[i + 1]);
            ++i;
        }
        // An emoji sequence, a flag, a keycap or a character with its variation selector is one thing to
        // the eye: no part of it on its own means anything.
        if (u_hasBinaryProperty(UChar32(c), UCHAR_EXTENDED_PICTOGRAPHIC) || u_hasBinaryProperty(UChar32(c), UCHAR_REGIONAL_INDICATOR)
            || u_hasBinaryProperty(UChar32(c), UCHAR_EMOJI_MODIFIER) || u_hasBinaryProperty(UChar32(c), UCHAR_VARIATION_SELECTOR)
            || c == 0x20E3 || (c >= 0xE0020 && c <= 0xE007F))
            return cluster;
    }
    return splitsPair(line, at - 1) ? at - 2 : at - 1;
}

int previousCluster(QStringView line, int at)
{
    at = std::min(at, int(line.size()));
    if (at <= 0)
        return 0;
    if (asciiStopBefore(line, at) || text::isPlaceholderAt(line, at - 1))
        return at - 1;
    // From inside a pair (SelStart may put the caret there), the stop at the pair's start counts: ICU would
    // look back from the start of the code point.
    if (splitsPair(line, at))
        ++at;
    const int from = windowStart(line, at - ClusterSpan), to = windowEnd(line, at + Context);
    UBreakIterator *it = iterator(UBRK_CHARACTER, line.mid(from, to - from));
    if (!it)
        return splitsPair(line, at - 1) ? at - 2 : at - 1;
    const int b = ubrk_preceding(it, at - from);
    const int start = b == UBRK_DONE ? from : from + b;
    for (int k = at - 2; k >= start; --k) {
        if (text::isPlaceholderAt(line, k))
            return k + 1;
    }
    return start;
}

int nextWordStop(QStringView line, int at)
{
    const int n = int(line.size());
    if (at >= n)
        return n;
    const int to = windowEnd(line, at + WordReach);
    const Words words(line, windowStart(line, at - Context), to);
    Words::Segment left = words.at(at);
    while (left.end < to) {
        const Words::Segment right = words.at(left.end);
        if (Words::stopBetween(left.kind, right.kind))
            return right.start;
        left = right;
    }
    return left.end;
}

int previousWordStop(QStringView line, int at)
{
    at = std::min(at, int(line.size()));
    if (at <= 0)
        return 0;
    const int from = windowStart(line, at - WordReach);
    const Words words(line, from, windowEnd(line, at + Context));
    Words::Segment right = words.at(at - 1);
    while (right.start > from) {
        const Words::Segment left = words.at(right.start - 1);
        if (Words::stopBetween(left.kind, right.kind))
            return right.start;
        right = left;
    }
    return right.start;
}

WordSpan wordAt(QStringView line, int at)
{
    const int n = int(line.size());
    at = std::clamp(at, 0, n);
    const int from = windowStart(line, at - WordReach), to = windowEnd(line, at + WordReach);
    const Words words(line, from, to);
    const auto joins = [](const Words::Segment &left, const Words::Segment &right) {
        return left.kind != Words::Space && left.kind != Words::Punctuation && right.kind != Words::Space
            && right.kind != Words::Punctuation && !Words::stopBetween(left.kind, right.kind);
    };
    for (const int i : {at, at - 1}) {
        if (i < from || i >= n)
            continue;
        const Words::Segment segment = words.at(i);
        if (segment.kind == Words::Space || segment.kind == Words::Punctuation)
            continue;
        // The word a Ctrl+arrow would step over: a symbol touching it ("a😀b", a byte's mark) is part of it.
        Words::Segment first = segment, last = segment;
        for (Words::Segment left; first.start > from && joins(left = words.at(first.start - 1), first);)
            first = left;
        for (Words::Segment right; last.end < to && joins(last, right = words.at(last.end));)
            last = right;
        return {first.start, last.end};
    }
    return {at, at};
}

}
