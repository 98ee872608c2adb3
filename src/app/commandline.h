// The command line's one file name made into a full path.
#pragma once

#include <QString>

#include <functional>
#include <optional>

enum class PathStyle { Windows, Native };

// The current folder of a drive ("" = the current drive); false when the drive does not exist.
using CurrentFolder = std::function<bool(const QString &drive, QString &folder)>;

// The full path to open, or nothing: an empty line, a lone double quote, a drive with no current folder.
std::optional<QString> resolveCommandLine(QString cmd, PathStyle style, const CurrentFolder &currentFolder);
