// Saving document bytes with POSIX calls: refusals before any change, a replace by rename
// where it keeps everything, otherwise an in-place rewrite guarded by a backup copy.
#include "text/fileio.h"

#include "text/filename.h"
#include "text/posixfile_p.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdio>
#include <new>
#include <optional>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace text {

using namespace posix;

namespace {

constexpr int MaxLinkHops = 40;   // the kernel's own limit before ELOOP
static_assert(MaxNameBytes == NAME_MAX);
const char TempLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int TempLetterCount = 6;
const char BackupWord[] = "backup";   // six letters too: never a temporary's


}

namespace posix {

Path folderOf(const Path &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return ".";
    return slash == 0 ? Path("/") : path.left(slash);
}

Path nameOf(const Path &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

Path inFolder(const Path &folder, const Path &name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// ".NAME" + suffix, cutting NAME so the result is still a legal file name.
Path hiddenName(const Path &name, const Path &suffix)
{
    return '.' + name.left(MaxNameBytes - 1 - suffix.size()) + suffix;
}

bool exists(const Path &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

// Follows a chain of links to the file itself; relative targets count from their link's folder.
// The text is never cleaned: "a/../b" means what the kernel says when "a" is itself a link.
int resolveLinks(Path path, Path &resolved)
{
    for (int hop = 0; hop < MaxLinkHops; ++hop) {
        struct stat st;
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            resolved = path;
            return 0;
        }
        char text[PATH_MAX];  // the kernel keeps no longer link text
        const ssize_t size = ::readlink(path.constData(), text, sizeof text);
        if (size < 0)
            return errno;
        const Path target(text, size);
        path = target.startsWith('/') ? target : inFolder(folderOf(path), target);
    }
    return ELOOP;
}

int writeAll(int fd, const char *data, qsizetype size, off_t offset)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, std::min(size, MaxChunk), offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        data += n;
        size -= n;
        offset += n;
    }
    return 0;
}

int writeStream(int fd, const ByteProducer &produce, qint64 &written)
{
    written = 0;
    return produce([&](QByteArrayView bytes) {
        const int error = writeAll(fd, bytes.data(), bytes.size(), written);
        written += error ? 0 : bytes.size();
        return error;
    });
}

// Copies all of one file over the start of another and cuts the rest; both stay open.
int copyContent(int from, int to)
{
    std::vector<char> buffer(1 << 16);
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::pread(from, buffer.data(), buffer.size(), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            break;
        if (const int error = writeAll(to, buffer.data(), n, offset))
            return error;
        offset += n;
    }
    if (::ftruncate(to, offset) != 0 || ::fsync(to) != 0)
        return errno;
    return 0;
}

// A crash after a rename is only safe once the folder entry itself is on disk. Some file
// systems cannot sync a folder; the rename has happened by then, so that is not a failed save.
void syncFolder(const Path &folder)
{
    Fd fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.isValid())
        ::fsync(fd.get());
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Own O_EXCL loop rather than mkstemp: a new file then gets its mode from the umask or the
// folder's default ACL exactly as any newly created file would. The file is locked for as long
// as any descriptor of it is open, so a later save knows it is not debris.
Fd createTemp(const Path &folder, const Path &name, mode_t mode, Path &temp, int &error)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        Path letters;
        for (int i = 0; i < TempLetterCount; ++i)
            letters += TempLetters[QRandomGenerator::global()->bounded(int(sizeof TempLetters) - 1)];
        if (letters == BackupWord)
            continue;
        const Path suffix = ".penwick-" + letters;
        temp = inFolder(folder, hiddenName(name, suffix));
        Fd fd(::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode));
        if (!fd.isValid()) {
            if (errno != EEXIST) {
                error = errno;
                return Fd();
            }
            continue;
        }
        // Another save may have taken the new file for debris before the lock: then try again.
        struct stat mine, named;
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno != ENOLCK && errno != EINVAL)
            continue;
        if (::fstat(fd.get(), &mine) == 0 && ::lstat(temp.constData(), &named) == 0
            && sameFile(mine, named))
            return fd;
    }
    error = EEXIST;
    return Fd();
}

bool isTempName(const Path &entry, const Path &prefix)
{
    if (entry.size() != prefix.size() + TempLetterCount || !entry.startsWith(prefix)
        || entry.endsWith(BackupWord))
        return false;
    for (qsizetype i = prefix.size(); i < entry.size(); ++i) {
        if (entry[i] == '\0' || !std::strchr(TempLetters, entry[i]))
            return false;
    }
    return true;
}

// Removes the temporaries of `name` in `folder` that a crashed save left: those whose lock no
// open descriptor holds. A failure here never stops the save that called it.
void removeDebris(const Path &folder, const Path &name)
{
    const Path prefix = hiddenName(name, Path(".penwick-") + Path(TempLetterCount, 'X')).chopped(TempLetterCount);
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return;
    std::vector<Path> found;
    while (const dirent *entry = ::readdir(dir)) {
        if (isTempName(entry->d_name, prefix))
            found.push_back(entry->d_name);
    }
    ::closedir(dir);
    for (const Path &entry : found) {
        const Path path = inFolder(folder, entry);
        Fd fd(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        struct stat held, named;
        if (fd.isValid() && ::fstat(fd.get(), &held) == 0 && S_ISREG(held.st_mode)
            && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && ::lstat(path.constData(), &named) == 0
            && sameFile(held, named))
            ::unlink(path.constData());
    }
}

} // namespace posix

namespace {

bool ignorable(int error)
{
    // Not supported here, or a namespace this process may not touch (security.*, trusted.*).
    return error == ENOTSUP || error == EPERM || error == EACCES || error == ENODATA;
}

// The size-then-fetch of the xattr calls, repeated while the value changes under us.
template <typename Call>
int fetch(Call call, QByteArray &out)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = call(nullptr, 0);
        if (size < 0)
            return errno;
        out.resize(size);
        const ssize_t n = call(out.data(), size);
        if (n >= 0) {
            out.resize(n);
            return 0;
        }
        if (errno != ERANGE)
            return errno;
    }
    return ERANGE;
}

std::vector<Path> listAttributes(const Path &path, int &error)
{
    QByteArray list;
    error = fetch([&](char *buffer, size_t size) {
        return ::llistxattr(path.constData(), buffer, size);
    }, list);
    if (ignorable(error))
        error = 0;
    std::vector<Path> names;
    for (const QByteArray &name : list.split('\0')) {
        if (!name.isEmpty())
            names.push_back(name);
    }
    return names;
}

// Every extended attribute of the old file, ACLs included; the temp file's inherited extras go,
// except security labels, which the system itself owns.
int copyAttributes(const Path &from, const Path &temp, int to)
{
    int error = 0;
    const std::vector<Path> wanted = listAttributes(from, error);
    const std::vector<Path> present = error ? std::vector<Path>() : listAttributes(temp, error);
    if (error)
        return error;
    for (const Path &name : present) {
        if (!name.startsWith("security.")
            && std::find(wanted.begin(), wanted.end(), name) == wanted.end())
            ::fremovexattr(to, name.constData());
    }
    for (const Path &name : wanted) {
        QByteArray value;
        error = fetch([&](char *buffer, size_t size) {
            return ::lgetxattr(from.constData(), name.constData(), buffer, size);
        }, value);
        if (!error && ::fsetxattr(to, name.constData(), value.constData(), value.size(), 0) != 0)
            error = errno;
        if (error && !ignorable(error))
            return error;
    }
    return 0;
}

// Gives the new file the old one's owner, attributes and mode, in the order that keeps them all:
// chown clears set-id bits and capabilities, and the mode settles the ACL mask last.
int takeOver(int fd, const Path &temp, const Path &target, const struct stat &old)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return errno;
    if ((st.st_uid != old.st_uid || st.st_gid != old.st_gid)
        && ::fchown(fd, old.st_uid, old.st_gid) != 0 && errno == EPERM) {
        // Not being allowed to give the file away must not stop us keeping its group; and a
        // save that changes the owner beats no save at all.
        if (::fchown(fd, uid_t(-1), old.st_gid) != 0) {
            // Then the file takes the folder's group, as any new file would.
        }
    }
    if (const int error = copyAttributes(target, temp, fd))
        return error;
    const mode_t mode = old.st_mode & 07777;
    if (::fchmod(fd, mode) != 0) {
        const int error = errno;
        if (::fstat(fd, &st) != 0 || (st.st_mode & 07777) != mode)
            return error;
    }
    return 0;
}

int renameInto(const Path &temp, const Path &target, bool isNew, bool mayReplace)
{
    if (isNew) {
        // Someone may have created the file since we looked; never clobber it unasked.
        if (::renameat2(AT_FDCWD, temp.constData(), AT_FDCWD, target.constData(),
                        RENAME_NOREPLACE) == 0)
            return 0;
        if (errno != EINVAL && errno != ENOSYS && !(errno == EEXIST && mayReplace))
            return errno;
    }
    return ::rename(temp.constData(), target.constData()) == 0 ? 0 : errno;
}

FileResult saveByRename(Fd &fd, const Path &temp, const Path &target, const struct stat *old,
                        const ByteProducer &produce, bool mayReplace)
{
    qint64 written = 0;
    int error = writeStream(fd.get(), produce, written);
    if (!error && old)
        error = takeOver(fd.get(), temp, target, *old);
    if (!error && ::fsync(fd.get()) != 0)
        error = errno;
    const int closeError = fd.close();
    if (!error)
        error = closeError;
    if (!error)
        error = renameInto(temp, target, old == nullptr, mayReplace);
    if (error) {
        ::unlink(temp.constData());
        return failure(error);
    }
    syncFolder(folderOf(target));
    return {};
}


bool folderRefuses(int error)
{
    return error == EACCES || error == EROFS || error == EPERM;
}

// For hard links, and for folders that take no new file: the inode stays, so a backup copy
// must exist before the first byte changes.
FileResult saveInPlace(const Path &target, const ByteProducer &produce)
{
    Fd fd(::open(target.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.isValid())
        return failure(errno);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return failure(errno);
    if (!S_ISREG(st.st_mode))
        return notRegular(st.st_mode);

    Path backup;
    if (const int error = makeBackup(fd.get(), target, backup)) {
        const QString why = error == EEXIST
            ? tr("the copies left by earlier saves that did not finish are in the way")
            : qt_error_string(error);
        return failure(error, tr("No backup copy could be made first: %1").arg(why));
    }

    // Overwrite first and cut after: the file's own blocks are reused, so a smaller save
    // needs no free space at all.
    qint64 written = 0;
    int error = writeStream(fd.get(), produce, written);
    if (!error && ::ftruncate(fd.get(), written) != 0)
        error = errno;
    // fsync reports the write-back errors; a close after it adds nothing to trust.
    if (!error && ::fsync(fd.get()) != 0)
        error = errno;
    if (!error) {
        ::unlink(backup.constData());
        return {};
    }
    if (restore(fd.get(), backup) == 0) {
        ::unlink(backup.constData());
        return failure(error, tr("%1. The file was left as it was.").arg(qt_error_string(error)));
    }
    return failure(error, tr("%1. The old content is kept in %2.")
                              .arg(qt_error_string(error), decodeName(backup)));
}

FileResult refuseReplacing(const Path &target, const struct stat &st, const WriteOptions &options)
{
    if (!S_ISREG(st.st_mode))
        return notRegular(st.st_mode);
    if (!options.mayReplace)
        return failure(EEXIST, tr("A file of that name already exists."));
    if (::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0)
        return failure(errno);
    // Root passes every permission check; a file its owner made read-only stays read-only.
    if (::geteuid() == 0 && !(st.st_mode & S_IWUSR))
        return failure(EACCES, tr("The file is read-only."));
    return {};
}

} // namespace

FileResult writeFile(const QString &path, QByteArrayView bytes, const WriteOptions &options)
{
    return writeFile(path, [bytes](const ByteSink &sink) { return sink(bytes); }, options);
}

FileResult writeFile(const QString &path, const ByteProducer &produce, const WriteOptions &options)
{
    Path target;
    if (const int error = resolveLinks(encodeName(path), target))
        return failure(error);
    if (nameOf(target).isEmpty())
        return failure(EISDIR, tr("It is a folder, not a file."));
    removeDebris(folderOf(target), nameOf(target));

    struct stat st;
    const bool replacing = ::lstat(target.constData(), &st) == 0;
    if (!replacing && errno != ENOENT)
        return failure(errno);
    if (replacing) {
        if (FileResult refusal = refuseReplacing(target, st, options); !refusal)
            return refusal;
        // A rename would leave the other names of the file with the old content.
        if (st.st_nlink > 1)
            return saveInPlace(target, produce);
    }

    Path temp;
    int error = 0;
    Fd fd = createTemp(folderOf(target), nameOf(target), replacing ? 0600 : 0666, temp, error);
    if (!fd.isValid()) {
        if (replacing && folderRefuses(error))
            return saveInPlace(target, produce);
        return failure(error);
    }
    const Fd lock(::dup(fd.get()));   // the temporary stays locked until it has its name
    const FileResult saved =
        saveByRename(fd, temp, target, replacing ? &st : nullptr, produce, options.mayReplace);
    // A file mounted over another cannot be renamed onto, only rewritten.
    if (replacing && (saved.error == EBUSY || saved.error == EXDEV))
        return saveInPlace(target, produce);
    return saved;
}

} // namespace text
