// Desktop services that are not modal: settings store, clipboard, keystrokes, screen, clock, command line, folders, programs.
#pragma once

#include <QString>
#include <QStringList>

#include "text/fileio.h"

class QIcon;
class QMimeData;

namespace platform {

// Per-user settings store: application, section, key; values are text.
QString GetSetting(const QString &appName, const QString &section, const QString &key, const QString &defaultValue);
void SaveSetting(const QString &appName, const QString &section, const QString &key, const QString &value);

// Numbers in the store: the shortest decimal text in the user's locale, read back leniently.
QString numberToText(double value);
bool textToNumber(const QString &text, double &value);

// The newest copy of a file that a save which did not finish left behind, when it differs from
// the file; and its removal once the user has saved what they recovered from it.
using text::LeftBackup;
LeftBackup leftBackup(const QString &path);
void discardBackup(const QString &backupPath);

// The local files a drop carries, in order; empty for dropped text.
QStringList droppedFiles(const QMimeData *data);

namespace Clipboard {
void Clear();
void SetText(const QString &text);
QString GetText();
bool GetFormat(int format);   // 1: plain text
}
constexpr int vbCFText = 1;

// A keystroke to the focused widget, processed before the call returns: "%{BS}" is Alt+Backspace.
void SendKeys(const QString &keys, bool wait = true);

double ScreenWidthTwips();
double ScreenHeightTwips();

QString GeneralDateTime();   // now, as the locale's short date, a blank, and its long time

// The argument string after the program's name, set once by main() from argv.
void setCommandLine(const QStringList &arguments);
QString Command();

// Current folder of the current drive (empty drive) or of a named drive; false for a drive that does not exist.
bool CurDir(const QString &drive, QString &folder);

// Ends the program at once: no close handlers run (through the desktop).
void End();

// The desktop icon theme's "penwick", so the window looks like its menu entry; the bundled renders without one.
QIcon programIcon();

// Starts a program (through the desktop).
int Shell(const QString &commandLine, int windowStyle);

}
