// What several scenarios of the bench need: files of numbered lines and the process's memory figures.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstring>

namespace bench {

// A field of /proc/self/status in KiB ("VmRSS:", "VmHWM:"), or -1.
inline qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// `size` bytes of lines, each `words` and then its eight-digit number.
inline bool writeNumberedLines(const QString &path, qint64 size, const QByteArray &words)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray block;
    for (qint64 written = 0, i = 0; written < size; ++i) {
        block += words;
        block += QByteArray::number(i).rightJustified(8, '0');
        block += '\n';
        if (block.size() >= (1 << 20)) {
            written += file.write(block);
            block.clear();
        }
    }
    return file.write(block) == block.size();
}

} // namespace bench
