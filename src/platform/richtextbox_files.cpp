// Plain-text files of the edit control: read and written through the safe file functions, in the file's format.
#include "platform/richtextbox.h"

#include <QFileInfo>

#include "text/fileio.h"

#include <cerrno>
#include <new>

namespace platform {

namespace {

constexpr int FileAccessError = 75;

QString pathKey(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

}

int RichTextBox::LoadFile(const QString &path, int)
{
    QByteArray bytes;
    m_fileResult = text::readFile(path, bytes);
    if (!m_fileResult)
        return FileAccessError;
    try {
        const text::TextFormat format = text::detect(bytes);
        m_engine->load(std::move(bytes), format);
        m_format = format;
        m_ownedPaths.insert(pathKey(path));
        m_stampedPath = pathKey(path);
        m_stamp = text::stampOf(path);
    } catch (const std::bad_alloc &) {
        m_fileResult = {ENOMEM, QStringLiteral("There is not enough memory to hold the file.")};
        return FileAccessError;
    }
    return 0;
}

int RichTextBox::SaveFile(const QString &path, int)
{
    if (path.isEmpty()) {
        m_fileResult = {ENOENT, QStringLiteral("The document has no name.")};
        return FileAccessError;
    }
    text::TextFormat format = m_format;
    // Never write a character as something else: the whole file becomes UTF-8.
    if (format.encoding == text::Encoding::Latin8 && !m_engine->fits(format.encoding))
        format = {text::Encoding::Utf8, false, format.lineEnd};
    QByteArray bytes;
    try {
        bytes = m_engine->save(format);
    } catch (const std::bad_alloc &) {
        m_fileResult = {ENOMEM, QStringLiteral("There is not enough memory to write the file.")};
        return FileAccessError;
    }
    const bool owned = m_ownedPaths.contains(pathKey(path));
    m_fileResult = text::writeFile(path, bytes, text::WriteOptions{owned});
    if (!m_fileResult)
        return FileAccessError;
    m_reencoded = format != m_format;
    m_format = format;
    m_ownedPaths.insert(pathKey(path));
    m_stampedPath = pathKey(path);
    m_stamp = text::stampOf(path);
    return 0;
}

bool RichTextBox::changedOnDisk(const QString &path) const
{
    if (pathKey(path) != m_stampedPath)
        return false;
    const text::FileStamp now = text::stampOf(path);
    return now.exists && now != m_stamp;
}

void RichTextBox::ClaimPath(const QString &path)
{
    m_ownedPaths.insert(pathKey(path));
}

}
