// Numbers read from the start of a text, as the tab size and the modified flag are read.
#pragma once

#include <QString>

namespace text {

// The number the text starts with, blanks ignored; 0 when it does not start with one.
double leadingNumber(const QString &text);
// A 16-bit integer from a number, rounded half to even; out of range values are clamped.
short toInt16(double value);

}
