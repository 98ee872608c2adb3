// A reference of the Find and Replace commands over a plain string, with a find of its own: no widget involved.
#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace searchmodel {

struct Prompt
{
    QString text;
    int style = 0;
    int answer = 0;
};

// First match at or after start that ends at or before end (-1: the text's length); 2 whole words, 4 match case.
int findIn(const QString &text, const QString &needle, int start, int end, int options);

class Session
{
public:
    using Answerer = std::function<int(const QString &prompt, int style)>;
    explicit Session(Answerer answerer) : m_answerer(std::move(answerer)) {}

    QString text;
    int selStart = 0;
    int selLength = 0;
    QList<Prompt> prompts;

    void select(int start, int length);
    void findNext(const QString &what, int options);
    void replace(const QString &what, const QString &with, int options);
    void replaceAll(const QString &what, const QString &with, int options);

private:
    int ask(const QString &prompt, int style);
    int find(const QString &needle, int start, int end, int options);
    void setSelText(const QString &with);
    int confirm(const QString &what, const QString &with, int end, int options);

    Answerer m_answerer;
};

}
