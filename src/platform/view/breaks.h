// Where a line may be cut: rows for word wrap, caret stops by character and by word, decided by ICU over a
// bounded window round the place asked about, so that a line of megabytes costs what a short one does.
#pragma once

#include <QStringView>

#include <vector>

namespace platform {

// Wrap opportunities or caret stops of one line met in order. ASCII that settles a break by itself needs
// no ICU; elsewhere ICU runs once per window, so a walk along a line (breakRows) stays linear.
class LineBreaks
{
public:
    enum Kind { Wrap, Cluster };
    LineBreaks(Kind kind, QStringView line) : m_kind(kind), m_line(line) {}
    // The first break after `at`; the line's length when there is none. A wrap break is where a row may
    // start; a cluster break is a caret stop: a base with its marks, a pair, a byte's placeholder alone.
    int next(int at);
    // True where a break is (never at the line's start or end).
    bool isBreak(int at);

private:
    void fill(int at);

    Kind m_kind;
    QStringView m_line;
    std::vector<int> m_found;   // every break in (m_from, m_to]
    int m_from = 0;
    int m_to = -1;
};

// True where a row may start at `at` (never at the line's start or end); breakRows handles tabs itself.
bool breakAllowedBefore(QStringView line, int at);
// The caret stop after / before `at`.
int nextCluster(QStringView line, int at);
int previousCluster(QStringView line, int at);
// Where Backspace from `at` starts: an emoji sequence, a flag or a keycap goes whole; otherwise one code
// point, so that a mark can be taken off its letter.
int backspaceStart(QStringView line, int at);

// Where Ctrl+Right / Ctrl+Left go from `at`, within the line: to the next word's start past the spaces
// after this word, or to where a run of punctuation begins or ends; words are ICU's.
int nextWordStop(QStringView line, int at);
int previousWordStop(QStringView line, int at);
// The word that holds or touches `at` for a double click, as [start, end); start == end where none does.
struct WordSpan
{
    int start = 0;
    int end = 0;
};
WordSpan wordAt(QStringView line, int at);

}
