// Loading document bytes: refusals before anything is read, never blocking on a pipe or device.
#include "text/fileio.h"

#include "text/filename.h"
#include "text/posixfile_p.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>

#include <algorithm>
#include <cstdio>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>

namespace text {

namespace posix {

QString tr(const char *text)
{
    return QCoreApplication::translate("text::FileIO", text);
}

FileResult failure(int error, const QString &reason)
{
    return {error, reason.isEmpty() ? qt_error_string(error) : reason};
}

qint64 memoryAvailable()
{
    if (FILE *meminfo = std::fopen("/proc/meminfo", "re")) {
        char line[256];
        long long kib = -1;
        while (std::fgets(line, sizeof line, meminfo)) {
            if (std::sscanf(line, "MemAvailable: %lld kB", &kib) == 1)
                break;
        }
        std::fclose(meminfo);
        if (kib >= 0)
            return kib * 1024;
    }
    return qint64(::sysconf(_SC_AVPHYS_PAGES)) * ::sysconf(_SC_PAGESIZE);
}

FileResult notRegular(mode_t mode)
{
    if (S_ISDIR(mode))
        return failure(EISDIR, tr("It is a folder, not a file."));
    if (S_ISFIFO(mode))
        return failure(EINVAL, tr("It is a named pipe, not a file."));
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return failure(EINVAL, tr("It is a device, not a file."));
    if (S_ISSOCK(mode))
        return failure(EINVAL, tr("It is a socket, not a file."));
    return failure(EINVAL, tr("It is not a regular file."));
}

}

using namespace posix;

namespace {

// Reads to the end rather than trusting st_size: files under /proc say 0 and still hold text.
FileResult readAll(int fd, qint64 expected, qint64 limit, QByteArray &bytes)
{
    try {
        QByteArray data(qsizetype(std::min(expected + 1, limit + 1)), Qt::Uninitialized);
        qint64 size = 0;
        for (;;) {
            if (size == data.size()) {
                if (size > limit)
                    return failure(EFBIG, tr("The file grew past the size that can be opened."));
                data.resize(qsizetype(std::min(std::max<qint64>(size * 2, 1 << 16), limit + 1)));
            }
            const qint64 room = std::min<qint64>(data.size() - size, MaxChunk);
            const ssize_t n = ::read(fd, data.data() + size, room);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return failure(errno);
            if (n == 0)
                break;
            size += n;
        }
        data.truncate(size);
        bytes.swap(data);
        return {};
    } catch (const std::bad_alloc &) {
        return failure(ENOMEM);
    }
}

}

qint64 readLimit()
{
    // The document holds the bytes as read and an index of about a twentieth of them; a save streams, so it
    // needs no second copy. What is left is for the program itself and for what the user does next.
    return std::min<qint64>(memoryAvailable() * 5 / 6, INT32_MAX);
}

namespace posix {

FileResult openRegular(const QString &path, Fd &fd, struct stat &st)
{
    const Path native = encodeName(path);
    if (native.isEmpty())
        return failure(ENOENT);
    // A look before opening: opening a device can have effects of its own.
    if (::stat(native.constData(), &st) != 0)
        return failure(errno);
    if (!S_ISREG(st.st_mode))
        return notRegular(st.st_mode);
    fd = Fd(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.isValid())
        return failure(errno);
    if (::fstat(fd.get(), &st) != 0)
        return failure(errno);
    if (!S_ISREG(st.st_mode))
        return notRegular(st.st_mode);
    return {};
}

}

FileResult readFile(const QString &path, QByteArray &bytes, qint64 limit)
{
    Fd fd;
    struct stat st;
    if (FileResult opened = openRegular(path, fd, st); !opened)
        return opened;
    // Checked before reading: the kernel kills us long before an allocation would fail.
    if (st.st_size > limit) {
        const QLocale locale;
        QString size = locale.formattedDataSize(st.st_size);
        QString most = locale.formattedDataSize(std::max<qint64>(limit, 0));
        // Rounded, a file just over the limit reads as the limit itself: then only bytes tell them apart.
        if (size == most) {
            size = tr("%1 bytes").arg(locale.toString(qint64(st.st_size)));
            most = tr("%1 bytes").arg(locale.toString(std::max<qint64>(limit, 0)));
        }
        return failure(EFBIG, tr("The file is %1; the most that can be opened now is %2.").arg(size, most));
    }
    return readAll(fd.get(), st.st_size, limit, bytes);
}

}
