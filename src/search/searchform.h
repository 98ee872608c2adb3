// What the Find, Replace and About windows share: their window style, first placement, the find options.
#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace search {

// Fixed-size tool dialog with a title-bar close box only and the program's icon.
void setUpWindow(QDialog &dialog, const QString &caption);

// Before a showing: stay off the taskbar over the main window, centred over it the first time.
void prepareShowing(QDialog &dialog, bool first);

// Option value passed to Find.
int findOptions(bool wholeWord, bool matchCase);

}
