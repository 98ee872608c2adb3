// Saves under faults nothing in-process can fake: another user, a full disk, a folder that takes
// no new file, a crash in the middle of a write. Each runs in a forked child; the parent judges.
#include "text/fileio.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <functional>

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace text;

namespace {

int g_report = -1;

// A child's report: "ok", "skip: why", or the first thing that went wrong; lines before the
// last one carry facts the parent needs after a crash.
void say(const QByteArray &line)
{
    const QByteArray text = line + '\n';
    static_cast<void>(::write(g_report, text.constData(), text.size()));
}

struct Child
{
    int status = 0;
    QByteArrayList said;
    QByteArray last() const { return said.isEmpty() ? QByteArray() : said.last(); }
};

Child runChild(const std::function<QByteArray()> &body)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        qFatal("pipe2: %s", std::strerror(errno));
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        g_report = fds[1];
        say(body());
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            text.append(buffer, n);
        else if (errno != EINTR)
            break;
    }
    ::close(fds[0]);
    Child child;
    while (::waitpid(pid, &child.status, 0) < 0 && errno == EINTR) {}
    child.said = text.split('\n');
    child.said.removeAll(QByteArray());
    return child;
}

#define VERIFY_CHILD(child)                                                                    \
    do {                                                                                       \
        const QByteArray last = (child).last();                                                \
        if (last.startsWith("skip: "))                                                         \
            QSKIP(last.mid(6).constData());                                                    \
        QCOMPARE(last, QByteArray("ok"));                                                      \
        QVERIFY(WIFEXITED((child).status));                                                    \
    } while (false)

// In a child the first broken expectation becomes the report.
#define EXPECT(condition)                                                                      \
    do {                                                                                       \
        if (!(condition))                                                                      \
            return QByteArray("line " + QByteArray::number(__LINE__) + ": " #condition);       \
    } while (false)

QByteArray native(const QString &path) { return QFile::encodeName(path); }

bool put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(bytes) == bytes.size();
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList entries(const QString &folder)
{
    const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    return QDir(folder).entryList(all, QDir::Name);
}

bool writeText(const char *path, const QByteArray &text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    const bool written = fd >= 0 && ::write(fd, text.constData(), text.size()) == text.size();
    if (fd >= 0)
        ::close(fd);
    return written;
}

QByteArray skip(const char *what)
{
    return QByteArray("skip: ") + what + ": " + std::strerror(errno);
}

// Mounts of our own, seen by nobody else; without root, a user namespace grants the same.
QByteArray enterPrivateMounts()
{
    if (::unshare(CLONE_NEWNS) != 0) {
        const QByteArray uid = QByteArray::number(::geteuid());
        const QByteArray gid = QByteArray::number(::getegid());
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return skip("no private mount namespace");
        if (!writeText("/proc/self/setgroups", "deny")
            || !writeText("/proc/self/uid_map", "0 " + uid + " 1")
            || !writeText("/proc/self/gid_map", "0 " + gid + " 1"))
            return skip("no id map in the user namespace");
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return skip("cannot make / private");
    return {};
}

QByteArray mountTmpfs(const QString &folder, const char *options)
{
    QDir().mkpath(folder);
    if (::mount("tmpfs", native(folder).constData(), "tmpfs", 0, options) != 0)
        return skip("cannot mount a tmpfs");
    return {};
}

// A folder holding doc.txt, a writable file bind-mounted from elsewhere: a rename cannot replace
// it, and a read-only folder takes no new file either.
QByteArray mountFileOver(const QTemporaryDir &dir, const QByteArray &old, bool readOnly = true)
{
    const QString folder = dir.filePath("mounted");
    if (QByteArray skipped = mountTmpfs(folder, "size=1m"); !skipped.isEmpty())
        return skipped;
    QDir(folder).mkdir("a");
    EXPECT(put(folder + "/doc.txt", {}) && put(dir.filePath("doc.txt"), old));
    if (readOnly
        && ::mount(nullptr, native(folder).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        return skip("cannot remount read-only");
    const QByteArray source = native(dir.filePath("doc.txt")), target = native(folder + "/doc.txt");
    if (::mount(source.constData(), target.constData(), nullptr, MS_BIND, nullptr) != 0)
        return skip("cannot bind-mount a file");
    ::setenv("XDG_CACHE_HOME", native(dir.filePath("cache")).constData(), 1);
    return {};
}

} // namespace

class TestFileIoFaults : public QObject
{
    Q_OBJECT

private slots:
    void anotherUserIsRefused()
    {
        if (::geteuid() != 0)
            QSKIP("switching to another user needs root");
        QTemporaryDir dir;
        const QString folder = dir.filePath("nobody");
        QVERIFY(QDir().mkdir(folder));
        QCOMPARE(::chmod(native(dir.path()).constData(), 0755), 0);
        QCOMPARE(::chown(native(folder).constData(), 65534, 65534), 0);
        QVERIFY(put(folder + "/root.txt", "root's"));
        QVERIFY(put(folder + "/secret", "root's"));
        QVERIFY(QFile::setPermissions(folder + "/secret", QFile::ReadOwner));

        const Child child = runChild([&]() -> QByteArray {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                return "could not become nobody";
            EXPECT(writeFile(folder + "/root.txt", "nobody's").error == EACCES);
            QByteArray read;
            EXPECT(readFile(folder + "/secret", read).error == EACCES);
            EXPECT(writeFile(folder + "/mine.txt", "one"));
            EXPECT(writeFile(folder + "/mine.txt", "two"));
            return "ok";
        });
        VERIFY_CHILD(child);
        QCOMPARE(contents(folder + "/root.txt"), QByteArray("root's"));
        QCOMPARE(contents(folder + "/mine.txt"), QByteArray("two"));
        QCOMPARE(entries(folder), (QStringList{"mine.txt", "root.txt", "secret"}));
    }

    void fullDiskKeepsOldFile_data()
    {
        QTest::addColumn<int>("oldSize");
        QTest::addColumn<bool>("hardLinked");
        QTest::newRow("replace by rename") << 8 << false;
        QTest::newRow("in place, old content put back") << 8 << true;
        QTest::newRow("in place, no room for a backup") << 40 << true;
    }
    void fullDiskKeepsOldFile()
    {
        QFETCH(int, oldSize);
        QFETCH(bool, hardLinked);
        QTemporaryDir dir;
        const Child child = runChild([&]() -> QByteArray {
            const QString disk = dir.filePath("disk");
            QByteArray skipped = enterPrivateMounts();
            if (skipped.isEmpty())
                skipped = mountTmpfs(disk, "size=64k");
            if (!skipped.isEmpty())
                return skipped;
            const QByteArray old(oldSize << 10, 'o');
            EXPECT(put(disk + "/doc.txt", old));
            const QByteArray doc = native(disk + "/doc.txt"), other = native(disk + "/other.txt");
            EXPECT(!hardLinked || ::link(doc.constData(), other.constData()) == 0);
            EXPECT(writeFile(disk + "/doc.txt", QByteArray(256 << 10, 'n')).error == ENOSPC);
            EXPECT(contents(disk + "/doc.txt") == old);
            const QStringList names = hardLinked ? QStringList{"doc.txt", "other.txt"}
                                                 : QStringList{"doc.txt"};
            EXPECT(entries(disk) == names);
            return "ok";
        });
        VERIFY_CHILD(child);
    }

    void mountedFileRewritesInPlace_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("in a read-only folder, backup in the cache") << true;
        QTest::newRow("in a writable folder, backup beside") << false;
    }
    void mountedFileRewritesInPlace()
    {
        QFETCH(bool, readOnly);
        QTemporaryDir dir;
        const Child child = runChild([&]() -> QByteArray {
            QByteArray skipped = enterPrivateMounts();
            if (skipped.isEmpty())
                skipped = mountFileOver(dir, "old", readOnly);
            if (!skipped.isEmpty())
                return skipped;
            const QString target = dir.filePath("mounted/doc.txt");
            const QString cache = dir.filePath("cache/Penwick/backups/");
            EXPECT(backupPath(target).startsWith(cache) == readOnly);
            EXPECT(backupPath(dir.filePath("mounted/a%b")) != backupPath(dir.filePath("mounted/a/b")));
            EXPECT(writeFile(target, "new"));
            EXPECT(contents(target) == "new");
            EXPECT(!QFile::exists(backupPath(target)));
            return "ok";
        });
        VERIFY_CHILD(child);
        QCOMPARE(contents(dir.filePath("doc.txt")), QByteArray("new"));
        if (!readOnly)
            return;
        QCOMPARE(entries(dir.filePath("cache/Penwick/backups")), QStringList());
        QCOMPARE(QFile::permissions(dir.filePath("cache/Penwick/backups")),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser
                     | QFile::WriteUser | QFile::ExeUser);
    }

    void crashMidSaveLosesNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("replace by rename") << "rename";
        QTest::newRow("hard link in place") << "hard link";
        QTest::newRow("read-only folder in place") << "read-only folder";
    }
    void crashMidSaveLosesNothing()
    {
        QFETCH(QString, how);
        QTemporaryDir dir;
        const QByteArray old(1000, 'o');
        const QString file = dir.filePath("doc.txt");
        QVERIFY(put(file, old));
        const QByteArray other = native(dir.filePath("other.txt"));
        if (how == "hard link")
            QCOMPARE(::link(native(file).constData(), other.constData()), 0);
        const Child child = runChild([&]() -> QByteArray {
            QString target = file;
            if (how == "read-only folder") {
                QByteArray skipped = enterPrivateMounts();
                if (skipped.isEmpty())
                    skipped = mountFileOver(dir, old);
                if (!skipped.isEmpty())
                    return skipped;
                target = dir.filePath("mounted/doc.txt");
            }
            say(native(backupPath(target)));
            const rlimit small = {16 << 10, 16 << 10};
            ::signal(SIGXFSZ, SIG_DFL);
            EXPECT(::setrlimit(RLIMIT_FSIZE, &small) == 0);
            writeFile(target, QByteArray(1 << 20, 'n'));
            return "the save was not cut short";
        });
        const QByteArray last = child.last();
        if (last.startsWith("skip: "))
            QSKIP(last.mid(6).constData());
        QVERIFY2(WIFSIGNALED(child.status) && WTERMSIG(child.status) == SIGXFSZ, last.constData());
        QCOMPARE(child.said.size(), 1);
        const QByteArray now = contents(file);
        if (how == "rename")
            QCOMPARE(now, old);
        else if (now != old)
            QCOMPARE(contents(QFile::decodeName(child.said.first())), old);
    }
};

QTEST_GUILESS_MAIN(TestFileIoFaults)
#include "tst_fileio_faults.moc"
