// Where words and sentences of a line begin and end.
#include "platform/view/textunits.h"

#include <QTextBoundaryFinder>

namespace platform {

bool isWordSeparator(QChar c)
{
    return QStringView(u".,?!@#$:;-<>[](){}=/+%&^*'\"`~|\\").contains(c);
}

int nextWordOffset(QStringView s, int at)
{
    const int n = int(s.size());
    if (at < n && isWordSeparator(s[at])) {
        while (at < n && isWordSeparator(s[at]))
            ++at;
    } else {
        while (at < n && !s[at].isSpace() && !isWordSeparator(s[at]))
            ++at;
    }
    while (at < n && s[at].isSpace())
        ++at;
    return at;
}

int previousWordOffset(QStringView s, int at)
{
    while (at > 0 && s[at - 1].isSpace())
        --at;
    if (at > 0 && isWordSeparator(s[at - 1])) {
        while (at > 0 && isWordSeparator(s[at - 1]))
            --at;
    } else {
        while (at > 0 && !s[at - 1].isSpace() && !isWordSeparator(s[at - 1]))
            --at;
    }
    return at;
}

std::pair<int, int> wordAt(QStringView s, int at)
{
    const int n = int(s.size());
    at = qBound(0, at, n);
    // Inside a word the step back from the next character lands on its start; at the line's end it only
    // does so straight after a word.
    const bool stuck = at == n && at > 0 && (s[at - 1].isSpace() || isWordSeparator(s[at - 1]));
    const int start = at > 0 && !stuck ? previousWordOffset(s, at < n ? at + 1 : at) : at;
    int end = start;
    if (end < n && isWordSeparator(s[end])) {
        while (end < n && isWordSeparator(s[end]))
            ++end;
    } else {
        while (end < n && !s[end].isSpace() && !isWordSeparator(s[end]))
            ++end;
    }
    return {start, end};
}

std::pair<int, int> sentenceAt(QStringView s, int at)
{
    const int n = int(s.size());
    at = qBound(0, at, n);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Sentence, s.data(), int(n));
    finder.setPosition(at);
    int start = at;
    if (!(finder.boundaryReasons() & QTextBoundaryFinder::StartOfItem))
        start = finder.toPreviousBoundary();
    const int end = finder.toNextBoundary();
    return {start < 0 ? 0 : start, end < 0 ? n : end};
}

}
