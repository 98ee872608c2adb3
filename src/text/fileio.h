// The only code that touches the disk for documents: load bytes without hanging, save them without
// ever leaving the user's file half written, keeping its links, owner, mode, attributes and ACLs.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <functional>

namespace text {

struct FileResult
{
    int error = 0;   // an errno value; the first failure is the one kept
    QString reason;  // the cause for people, without the path: the caller names the file
    explicit operator bool() const { return error == 0; }
};

// The edit control keeps the bytes as read plus a small index, saves stream, and positions are 32-bit
// (a file never holds more UTF-16 units than bytes): most of the free memory, at most 2 GiB.
qint64 readLimit();
FileResult readFile(const QString &path, QByteArray &bytes, qint64 limit = readLimit());

struct WriteOptions
{
    bool mayReplace = true;  // false while the document does not own the path yet
};

FileResult writeFile(const QString &path, QByteArrayView bytes, const WriteOptions &options = {});

// A producer hands its bytes to the sink in order, in as many pieces as it likes; the sink returns 0 or
// an errno value, which the producer returns at once. It may be asked to start over.
using ByteSink = std::function<int(QByteArrayView)>;
using ByteProducer = std::function<int(const ByteSink &)>;
FileResult writeFile(const QString &path, const ByteProducer &produce, const WriteOptions &options = {});

// Where a save that rewrites the file in place first tries to keep the old content until it is
// done; a different copy already there makes it take the next free name.
QString backupPath(const QString &target);

// A copy of the file's old content that a save which did not finish left behind.
struct LeftBackup
{
    QString path;
    QDateTime modified;
    explicit operator bool() const { return !path.isEmpty(); }
};

// The newest left-over copy, beside the file or in the cache folder, that differs from the file.
LeftBackup leftBackup(const QString &path);

} // namespace text
