// What start-up takes from outside: the command line's one file name made into a full path, and the input
// method a session needs.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

enum class PathStyle { Windows, Native };

// The current folder of a drive ("" = the current drive); false when the drive does not exist.
using CurrentFolder = std::function<bool(const QString &drive, QString &folder)>;

// The full path to open, or nothing: an empty line, a lone double quote, a drive with no current folder.
std::optional<QString> resolveCommandLine(QString cmd, PathStyle style, const CurrentFolder &currentFolder);

class QProcessEnvironment;
// The input method module Qt is to load, or empty to leave Qt's own choice. GNOME's Wayland compositor offers
// only a text-input protocol that this Qt does not speak, so there input methods reach Qt through its ibus
// module, over D-Bus; a module the user chose stays.
QByteArray inputMethodModule(const QProcessEnvironment &environment);
