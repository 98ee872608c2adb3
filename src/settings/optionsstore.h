// The settings store as the Default Options window and start-up read and write it.
#pragma once

#include <QString>

#include <initializer_list>

class frmOptions;

namespace options {

// A hand-edited value that is not a number, or outside its range, reads as the key's default.
double storedNumber(const QString &key, double defaultValue, double lowest, double highest);
int storedInt16(const QString &key, int defaultValue, std::initializer_list<int> allowed);

// The seven keys the window edits: word wrap, the two fonts, tab size, status bar.
void loadFields(frmOptions &options);
void storeFields(const frmOptions &options);

void store(const QString &key, const QString &value);

}
