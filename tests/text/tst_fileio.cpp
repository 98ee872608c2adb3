// Loading and saving on a real disk: what is refused, the exact bytes, and what a save keeps.
#include "text/fileio.h"

#include "fixtures.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace text;

namespace {

enum Kind { File, Folder, Fifo, Device, MissingFolder };

// dir/doc as the kind asks; empty where this system makes no device.
QString make(const QTemporaryDir &dir, Kind kind, int mode)
{
    const QString path = dir.filePath("doc");
    const QByteArray name = native(path);
    if (kind == File && put(path, "old"))
        ::chmod(name.constData(), mode);
    if (kind == Folder)
        ::mkdir(name.constData(), 0755);
    if (kind == Fifo)
        ::mkfifo(name.constData(), 0644);
    if (kind == Device && ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        return {};
    return kind == MissingFolder ? path + "/doc" : path;
}

QByteArray attribute(const QString &path, const char *name)
{
    QByteArray value(256, '\0');
    const ssize_t size = ::getxattr(native(path).constData(), name, value.data(), value.size());
    return size < 0 ? QByteArray("<none>") : value.left(size);
}

} // namespace

class TestFileIo : public QObject
{
    Q_OBJECT

private slots:
    // A new file's mode then differs from every fixed mode a save might wrongly give it.
    void initTestCase() { ::umask(027); }
    // Load and save must refuse special files at once: a blocked call ends the run by SIGALRM.
    void init() { ::alarm(20); }
    void cleanup() { ::alarm(0); }

    // Written by writeFile, checked by QFile, read back by readFile.
    void exactBytes_data()
    {
        QTest::addColumn<QByteArray>("old");  // empty: no file before
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("new file") << QByteArray() << QByteArray("one\r\ntwo\r\n");
        QTest::newRow("shorter over longer") << QByteArray("longer old text") << QByteArray("new");
        QTest::newRow("empty over text") << QByteArray("old\n") << QByteArray();
        QTest::newRow("binary with nul") << QByteArray("old") << QByteArray("a\0b\xff\xfe", 5);
        QTest::newRow("3 MiB") << QByteArray("old") << QByteArray(3 << 20, 'x') + "end";
    }
    void exactBytes()
    {
        QFETCH(QByteArray, old);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath("doc");
        QVERIFY(old.isEmpty() || put(path, old));
        // A new file must not need permission to replace.
        QVERIFY(writeFile(path, bytes, WriteOptions{!old.isEmpty()}));
        QCOMPARE(contents(path), bytes);
        QCOMPARE(entries(dir.path()), QStringList{"doc"});
        QCOMPARE(statOf(path).st_mode & 07777, mode_t(0640));  // a new file's from the umask
        QByteArray read = "stale";
        QVERIFY(readFile(path, read));
        QCOMPARE(read, bytes);
    }

    void readsFilesThatUnderstateTheirSize()
    {
        QByteArray read;
        QVERIFY(readFile("/proc/self/status", read));
        QVERIFY(read.contains("Pid:"));
    }

    void readLimitIsChecked_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<int>("error");
        QTest::newRow("at the limit") << qint64(4096) << qint64(4096) << 0;
        QTest::newRow("one byte over") << qint64(4097) << qint64(4096) << EFBIG;
        QTest::newRow("2 GiB, over 32-bit positions") << (qint64(1) << 31) << readLimit() << EFBIG;
        QTest::newRow("3 GiB") << (qint64(3) << 30) << readLimit() << EFBIG;
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
        const FileResult result = readFile(sparse.fileName(), read, limit);
        QCOMPARE(result.error, error);
        QCOMPARE(read.size(), error ? 0 : size);
        // Whatever the rounding, the two figures the user reads never look the same.
        const QStringList figures = result.reason.split(QStringLiteral(" is "));
        if (error)
            QVERIFY2(figures.size() == 3 && figures[1].section(QLatin1Char(';'), 0, 0) != figures[2].chopped(1), qPrintable(result.reason));
    }

    // A refusal reads nothing into the buffer and leaves the folder and the file as they were.
    void refusals_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("mayReplace");
        QTest::addColumn<int>("readError");
        QTest::addColumn<int>("writeError");
        QTest::newRow("folder") << int(Folder) << 0 << true << EISDIR << EISDIR;
        QTest::newRow("fifo") << int(Fifo) << 0 << true << EINVAL << EINVAL;
        QTest::newRow("device") << int(Device) << 0 << true << EINVAL << EINVAL;
        QTest::newRow("in a missing folder") << int(MissingFolder) << 0 << true << ENOENT << ENOENT;
        QTest::newRow("write-only 0200") << int(File) << 0200 << true << EACCES << 0;
        QTest::newRow("read-only 0444, even as root") << int(File) << 0444 << true << 0 << EACCES;
        QTest::newRow("owner read-only 0466") << int(File) << 0466 << true << 0 << EACCES;
        QTest::newRow("existing, may not replace") << int(File) << 0644 << false << 0 << EEXIST;
    }
    void refusals()
    {
        QFETCH(int, kind);
        QFETCH(int, mode);
        QFETCH(bool, mayReplace);
        QFETCH(int, readError);
        QFETCH(int, writeError);
        if (readError == EACCES && ::geteuid() == 0)
            QSKIP("root reads any file; tst_fileio_faults checks this as another user");
        QTemporaryDir dir;
        const QString path = make(dir, Kind(kind), mode);
        if (path.isEmpty())
            QSKIP("mknod is not permitted here (needs CAP_MKNOD)");
        QByteArray read = "kept";
        const FileResult loaded = readFile(path, read);
        QCOMPARE(loaded.error, readError);
        QCOMPARE(loaded.reason.isEmpty(), readError == 0);
        QCOMPARE(read, QByteArray(readError ? "kept" : "old"));
        const FileResult saved = writeFile(path, "new text", WriteOptions{mayReplace});
        QCOMPARE(saved.error, writeError);
        QCOMPARE(entries(dir.path()), kind == MissingFolder ? QStringList() : QStringList{"doc"});
        if (kind == File && writeError)
            QCOMPARE(contents(path), QByteArray("old"));
    }

    // A save keeps mode, owner, group, attributes and ACLs; every row carries a user attribute.
    void keepsWhatTheFileHad_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("owner");            // -1: the test's own user
        QTest::addColumn<QStringList>("setfacl");  // options, then what they change
        QTest::newRow("setgid 02775") << 02775 << -1 << QStringList();
        QTest::newRow("owned by nobody") << 0664 << 65534 << QStringList();
        QTest::newRow("access ACL on the file") << 0644 << -1 << QStringList{"-m", "u:65534:rw,m::rw", "doc"};
        QTest::newRow("default ACL on the folder only") << 0644 << -1 << QStringList{"-d", "-m", "u:65534:rw", "."};
    }
    void keepsWhatTheFileHad()
    {
        QFETCH(int, mode);
        QFETCH(int, owner);
        QFETCH(QStringList, setfacl);
        if (owner >= 0 && ::geteuid() != 0)
            QSKIP("only root can give a file to another user");
        QTemporaryDir dir;
        const QString path = dir.filePath("doc");
        QVERIFY(put(path, "old"));
        QCOMPARE(::chown(native(path).constData(), owner, owner), 0);
        QCOMPARE(::chmod(native(path).constData(), mode), 0);
        ::setxattr(native(path).constData(), "user.penwick.test", "value", 5, 0);
        if (!setfacl.isEmpty()) {
            if (QStandardPaths::findExecutable("setfacl").isEmpty())
                QSKIP("setfacl is not installed (package acl)");
            setfacl.last() = dir.filePath(setfacl.last());
            if (QProcess::execute("setfacl", setfacl) != 0)
                QSKIP("this file system takes no ACLs");
        }
        const struct stat before = statOf(path);
        const QByteArray user = attribute(path, "user.penwick.test");
        const QByteArray acl = attribute(path, "system.posix_acl_access");
        QVERIFY(writeFile(path, "new"));
        const struct stat after = statOf(path);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(attribute(path, "user.penwick.test"), user);
        QCOMPARE(attribute(path, "system.posix_acl_access"), acl);
    }

    // Symbolic links stay links; a hard link ("=" before its target) keeps sharing the file.
    void writesThroughLinks_data()
    {
        QTest::addColumn<QStringList>("links");  // name, link text, ...; "@" is the folder
        QTest::addColumn<QByteArray>("old");     // of "real"; empty: no such file
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("absolute link") << QStringList{"link", "@/real"} << QByteArray("old") << QByteArray("new");
        QTest::newRow("relative chain across folders")
            << QStringList{"link", "sub/hop", "sub/hop", "../real"} << QByteArray("old") << QByteArray("new");
        QTest::newRow("dangling link creates its target") << QStringList{"link", "real"} << QByteArray() << QByteArray("new");
        QTest::newRow("hard link, shorter") << QStringList{"link", "=real"} << QByteArray("the old text") << QByteArray("new");
    }
    void writesThroughLinks()
    {
        QFETCH(QStringList, links);
        QFETCH(QByteArray, old);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("sub");
        QVERIFY(old.isEmpty() || put(dir.filePath("real"), old));
        for (int i = 0; i < links.size(); i += 2) {
            const QByteArray link = native(dir.filePath(links[i]));
            const QString text = QString(links[i + 1]).replace("@", dir.path());
            if (text.startsWith('='))
                QCOMPARE(::link(native(dir.filePath(text.mid(1))).constData(), link.constData()), 0);
            else
                QCOMPARE(::symlink(native(text).constData(), link.constData()), 0);
        }
        const QStringList before = entries(dir.path());
        QVERIFY(writeFile(dir.filePath("link"), bytes));
        QCOMPARE(contents(dir.filePath("real")), bytes);
        for (int i = 0; i < links.size(); i += 2)
            QVERIFY2(links[i + 1].startsWith('=') || S_ISLNK(statOf(dir.filePath(links[i])).st_mode),
                     qPrintable(links[i]));
        // No temporary or backup file left; only the target a dangling link asked for is new.
        QCOMPARE(entries(dir.path()).size(), before.size() + int(old.isEmpty()));
    }

    // Files beside "doc" before a save, "name=bytes", each a second newer than the one before:
    // "*" marks a temporary another live save holds locked, "cache:" a copy in the cache folder.
    void leftFilesSurviveTheNextSave_data()
    {
        QTest::addColumn<bool>("linked");         // a second name for doc: the save is in place
        QTest::addColumn<QStringList>("planted");
        QTest::addColumn<QString>("offered");     // what leftBackup finds, before and after
        QTest::addColumn<QStringList>("kept");    // planted files the save must not touch
        QTest::addColumn<int>("error");
        QTest::newRow("copy equal to the file: replaced and removed")
            << true << QStringList{".doc.penwick-backup=old"} << "" << QStringList() << 0;
        QTest::newRow("different copy: kept, the save takes another name")
            << true << QStringList{".doc.penwick-backup=older"} << ".doc.penwick-backup"
            << QStringList{".doc.penwick-backup"} << 0;
        QTest::newRow("two different copies: the newer offered, both kept")
            << true << QStringList{".doc.penwick-backup-2=older", ".doc.penwick-backup=old one"}
            << ".doc.penwick-backup" << QStringList{".doc.penwick-backup", ".doc.penwick-backup-2"} << 0;
        QTest::newRow("different copy in the cache: kept")
            << true << QStringList{"cache:=older"} << "cache:" << QStringList{"cache:"} << 0;
        QTest::newRow("dead temporaries go, live and look-alike ones stay")
            << false
            << QStringList{".doc.penwick-AbC012=dead", "*.doc.penwick-XyZ789=live",
                           ".doc.penwick-AbC0123=longer", ".doc.penwick-AbC01!=odd letter",
                           ".dot.penwick-AbC012=another file's"}
            << "" << QStringList{".doc.penwick-XyZ789", ".doc.penwick-AbC0123", ".doc.penwick-AbC01!",
                                 ".dot.penwick-AbC012"} << 0;
        QTest::newRow("dead temporary of an in-place save goes")
            << true << QStringList{".doc.penwick-AbC012=half a backup"} << "" << QStringList() << 0;
        QStringList full, fullWithBytes;
        for (int copy = 1; copy <= 16; ++copy) {
            const QString suffix = copy == 1 ? QString() : QString("-%1").arg(copy);
            full << ".doc.penwick-backup" + suffix << "cache:" + (copy == 1 ? QString() : "%" + suffix);
        }
        for (const QString &name : full)
            fullWithBytes << name + "=older " + name;
        QTest::newRow("sixteen different copies beside and in the cache: refused, all kept")
            << true << fullWithBytes << full.last() << full << EEXIST;
    }

    void leftFilesSurviveTheNextSave()
    {
        QFETCH(bool, linked);
        QFETCH(QStringList, planted);
        QFETCH(QString, offered);
        QFETCH(QStringList, kept);
        QFETCH(int, error);
        QTemporaryDir dir;
        qputenv("XDG_CACHE_HOME", native(dir.filePath("cache")));
        QString escaped = dir.filePath("doc");
        const QString cache = dir.filePath("cache/Penwick/backups/")
                              + escaped.replace("%", "%25").replace("/", "%2F");
        const auto where = [&](QString name) {
            name.remove('*');
            return name.startsWith("cache:") ? cache + name.mid(6) : dir.filePath(name);
        };
        QVERIFY(QDir().mkpath(dir.filePath("cache/Penwick/backups")));
        const QString doc = dir.filePath("doc");
        QVERIFY(put(doc, "old"));
        QVERIFY(!linked || ::link(native(doc).constData(), native(dir.filePath("other")).constData()) == 0);
        std::vector<int> held;
        QMap<QString, QByteArray> bytes;
        for (int i = 0; i < planted.size(); ++i) {
            const QString name = planted[i].section('=', 0, 0);
            bytes[name.mid(name.startsWith('*'))] = planted[i].section('=', 1).toLatin1();
            QVERIFY(put(where(name), planted[i].section('=', 1).toLatin1()));
            const timespec times[2] = {{1700000000 + i, 0}, {1700000000 + i, 0}};
            QCOMPARE(::utimensat(AT_FDCWD, native(where(name)).constData(), times, 0), 0);
            if (name.startsWith('*')) {
                held.push_back(::open(native(where(name)).constData(), O_RDONLY | O_CLOEXEC));
                QCOMPARE(::flock(held.back(), LOCK_EX | LOCK_NB), 0);
            }
        }
        const auto offeredNow = [&] { return leftBackup(doc).path; };
        QCOMPARE(offeredNow(), offered.isEmpty() ? QString() : where(offered));
        QCOMPARE(writeFile(doc, "new").error, error);
        QCOMPARE(contents(doc), QByteArray(error ? "old" : "new"));
        QCOMPARE(offeredNow(), offered.isEmpty() ? QString() : where(offered));
        for (const int fd : held)
            ::close(fd);
        QStringList expected = linked ? QStringList{"cache", "doc", "other"} : QStringList{"cache", "doc"};
        for (const QString &name : kept) {
            expected << QFileInfo(where(name)).fileName();
            QCOMPARE(contents(where(name)), bytes.value(name));
        }
        QStringList left = entries(dir.path()) + entries(dir.filePath("cache/Penwick/backups"));
        left.sort();
        expected.sort();
        QCOMPARE(left, expected);
    }
};

QTEST_GUILESS_MAIN(TestFileIo)
#include "tst_fileio.moc"
