// What the Find and Replace windows share: their window style, first placement, the edit control, the options.
#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace platform {
class RichTextBox;
}

namespace search {

// Fixed-size tool dialog with a title-bar close box only and the program's icon.
void setUpWindow(QDialog &dialog, const QString &caption);

// Before a showing: stay off the taskbar over the main window, centred over it the first time.
void prepareShowing(QDialog &dialog, bool first);

// The edit control every search works on.
platform::RichTextBox &editControl();

// Option value passed to Find: 2 whole words, plus 4 match case.
int findOptions(bool wholeWord, bool matchCase);

}
