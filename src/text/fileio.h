// The only code that touches the disk for documents: load bytes without hanging, save them without
// ever leaving the user's file half written, keeping its links, owner, mode, attributes and ACLs.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

namespace text {

struct FileResult
{
    int error = 0;   // an errno value; the first failure is the one kept
    QString reason;  // the cause for people, without the path: the caller names the file
    explicit operator bool() const { return error == 0; }
};

// The stage-1 edit widget needs about ten times the file in memory, and positions are 32-bit.
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

// Where a save that rewrites the file in place keeps the old content until it is done.
QString backupPath(const QString &target);

} // namespace text
