// Backup copies for saves that rewrite a file in place: made beside the file or in the cache folder, never
// destroyed while they differ from the file, found again when the file is opened.
#include "text/fileio.h"

#include "text/filename.h"
#include "text/posixfile_p.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>

#include <optional>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace text {

using namespace posix;

namespace {

constexpr int MaxBackups = 16;   // per folder: copies left by saves that did not finish

Path currentFolder()
{
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? Path(buffer) : Path(".");
}

// The same path whatever the caller's spelling of "." and "//", so a backup is found again.
Path absoluteTidy(const Path &path)
{
    const Path absolute =
        path.startsWith('/') ? path : currentFolder() + '/' + path;
    Path tidy;
    for (const QByteArray &part : absolute.split('/')) {
        if (!part.isEmpty() && part != ".")
            tidy += '/' + part;
    }
    return tidy.isEmpty() ? Path("/") : tidy;
}

Path backupFolder()
{
    Path cache = qgetenv("XDG_CACHE_HOME");
    if (!cache.startsWith('/')) {
        Path home = qgetenv("HOME");
        if (home.isEmpty()) {
            if (const passwd *pw = ::getpwuid(::geteuid()))
                home = pw->pw_dir;
        }
        cache = home + "/.cache";
    }
    return cache + "/Penwick/backups";
}

Path besideBackup(const Path &target, int copy = 1)
{
    const Path suffix = copy > 1 ? ".penwick-backup-" + Path::number(copy) : Path(".penwick-backup");
    return inFolder(folderOf(target), hiddenName(nameOf(target), suffix));
}

// The full path, escaped so that no two targets share a name; a hash keeps deep paths legal.
// The escaping never makes "%-", so a later copy's name can be no other file's first.
Path cacheBackup(const Path &target, int copy = 1)
{
    const Path full = absoluteTidy(target);
    const Path suffix = copy > 1 ? "%-" + Path::number(copy) : Path();
    Path name = full;
    name.replace('%', "%25").replace('/', "%2F");
    if (name.size() + suffix.size() > MaxNameBytes) {
        const Path hash = QCryptographicHash::hash(full, QCryptographicHash::Sha1).toHex();
        name = name.right(MaxNameBytes - suffix.size() - hash.size() - 1) + '-' + hash;
    }
    return inFolder(backupFolder(), name + suffix);
}

Path backupName(const Path &target, bool inCache, int copy)
{
    return inCache ? cacheBackup(target, copy) : besideBackup(target, copy);
}

bool sameContent(int a, int b)
{
    struct stat sa, sb;
    if (::fstat(a, &sa) != 0 || ::fstat(b, &sb) != 0 || !S_ISREG(sa.st_mode)
        || !S_ISREG(sb.st_mode) || sa.st_size != sb.st_size)
        return false;
    std::vector<char> one(1 << 16), other(1 << 16);
    for (off_t offset = 0; offset < sa.st_size;) {
        const ssize_t n = ::pread(a, one.data(), one.size(), offset);
        if (n <= 0 || ::pread(b, other.data(), n, offset) != n
            || std::memcmp(one.data(), other.data(), n) != 0)
            return false;
        offset += n;
    }
    return true;
}

Fd openExisting(const Path &path)
{
    return Fd(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
}

int renameNoReplace(const Path &from, const Path &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

// Puts the finished copy under the first backup name that is free or holds an equal copy. Any
// other copy there is what a save that did not finish left, and may be the user's only one.
int placeBackup(const Path &temp, int source, const Path &target, bool inCache, Path &backup)
{
    for (int copy = 1; copy <= MaxBackups; ++copy) {
        backup = backupName(target, inCache, copy);
        Fd there = openExisting(backup);
        int error = 0;
        if (!there.isValid() && errno == ENOENT)
            error = renameNoReplace(temp, backup);
        else if (there.isValid() && sameContent(there.get(), source))
            error = ::rename(temp.constData(), backup.constData()) == 0 ? 0 : errno;
        else
            continue;
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

int makeFolders(const Path &folder)
{
    Path path;
    for (const QByteArray &part : folder.split('/')) {
        if (part.isEmpty())
            continue;
        path += '/' + part;
        if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
            return errno;
    }
    return 0;
}

// Writes a flushed copy of the open file beside it or in the cache folder, whole or not at all.
int writeBackup(int source, const Path &target, bool inCache, Path &backup)
{
    const Path folder = folderOf(backupName(target, inCache, 1));
    const Path stem = inCache ? nameOf(backupName(target, inCache, 1)) : nameOf(target);
    if (inCache)
        removeDebris(folder, stem);
    Path temp;
    int error = 0;
    Fd fd = createTemp(folder, stem, 0600, temp, error);
    if (!fd.isValid())
        return error;
    const Fd lock(::dup(fd.get()));   // the temporary stays locked past the close
    error = copyContent(source, fd.get());
    const int closeError = fd.close();
    if (!error)
        error = closeError;
    if (!error)
        error = placeBackup(temp, source, target, inCache, backup);
    if (error) {
        ::unlink(temp.constData());
        return error;
    }
    syncFolder(folder);
    return 0;
}

}

namespace posix {

int makeBackup(int source, const Path &target, Path &backup)
{
    const int error = writeBackup(source, target, false, backup);
    if (!error)
        return 0;
    // Whatever keeps the copy from the file's folder (no right, no room, a failing disk), the
    // cache folder may still take it.
    if (makeFolders(backupFolder()) != 0 || writeBackup(source, target, true, backup) != 0)
        return error;
    return 0;
}

int restore(int fd, const Path &backup)
{
    Fd source(::open(backup.constData(), O_RDONLY | O_CLOEXEC));
    if (!source.isValid())
        return errno;
    return copyContent(source.get(), fd);
}

}

QString backupPath(const QString &target)
{
    Path resolved;
    if (resolveLinks(encodeName(target), resolved) != 0)
        resolved = encodeName(target);
    const Path beside = besideBackup(resolved);
    const Path cache = cacheBackup(resolved);
    if (exists(beside))
        return decodeName(beside);
    if (exists(cache))
        return decodeName(cache);
    const bool folderTakesFiles =
        ::faccessat(AT_FDCWD, folderOf(resolved).constData(), W_OK, AT_EACCESS) == 0;
    return decodeName(folderTakesFiles ? beside : cache);
}

LeftBackup leftBackup(const QString &path)
{
    Path target;
    if (resolveLinks(encodeName(path), target) != 0)
        target = encodeName(path);
    std::optional<Fd> file;   // opened only once a copy is there: the path may name a device
    LeftBackup newest;
    qint64 newestMs = 0;
    for (const bool inCache : {false, true}) {
        for (int copy = 1; copy <= MaxBackups; ++copy) {
            const Path backup = backupName(target, inCache, copy);
            const Fd fd = openExisting(backup);
            struct stat st;
            if (!fd.isValid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
                continue;
            const qint64 ms = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
            if (newest && ms <= newestMs)
                continue;
            if (!file)
                file.emplace(::open(target.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
            // A copy equal to the file tells nothing new; the next save may replace it.
            if (file->isValid() && sameContent(fd.get(), file->get()))
                continue;
            newest = {decodeName(backup), QDateTime::fromMSecsSinceEpoch(ms)};
            newestMs = ms;
        }
    }
    return newest;
}

} // namespace text
