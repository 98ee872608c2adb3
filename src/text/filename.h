// File names as the kernel's bytes: names that are not valid UTF-8 keep every byte on the way through a QString.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace text {

// Valid UTF-8 becomes its characters; any other byte becomes its placeholder (U+DC00 + byte).
QString decodeName(QByteArrayView bytes);
// The exact inverse of decodeName: placeholders turn back into their bytes.
QByteArray encodeName(QStringView name);
// For captions and messages: each placeholder shows as U+FFFD.
QString displayName(QString name);
// A name whose bytes were lost on the way (a dialog that decoded them with U+FFFD) found again on disk:
// each part of the path with a U+FFFD is matched against the folder's entries; the name unchanged when
// it exists as it is or no single entry matches.
QString recoverName(const QString &name);
// Something of that name exists, links followed.
bool fileExists(const QString &name);

}
