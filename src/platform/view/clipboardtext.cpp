// Text on the clipboard: plain for other programs, and beside it Penwick's own with the bytes' placeholders.
#include "platform/view/clipboardtext.h"

#include <QMimeData>

#include "text/textformat.h"

namespace platform {

namespace {

// Penwick's own copy of the text beside the plain one, its UTF-16 units as they are: placeholders included.
const QString PrivateTextFormat = QStringLiteral("application/x-penwick-text");

// A byte kept as a placeholder is no character: other programs get U+FFFD in its place.
QString plainOf(const QString &text)
{
    QString clean = text;
    for (qsizetype i = 0; i < clean.size(); ++i) {
        if (text::isPlaceholderAt(text, i))
            clean[i] = QChar::ReplacementCharacter;
    }
    return clean;
}

}

QMimeData *clipboardData(const QString &text)
{
    const QString clean = plainOf(text);
    auto *data = new QMimeData;
    data->setText(clean);
    if (clean != text)
        data->setData(PrivateTextFormat, QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2));
    return data;
}

QString clipboardText(const QMimeData *data)
{
    if (!data || !data->hasText())
        return QString();
    // Ours only while it still goes with the plain text: a program that took the text over keeps its own.
    const QByteArray own = data->data(PrivateTextFormat);
    const QString text = data->text();
    if (own.isEmpty() || own.size() % 2)
        return text;
    const QString kept(reinterpret_cast<const QChar *>(own.constData()), own.size() / 2);
    return plainOf(kept) == text ? kept : text;
}

}
