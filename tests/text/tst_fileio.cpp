// Loading and saving on a real disk: what is refused, the exact bytes, and what a save keeps.
#include "text/fileio.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace text;

namespace {

QByteArray native(const QString &path) { return QFile::encodeName(path); }

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
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

struct stat statOf(const QString &path)
{
    struct stat st = {};
    ::lstat(native(path).constData(), &st);
    return st;
}

// Load and save must refuse special files at once: a blocked call ends the run by SIGALRM.
struct HangGuard
{
    HangGuard() { ::alarm(20); }
    ~HangGuard() { ::alarm(0); }
};

enum Kind { Folder, Fifo, Socket, Device, Unreadable, Missing };

QString makeSpecial(const QTemporaryDir &dir, Kind kind)
{
    const QString path = dir.filePath("special");
    const QByteArray name = native(path);
    if (kind == Folder)
        ::mkdir(name.constData(), 0755);
    else if (kind == Fifo)
        ::mkfifo(name.constData(), 0644);
    else if (kind == Device && ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        return {};
    else if (kind == Unreadable) {
        put(path, "secret");
        ::chmod(name.constData(), 0200);
    } else if (kind == Socket) {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, name.constData(), sizeof address.sun_path);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        ::close(fd);
    }
    return path;
}

} // namespace

class TestFileIo : public QObject
{
    Q_OBJECT

private slots:
    void readsExactBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("crlf text") << QByteArray("one\r\ntwo\r\n");
        QTest::newRow("binary with nul") << QByteArray("a\0b\xff\xfe", 5);
        QTest::newRow("many reads long") << QByteArray(3 << 20, 'x') + "end";
    }
    void readsExactBytes()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        put(dir.filePath("doc"), bytes);
        QByteArray read = "stale";
        QVERIFY(readFile(dir.filePath("doc"), read));
        QCOMPARE(read, bytes);
    }

    void readsFilesThatUnderstateTheirSize()
    {
        QByteArray read;
        QVERIFY(readFile("/proc/self/status", read));
        QVERIFY(read.contains("Pid:"));
    }

    void readRefusals_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("error");
        QTest::newRow("folder") << int(Folder) << EISDIR;
        QTest::newRow("fifo") << int(Fifo) << EINVAL;
        QTest::newRow("socket") << int(Socket) << EINVAL;
        QTest::newRow("device") << int(Device) << EINVAL;
        QTest::newRow("unreadable file") << int(Unreadable) << EACCES;
        QTest::newRow("missing") << int(Missing) << ENOENT;
    }
    void readRefusals()
    {
        QFETCH(int, kind);
        QFETCH(int, error);
        QTemporaryDir dir;
        if (kind == Unreadable && ::geteuid() == 0)
            QSKIP("root reads any file; tst_fileio_faults checks this as another user");
        const QString path = makeSpecial(dir, Kind(kind));
        if (path.isEmpty())
            QSKIP("mknod is not permitted here (needs CAP_MKNOD)");
        HangGuard guard;
        QByteArray read = "kept";
        const FileResult result = readFile(path, read);
        QCOMPARE(result.error, error);
        QVERIFY(!result.reason.isEmpty());
        QCOMPARE(read, QByteArray("kept"));
    }

    void readLimitIsChecked_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<int>("error");
        QTest::newRow("at the limit") << qint64(4096) << qint64(4096) << 0;
        QTest::newRow("one byte over") << qint64(4097) << qint64(4096) << EFBIG;
        QTest::newRow("over 32-bit positions") << (qint64(3) << 30) << readLimit() << EFBIG;
    }
    void readLimitIsChecked()
    {
        QFETCH(qint64, size);
        QFETCH(qint64, limit);
        QFETCH(int, error);
        QVERIFY(readLimit() > 0 && readLimit() <= INT32_MAX);
        QTemporaryDir dir;
        QFile sparse(dir.filePath("big"));
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(size));
        QByteArray read;
        QCOMPARE(readFile(sparse.fileName(), read, limit).error, error);
        QCOMPARE(read.size(), error ? 0 : size);
    }

    void writesExactBytes_data()
    {
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("new file") << QByteArray() << QByteArray("hello\n");
        QTest::newRow("shorter over longer") << QByteArray("longer old text") << QByteArray("new");
        QTest::newRow("empty over text") << QByteArray("old\n") << QByteArray();
        QTest::newRow("binary with nul") << QByteArray("old") << QByteArray("\0\x01\xff", 3);
    }
    void writesExactBytes()
    {
        QFETCH(QByteArray, old);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        if (!old.isEmpty())
            put(dir.filePath("doc"), old);
        // A new file must not need permission to replace.
        QVERIFY(writeFile(dir.filePath("doc"), bytes, WriteOptions{!old.isEmpty()}));
        QCOMPARE(contents(dir.filePath("doc")), bytes);
        QCOMPARE(entries(dir.path()), QStringList{"doc"});
    }

    void newFileFollowsUmask_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("mode");
        QTest::newRow("umask 022") << 022 << 0644;
        QTest::newRow("umask 027") << 027 << 0640;
        QTest::newRow("umask 077") << 077 << 0600;
    }
    void newFileFollowsUmask()
    {
        QFETCH(int, mask);
        QFETCH(int, mode);
        QTemporaryDir dir;
        const mode_t saved = ::umask(mask);
        const bool written = bool(writeFile(dir.filePath("new"), "x"));
        ::umask(saved);
        QVERIFY(written);
        QCOMPARE(int(statOf(dir.filePath("new")).st_mode & 07777), mode);
    }

    void keepsModeAndOwner_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("owner");  // -1: the test's own user
        QTest::newRow("0640") << 0640 << -1;
        QTest::newRow("0755") << 0755 << -1;
        QTest::newRow("0600") << 0600 << -1;
        QTest::newRow("setgid 02775") << 02775 << -1;
        QTest::newRow("owned by nobody") << 0664 << 65534;
    }
    void keepsModeAndOwner()
    {
        QFETCH(int, mode);
        QFETCH(int, owner);
        if (owner >= 0 && ::geteuid() != 0)
            QSKIP("only root can give a file to another user");
        QTemporaryDir dir;
        const QString path = dir.filePath("doc");
        put(path, "old");
        QCOMPARE(::chown(native(path).constData(), owner, owner), 0);
        QCOMPARE(::chmod(native(path).constData(), mode), 0);
        const struct stat before = statOf(path);
        QVERIFY(writeFile(path, "new"));
        QCOMPARE(int(statOf(path).st_mode & 07777), mode);
        QCOMPARE(statOf(path).st_uid, before.st_uid);
        QCOMPARE(statOf(path).st_gid, before.st_gid);
    }

    void refusals_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("mayReplace");
        QTest::addColumn<int>("error");
        QTest::newRow("read-only 0444, even as root") << 0444 << true << EACCES;
        QTest::newRow("owner read-only 0466") << 0466 << true << EACCES;
        QTest::newRow("existing and may not replace") << 0644 << false << EEXIST;
    }
    void refusals()
    {
        QFETCH(int, mode);
        QFETCH(bool, mayReplace);
        QFETCH(int, error);
        QTemporaryDir dir;
        const QString path = dir.filePath("doc");
        put(path, "old");
        ::chmod(native(path).constData(), mode);
        QCOMPARE(writeFile(path, "new", WriteOptions{mayReplace}).error, error);
        QCOMPARE(contents(path), QByteArray("old"));
        QCOMPARE(entries(dir.path()), QStringList{"doc"});
    }

    void writeRefusesWhatIsNotAFile_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("error");
        QTest::newRow("folder") << int(Folder) << EISDIR;
        QTest::newRow("fifo") << int(Fifo) << EINVAL;
        QTest::newRow("missing folder") << int(Missing) << ENOENT;
    }
    void writeRefusesWhatIsNotAFile()
    {
        QFETCH(int, kind);
        QFETCH(int, error);
        QTemporaryDir dir;
        const QString special = makeSpecial(dir, Kind(kind));
        const QString path = kind == Missing ? special + "/doc" : special;
        const QStringList before = entries(dir.path());
        HangGuard guard;
        QCOMPARE(writeFile(path, "new").error, error);
        QCOMPARE(entries(dir.path()), before);
    }

    void writesThroughLinks_data()
    {
        QTest::addColumn<QStringList>("links");  // name, link text, ...; "@" is the folder
        QTest::addColumn<bool>("dangling");
        QTest::newRow("absolute link") << QStringList{"link", "@/real"} << false;
        QTest::newRow("relative chain across folders")
            << QStringList{"link", "sub/hop", "sub/hop", "../real"} << false;
        QTest::newRow("dangling link creates its target") << QStringList{"link", "real"} << true;
    }
    void writesThroughLinks()
    {
        QFETCH(QStringList, links);
        QFETCH(bool, dangling);
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("sub");
        if (!dangling)
            put(dir.filePath("real"), "old");
        for (int i = 0; i < links.size(); i += 2) {
            const QString text = QString(links[i + 1]).replace("@", dir.path());
            const QByteArray link = native(dir.filePath(links[i]));
            QCOMPARE(::symlink(native(text).constData(), link.constData()), 0);
        }
        QVERIFY(writeFile(dir.filePath("link"), "new"));
        QCOMPARE(contents(dir.filePath("real")), QByteArray("new"));
        for (int i = 0; i < links.size(); i += 2)
            QVERIFY2(S_ISLNK(statOf(dir.filePath(links[i])).st_mode), qPrintable(links[i]));
    }

    void rewritesHardLinksInPlace_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("longer than before") << QByteArray("new and longer");
        QTest::newRow("shorter than before") << QByteArray("new");
    }
    void rewritesHardLinksInPlace()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString first = dir.filePath("first"), second = dir.filePath("second");
        put(first, "the old text");
        QCOMPARE(::link(native(first).constData(), native(second).constData()), 0);
        const ino_t inode = statOf(first).st_ino;
        QCOMPARE(backupPath(first), dir.filePath(".first.penwick-backup"));
        QVERIFY(writeFile(first, bytes));
        QCOMPARE(contents(second), bytes);
        QCOMPARE(statOf(first).st_ino, inode);
        QCOMPARE(entries(dir.path()), (QStringList{"first", "second"}));
    }

    void keepsExtendedAttributes()
    {
        QTemporaryDir dir;
        const QByteArray path = native(dir.filePath("doc"));
        put(dir.filePath("doc"), "old");
        if (::setxattr(path.constData(), "user.penwick.test", "value", 5, 0) != 0)
            QSKIP("this file system takes no user attributes");
        QVERIFY(writeFile(dir.filePath("doc"), "new"));
        char value[16] = {};
        QCOMPARE(::getxattr(path.constData(), "user.penwick.test", value, sizeof value),
                 ssize_t(5));
        QCOMPARE(QByteArray(value), QByteArray("value"));
    }

    void keepsAcl_data()
    {
        QTest::addColumn<QString>("on");  // what setfacl changes, after the file exists
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("access ACL on the file") << "doc" << QStringList{"-m", "u:65534:rw,m::rw"};
        QTest::newRow("default ACL on the folder only")
            << "." << QStringList{"-d", "-m", "u:65534:rw"};
    }
    void keepsAcl()
    {
        QFETCH(QString, on);
        QFETCH(QStringList, arguments);
        if (QStandardPaths::findExecutable("setfacl").isEmpty())
            QSKIP("setfacl is not installed (package acl)");
        QTemporaryDir dir;
        const QString path = dir.filePath("doc");
        put(path, "old");
        if (QProcess::execute("setfacl", arguments << dir.filePath(on)) != 0)
            QSKIP("this file system takes no ACLs");
        const auto acl = [&] {
            QByteArray value(256, '\0');
            const ssize_t size = ::getxattr(native(path).constData(), "system.posix_acl_access",
                                            value.data(), value.size());
            return value.left(std::max<ssize_t>(size, 0));
        };
        const QByteArray before = acl();
        const mode_t mode = statOf(path).st_mode;
        QVERIFY(writeFile(path, "new"));
        QCOMPARE(acl(), before);
        QCOMPARE(statOf(path).st_mode, mode);
    }
};

QTEST_GUILESS_MAIN(TestFileIo)
#include "tst_fileio.moc"
