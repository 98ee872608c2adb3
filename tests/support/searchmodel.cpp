// The reference search commands: the obvious, slow way, so that the real ones have something to be compared with.
#include "searchmodel.h"

#include <QChar>

namespace searchmodel {

namespace {

bool isWord(QChar c)
{
    return c == QLatin1Char('_') || c.isLetterOrNumber() || c.isMark();
}

bool sameAt(const QString &text, int at, const QString &needle, bool matchCase)
{
    for (int i = 0; i < needle.size(); ++i) {
        const QChar a = text[at + i];
        const QChar b = needle[i];
        if (matchCase ? a != b : a.toCaseFolded() != b.toCaseFolded())
            return false;
    }
    return true;
}

}

int findIn(const QString &text, const QString &needle, int start, int end, int options)
{
    const int length = int(text.size());
    if (end < 0 || end > length)
        end = length;
    const int size = int(needle.size());
    if (size == 0)
        return -1;
    for (int at = qMax(start, 0); at + size <= end; ++at) {
        if (!sameAt(text, at, needle, options & 4))
            continue;
        const bool wordBefore = at > 0 && isWord(text[at - 1]);
        const bool wordAfter = at + size < length && isWord(text[at + size]);
        if (!(options & 2) || (!wordBefore && !wordAfter))
            return at;
    }
    return -1;
}

void Session::select(int start, int length)
{
    selStart = qBound(0, start, int(text.size()));
    selLength = qBound(0, length, int(text.size()) - selStart);
}

int Session::ask(const QString &prompt, int style)
{
    const int answer = m_answerer(prompt, style);
    prompts.append({prompt, style, answer});
    return answer;
}

int Session::find(const QString &needle, int start, int end, int options)
{
    const int at = findIn(text, needle, start, end, options);
    if (at >= 0)
        select(at, int(needle.size()));
    return at;
}

void Session::setSelText(const QString &with)
{
    text.replace(selStart, selLength, with);
    select(selStart + int(with.size()), 0);
}

void Session::findNext(const QString &what, int options)
{
    const int start = selStart;
    const int offset = text.mid(selStart, selLength).toUpper() == what.toUpper() ? 1 : 0;
    if (find(what, start + offset, -1, options) >= 0)
        return;
    if (ask(QStringLiteral("End of document. Continue from beginning?"), 36) != 6)
        return;
    if (find(what, 0, start + 1, options) < 0)
        ask(QStringLiteral("No more occurrences of word."), 64);
}

int Session::confirm(const QString &what, const QString &with, int end, int options)
{
    for (;;) {
        const int pos = find(what, selStart, end, options);
        if (pos < 0)
            return -1;
        const int answer = ask(QStringLiteral("Replace selection?"), 35);
        if (answer == 2)
            return pos;
        if (answer == 6)
            setSelText(with);
        else if (answer == 7)
            select(selStart + 1, 0);
    }
}

void Session::replace(const QString &what, const QString &with, int options)
{
    const int start = selStart;
    if (confirm(what, with, -1, options) >= 0)
        return;
    if (ask(QStringLiteral("End of document. Continue from beginning?"), 36) != 6)
        return;
    select(0, 0);
    const int size = int(what.size());
    const int end = start + size <= text.size() ? start + size - 1 : int(text.size());
    if (confirm(what, with, end, options) < 0)
        ask(QStringLiteral("No more occurrences of word"), 64);
}

void Session::replaceAll(const QString &what, const QString &with, int options)
{
    int count = 0;
    for (int from = 0, pos = 0; (pos = find(what, from, -1, options)) >= 0; from = pos + int(with.size())) {
        setSelText(with);
        ++count;
    }
    ask(QString::number(count) + QStringLiteral(" replacements were made."), 64);
}

}
