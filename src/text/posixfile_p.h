// What the file functions share: paths as the kernel's bytes, descriptors that close themselves, failures.
#pragma once

#include <QByteArray>
#include <QString>

#include <cerrno>

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

}
