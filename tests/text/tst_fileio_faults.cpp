// Saves under faults nothing in-process can fake: another user, a full disk, a folder that takes
// no new file, a crash in the middle of a write. Each runs in a forked child; the parent judges.
#include "text/fileio.h"

#include "fixtures.h"

#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <functional>

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
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

// killWhen, polled while the child runs, says when to end it with SIGKILL.
Child runChild(const std::function<QByteArray()> &body, const std::function<bool()> &killWhen = {})
{
    QTemporaryFile report;
    if (!report.open())
        qFatal("no file for the child's report");
    const pid_t pid = ::fork();
    if (pid == 0) {
        g_report = report.handle();
        say(body());
        ::_exit(0);
    }
    Child child;
    for (bool killed = false;;) {
        const pid_t done = ::waitpid(pid, &child.status, killWhen && !killed ? WNOHANG : 0);
        if (done == pid || (done < 0 && errno != EINTR))
            break;
        if (done == 0 && killWhen()) {
            ::kill(pid, SIGKILL);
            killed = true;
        }
    }
    child.said = contents(report.fileName()).split('\n');
    child.said.removeAll(QByteArray());
    return child;
}

// In a child the first broken expectation becomes the report.
#define EXPECT(condition)                                                                      \
    do {                                                                                       \
        if (!(condition))                                                                      \
            return QByteArray("line " + QByteArray::number(__LINE__) + ": " #condition);       \
    } while (false)

QByteArray skip(const char *what)
{
    return QByteArray("skip: ") + what + ": " + std::strerror(errno);
}

// A tmpfs at folder in mounts of our own, seen by nobody else; without root, a user namespace
// grants the same. Empty when mounted, else why the test cannot run here.
QByteArray mountTmpfs(const QString &folder, const char *options)
{
    if (::unshare(CLONE_NEWNS) != 0) {
        const QByteArray uid = QByteArray::number(::geteuid());
        const QByteArray gid = QByteArray::number(::getegid());
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return skip("no private mount namespace");
        if (!put("/proc/self/setgroups", "deny") || !put("/proc/self/uid_map", "0 " + uid + " 1")
            || !put("/proc/self/gid_map", "0 " + gid + " 1"))
            return skip("no id map in the user namespace");
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return skip("cannot make / private");
    QDir().mkpath(folder);
    if (::mount("tmpfs", native(folder).constData(), "tmpfs", 0, options) != 0)
        return skip("cannot mount a tmpfs");
    return {};
}

// dir/mounted, a tmpfs holding doc.txt, a writable file bind-mounted from dir/doc.txt: a rename
// cannot replace it, and a read-only folder takes no new file either.
QByteArray mountFileOver(const QTemporaryDir &dir, const QByteArray &old, bool readOnly)
{
    const QString folder = dir.filePath("mounted");
    if (QByteArray skipped = mountTmpfs(folder, "size=1m"); !skipped.isEmpty())
        return skipped;
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

// What a save leaves beside doc.txt, by name: its backups, or its temporaries.
QStringList leftBeside(const QString &folder, bool backups)
{
    QStringList found;
    for (const QString &name : entries(folder)) {
        if (name.startsWith(".doc.txt.penwick-") && name.contains("penwick-backup") == backups)
            found << name;
    }
    return found;
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
        QCOMPARE(child.last(), QByteArray("ok"));
        QCOMPARE(contents(folder + "/root.txt"), QByteArray("root's"));
        QCOMPARE(contents(folder + "/mine.txt"), QByteArray("two"));
        QCOMPARE(entries(folder), (QStringList{"mine.txt", "root.txt", "secret"}));
    }

    // place: "plain", "hard link" (a second name beside it), "mount point" (a file bind-mounted
    // into a writable folder) or "read-only folder" (the same into a read-only one).
    // fault: "none", "full disk" (a 64 KiB tmpfs), "crash" (RLIMIT_FSIZE kills the saver) or "limit" (a
    // file size limit, set once the backup exists, fails the rewrite and its undoing alike).
    void savesUnderFaults_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("oldKiB");
        QTest::addColumn<int>("newKiB");
        QTest::addColumn<int>("error");
        QTest::newRow("full disk, by rename") << "plain" << "full disk" << 8 << 256 << ENOSPC;
        QTest::newRow("full disk, in place, old content put back") << "hard link" << "full disk" << 8 << 256 << ENOSPC;
        QTest::newRow("full disk, in place, backup in the cache") << "hard link" << "full disk" << 40 << 32 << 0;
        QTest::newRow("read-only folder, backup in the cache") << "read-only folder" << "none" << 1 << 1 << 0;
        QTest::newRow("mount point, backup beside") << "mount point" << "none" << 1 << 1 << 0;
        QTest::newRow("rewrite and restore fail, old content kept in the backup") << "hard link" << "limit" << 8 << 32 << EFBIG;
        QTest::newRow("crash, read-only folder in place") << "read-only folder" << "crash" << 1 << 1024 << 0;
    }
    void savesUnderFaults()
    {
        QFETCH(QString, place);
        QFETCH(QString, fault);
        QFETCH(int, oldKiB);
        QFETCH(int, newKiB);
        QFETCH(int, error);
        QTemporaryDir dir;
        const QByteArray old(oldKiB << 10, 'o');
        const QByteArray bytes(newKiB << 10, 'n');
        const bool mounted = place == "mount point" || place == "read-only folder";
        const bool readOnly = place == "read-only folder";
        const Child child = runChild([&]() -> QByteArray {
            ::setenv("XDG_CACHE_HOME", native(dir.filePath("cache")).constData(), 1);
            const QString folder = fault == "full disk" ? dir.filePath("disk")
                                   : mounted            ? dir.filePath("mounted")
                                                        : dir.path();
            const QByteArray skipped = fault == "full disk" ? mountTmpfs(folder, "size=64k")
                                       : mounted ? mountFileOver(dir, old, readOnly)
                                                 : QByteArray();
            if (!skipped.isEmpty())
                return skipped;
            const QString target = folder + "/doc.txt";
            const QByteArray other = native(folder + "/other.txt");
            EXPECT(mounted || put(target, old));
            EXPECT(place != "hard link" || ::link(native(target).constData(), other.constData()) == 0);
            EXPECT(backupPath(target).startsWith(dir.filePath("cache/")) == readOnly);
            EXPECT(backupPath(folder + "/a%2Fb") != backupPath(folder + "/a/b"));
            const QStringList names = entries(folder);
            say(native(backupPath(target)));
            if (fault == "crash") {
                const rlimit small = {16 << 10, 16 << 10};
                ::signal(SIGXFSZ, SIG_DFL);
                EXPECT(::setrlimit(RLIMIT_FSIZE, &small) == 0);
                writeFile(target, bytes);
                return "the save was not cut short";
            }
            if (fault == "limit") {
                const QString backup = backupPath(target);
                const FileResult result = writeFile(target, [&](const ByteSink &sink) {
                    const rlimit small = {4 << 10, 4 << 10};
                    ::signal(SIGXFSZ, SIG_IGN);
                    return ::setrlimit(RLIMIT_FSIZE, &small) == 0 ? sink(bytes) : errno;
                });
                EXPECT(result.error == error);
                EXPECT(result.reason.endsWith(QStringLiteral("The old content is kept in ") + backup + QLatin1Char('.')));
                EXPECT(contents(backup) == old);
                return "ok";
            }
            const FileResult result = writeFile(target, bytes);
            EXPECT(result.error == error);
            // The cause the save's message names, and what became of the file.
            EXPECT(error != ENOSPC || result.reason == QStringLiteral("No space left on device") + (place == "plain" ? "" : ". The file was left as it was."));
            EXPECT(contents(target) == (error ? old : bytes));
            EXPECT(entries(folder) == names);
            return "ok";
        });
        if (child.last().startsWith("skip: "))
            QSKIP(child.last().mid(6).constData());
        if (fault == "crash") {
            QVERIFY2(WIFSIGNALED(child.status) && WTERMSIG(child.status) == SIGXFSZ,
                     child.last().constData());
            QCOMPARE(child.said.size(), 1);
            // Either the file is still whole or its backup copy is.
            const QByteArray now = contents(dir.filePath("doc.txt"));
            QCOMPARE(now == old ? now : contents(QFile::decodeName(child.said.first())), old);
            return;
        }
        QCOMPARE(child.last(), QByteArray("ok"));
        QVERIFY(WIFEXITED(child.status));
        if (mounted)
            QCOMPARE(contents(dir.filePath("doc.txt")), bytes);
        if (readOnly || (fault == "full disk" && error == 0)) {
            QCOMPARE(entries(dir.filePath("cache/Penwick/backups")), QStringList());
            QCOMPARE(statOf(dir.filePath("cache/Penwick/backups")).st_mode & 07777, 0700u);
        }
    }

    // Saves of doc.txt killed again and again, then one that completes. kill: "file limit" (the
    // kernel ends the saver once a file passes 16 KiB) or the parent's SIGKILL as soon as a new
    // temporary appears ("at the temporary") or the file itself changes ("at the rewrite").
    void crashesLoseNothing_data()
    {
        QTest::addColumn<bool>("linked");   // a second name: the save rewrites in place
        QTest::addColumn<int>("oldKiB");
        QTest::addColumn<int>("newKiB");
        QTest::addColumn<QString>("kill");
        QTest::addColumn<int>("crashes");
        QTest::newRow("by rename, killed writing the temporary") << false << 8 << 64 << "file limit" << 1;
        QTest::newRow("in place, killed copying the backup") << true << 32 << 32 << "file limit" << 1;
        QTest::newRow("in place, killed rewriting, three times") << true << 8 << 64 << "file limit" << 3;
        QTest::newRow("by rename, SIGKILL at the temporary") << false << 1024 << 16384 << "at the temporary" << 2;
        QTest::newRow("in place, SIGKILL at the rewrite") << true << 16384 << 16384 << "at the rewrite" << 2;
    }
    void crashesLoseNothing()
    {
        QFETCH(bool, linked);
        QFETCH(int, oldKiB);
        QFETCH(int, newKiB);
        QFETCH(QString, kill);
        QFETCH(int, crashes);
        QTemporaryDir dir;
        qputenv("XDG_CACHE_HOME", native(dir.filePath("cache")));
        const QString target = dir.filePath("doc.txt");
        QVERIFY(put(target, QByteArray(oldKiB << 10, 'o')));
        QVERIFY(!linked || ::link(native(target).constData(), native(dir.filePath("other.txt")).constData()) == 0);
        QMap<QString, QByteArray> backups;   // every backup ever seen, with its bytes
        for (int crash = 0; crash < crashes; ++crash) {
            const QByteArray before = contents(target);
            const bool byLimit = kill == "file limit";
            const QStringList earlier = leftBeside(dir.path(), false);
            const timespec unchanged = statOf(target).st_mtim;
            const Child child = runChild([&]() -> QByteArray {
                const rlimit small = {16 << 10, 16 << 10};
                ::signal(SIGXFSZ, SIG_DFL);
                EXPECT(!byLimit || ::setrlimit(RLIMIT_FSIZE, &small) == 0);
                // The watching parent must not miss the moment on a busy machine.
                static_cast<void>(::nice(byLimit ? 0 : 19));
                writeFile(target, QByteArray(newKiB << 10, char('a' + crash)));
                return "the save was not cut short";
            }, [&] {
                if (byLimit)
                    return false;
                if (kill == "at the rewrite") {
                    const timespec now = statOf(target).st_mtim;
                    return now.tv_sec != unchanged.tv_sec || now.tv_nsec != unchanged.tv_nsec;
                }
                const QStringList now = leftBeside(dir.path(), false);
                return std::any_of(now.begin(), now.end(), [&](const QString &n) { return !earlier.contains(n); });
            });
            QVERIFY2(WIFSIGNALED(child.status) && WTERMSIG(child.status) == (byLimit ? SIGXFSZ : SIGKILL),
                     child.last().constData());
            // What the file held before this crash is the file, or the copy the window offers.
            const LeftBackup offered = leftBackup(target);
            QVERIFY(contents(target) == before || (offered && contents(offered.path) == before));
            for (auto it = backups.cbegin(); it != backups.cend(); ++it)
                QCOMPARE(contents(dir.filePath(it.key())), it.value());
            for (const QString &name : leftBeside(dir.path(), true))
                backups.insert(name, contents(dir.filePath(name)));
        }
        QVERIFY(writeFile(target, "saved"));
        QCOMPARE(contents(target), QByteArray("saved"));
        QCOMPARE(leftBeside(dir.path(), false), QStringList());
        QCOMPARE(leftBeside(dir.path(), true), backups.keys());
        for (auto it = backups.cbegin(); it != backups.cend(); ++it)
            QCOMPARE(contents(dir.filePath(it.key())), it.value());
    }
};

QTEST_GUILESS_MAIN(TestFileIoFaults)
#include "tst_fileio_faults.moc"
