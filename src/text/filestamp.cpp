// File stamps from stat().
#include "text/filestamp.h"

#include "text/filename.h"

#include <sys/stat.h>

namespace text {

bool FileStamp::operator==(const FileStamp &other) const
{
    return exists == other.exists && size == other.size && modifiedNs == other.modifiedNs && changedNs == other.changedNs
        && inode == other.inode
        && device == other.device;
}

FileStamp stampOf(const QString &path)
{
    struct stat st;
    if (::stat(encodeName(path).constData(), &st) != 0)
        return {};
    return {true, qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec, st.st_ino, st.st_dev};
}

}
