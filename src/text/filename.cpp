// File names between the kernel's bytes and QString, losing no byte.
#include "text/filename.h"

#include "text/textformat.h"

#include <QStringList>

#include <dirent.h>
#include <sys/stat.h>

namespace text {

QString decodeName(QByteArrayView bytes)
{
    QString name;
    name.reserve(bytes.size());
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const unsigned char *end = p + bytes.size();
    while (p < end) {
        char32_t cp = *p;
        const int length = cp < 0x80 ? 1 : utf8Sequence(p, end, cp);
        if (length == 0) {
            name += placeholder(*p++);
            continue;
        }
        // Appended by hand: fromUcs4() would take a leading U+FEFF for a byte order mark and drop it.
        if (QChar::requiresSurrogates(cp)) {
            name += QChar(QChar::highSurrogate(cp));
            name += QChar(QChar::lowSurrogate(cp));
        } else {
            name += QChar(char16_t(cp));
        }
        p += length;
    }
    return name;
}

QByteArray encodeName(QStringView name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype from = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !isPlaceholderAt(name, i))
            continue;
        bytes += name.sliced(from, i - from).toUtf8();
        if (i < name.size())
            bytes += char(placeholderByte(name[i]));
        from = i + 1;
    }
    return bytes;
}

QString displayName(QString name)
{
    for (qsizetype i = 0; i < name.size(); ++i)
        if (isPlaceholderAt(name, i))
            name[i] = QChar::ReplacementCharacter;
    return name;
}

bool fileExists(const QString &name)
{
    struct stat st;
    return ::stat(encodeName(name).constData(), &st) == 0;
}

namespace {

// The one entry of `folder` that shows as `shown`, or `shown` itself.
QString matchEntry(const QString &folder, const QString &shown)
{
    DIR *dir = ::opendir(encodeName(folder.isEmpty() ? QStringLiteral("/") : folder).constData());
    if (!dir)
        return shown;
    QString found;
    int matches = 0;
    while (const dirent *entry = ::readdir(dir)) {
        const QString name = decodeName(entry->d_name);
        if (displayName(name) == shown) {
            found = name;
            ++matches;
        }
    }
    ::closedir(dir);
    return matches == 1 ? found : shown;
}

}

QString recoverName(const QString &name)
{
    if (!name.contains(QChar::ReplacementCharacter) || fileExists(name))
        return name;
    const QStringList parts = name.split(QLatin1Char('/'));
    QString path = parts.first();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString &part = parts[i];
        path += QLatin1Char('/') + (part.contains(QChar::ReplacementCharacter) ? matchEntry(path, part) : part);
    }
    return path;
}

}
