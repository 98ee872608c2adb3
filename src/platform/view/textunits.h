// Where words and sentences of a line begin and end: the caret's word steps and what a screen reader reads.
#pragma once

#include <QStringView>

#include <utility>

namespace platform {

// The characters that end a word for Ctrl+arrows, as a desktop text widget has them.
bool isWordSeparator(QChar c);
// Where Ctrl+Right and Ctrl+Left stop from `at` within a line.
int nextWordOffset(QStringView line, int at);
int previousWordOffset(QStringView line, int at);

// The word at `at` as Qt's text widgets find it (start of word, then its end): a run of word characters or of
// separators; on white space, the word before it; empty at a line end that follows a space or a separator.
std::pair<int, int> wordAt(QStringView line, int at);
// The sentence at `at` by Unicode's rules, its trailing spaces included; empty on an empty line.
std::pair<int, int> sentenceAt(QStringView line, int at);

}
