// What the disk tests share: paths in the kernel's bytes, whole files, folder listings, lstat.
#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>

#include <sys/stat.h>

inline QByteArray native(const QString &path) { return QFile::encodeName(path); }

inline bool put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(bytes) == bytes.size() && file.flush();
}

inline QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Hidden names too: a temporary or backup file left behind shows here.
inline QStringList entries(const QString &folder)
{
    const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    return QDir(folder).entryList(all, QDir::Name);
}

inline struct stat statOf(const QString &path)
{
    struct stat st = {};
    ::lstat(native(path).constData(), &st);
    return st;
}
