// Text on the clipboard: plain for other programs, and beside it Penwick's own with the bytes' placeholders.
#pragma once

#include <QString>

class QMimeData;

namespace platform {

// Plain text with U+FFFD for each byte's placeholder and, when there are placeholders, a format of Penwick's
// own beside it that keeps them; clipboardText() prefers that one while it still goes with the plain text.
QMimeData *clipboardData(const QString &text);
QString clipboardText(const QMimeData *data);

}
