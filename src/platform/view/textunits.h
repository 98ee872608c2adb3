// Where sentences of a line begin and end, for what a screen reader reads; words are the caret's (breaks.h).
#pragma once

#include <QStringView>

#include <utility>

namespace platform {

// The sentence at `at` by Unicode's rules, its trailing spaces included; empty on an empty line.
std::pair<int, int> sentenceAt(QStringView line, int at);

}
