// What the file functions share: paths as the kernel's bytes, descriptors that close themselves, failures.
#pragma once

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <utility>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "text/fileio.h"

namespace text::posix {

// Paths stay in the kernel's bytes: no round trip through QString can alter them.
using Path = QByteArray;

constexpr qsizetype MaxChunk = qsizetype(1) << 30;

QString tr(const char *text);
FileResult failure(int error, const QString &reason = {});
FileResult notRegular(mode_t mode);
qint64 memoryAvailable();


class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { if (m_fd >= 0) ::close(m_fd); }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    Fd(Fd &&other) : m_fd(other.m_fd) { other.m_fd = -1; }
    Fd &operator=(Fd &&other)
    {
        if (this != &other) {
            if (m_fd >= 0)
                ::close(m_fd);
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }

    bool isValid() const { return m_fd >= 0; }
    int get() const { return m_fd; }
    // A failed close can be the first sign of lost data (NFS, quotas), so its result counts.
    int close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
    }

private:
    int m_fd;
};

constexpr int MaxNameBytes = 255;   // NAME_MAX

// Paths and files, shared by the writer and its backups.
Path folderOf(const Path &path);
Path nameOf(const Path &path);
Path inFolder(const Path &folder, const Path &name);
Path hiddenName(const Path &name, const Path &suffix);   // ".NAME" + suffix, cut to a legal length
bool exists(const Path &path);
int resolveLinks(Path path, Path &resolved);
int copyContent(int from, int to);   // all of one open file over another, cut and flushed
void syncFolder(const Path &folder);
// A new temporary ".NAME.penwick-XXXXXX" in folder, locked while it is written.
Fd createTemp(const Path &folder, const Path &name, mode_t mode, Path &temp, int &error);
// Temporaries beside NAME whose writer is gone.
void removeDebris(const Path &folder, const Path &name);

// Opens a regular file for reading without ever blocking on a pipe or device; refuses anything else.
FileResult openRegular(const QString &path, Fd &fd, struct stat &st);

// A flushed copy of the open file, beside it or in the cache folder; and putting it back.
int makeBackup(int source, const Path &target, Path &backup);
int restore(int fd, const Path &backup);

}
