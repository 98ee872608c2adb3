// What identifies the bytes of a file on disk, to notice that another program changed it.
#pragma once

#include <QString>

#include <sys/types.h>

namespace text {

struct FileStamp
{
    bool exists = false;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;   // a rewrite can put size and modification time back, never this
    ino_t inode = 0;
    dev_t device = 0;
    bool operator==(const FileStamp &other) const;
    bool operator!=(const FileStamp &other) const { return !(*this == other); }
};

// The file a path names, links followed.
FileStamp stampOf(const QString &path);

}
