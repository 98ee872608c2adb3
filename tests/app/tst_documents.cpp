// The one document through the scripted desktop: save questions, open, create, save, save as, drops.
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTest>

#include "harness.h"
#include "platform/richtextbox.h"
#include "platform/services.h"
#include "text/filename.h"
#include "text/journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

const QString missing = QStringLiteral("No such file or directory");

}

class tst_Documents : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { EXPECT_DESKTOP_SATISFIED(); }

    void openOverModifiedUntitledThenCancelSaveAs()
    {
        Harness h;
        const QString other = h.path(QStringLiteral("other.txt"));
        Harness::write(other, "other");
        h.w().RichTextBox->setSelText(QStringLiteral("draft"));
        h.desktop.openDialog(other);
        h.desktop.msgBox(vbYes, Harness::saveQuestion(QStringLiteral("Untitled")), 35);
        h.desktop.saveDialog(QString());
        h.w().mnuFileOpen_Click();
        QCOMPARE(h.w().RichTextBox->Text(), QStringLiteral("draft"));
        QCOMPARE(h.w().RichTextBox->Tag, QStringLiteral("1"));
        QCOMPARE(h.w().CommonDialog.FileName, QString());
        QCOMPARE(h.w().windowTitle(), QStringLiteral("Penwick"));
    }

    void openMissingFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("cause");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("caption");
        QTest::newRow("create accepted") << "new.txt" << missing << int(vbYes) << "new.txt - Penwick";
        QTest::newRow("create declined") << "new.txt" << missing << int(vbNo) << "Penwick";
        QTest::newRow("a folder, declined") << "" << "It is a folder, not a file." << int(vbNo) << "Penwick";
    }

    void openMissingFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, cause);
        QFETCH(int, answer);
        QFETCH(QString, caption);
        Harness h;
        const QString file = name.isEmpty() ? h.dir.path() : h.path(name);
        const bool named = answer == vbYes;
        h.open(QStringLiteral("old.txt"), "old");   // a clean document the missing one must replace
        h.desktop.openDialog(file);
        h.desktop.msgBox(answer, Harness::createQuestion(file, cause), 36);
        h.w().mnuFileOpen_Click();
        QCOMPARE(h.w().windowTitle(), caption);
        QCOMPARE(h.w().RichTextBox->Tag, named ? QStringLiteral("1") : QStringLiteral("0"));
        QCOMPARE(h.w().CommonDialog.FileName, named ? file : QString());
        QCOMPARE(h.w().RichTextBox->Text(), QString());
        QVERIFY(!h.w().mnuEditUndo->isEnabled());
        QVERIFY2(!QFileInfo(file).isFile(), "nothing is created on disk before a save");
        if (named) {
            // Closing now asks to save under that path, and Yes writes it.
            h.desktop.msgBox(vbYes, Harness::saveQuestion(file), 35);
            int cancel = 0;
            h.w().Form_Unload(cancel);
            QCOMPARE(cancel, 0);
            QCOMPARE(Harness::read(file), QByteArray());
        }
    }

    void openOffersALeftBackup_data()
    {
        QTest::addColumn<QByteArray>("backup");
        QTest::addColumn<int>("answer");   // 0: no question comes
        QTest::addColumn<QByteArray>("opened");
        QTest::newRow("Yes: the copy's text, changed, saved over the file; the copy goes")
            << QByteArray("whole old text") << int(vbYes) << QByteArray("whole old text");
        QTest::newRow("No: the file as it is; the copy stays") << QByteArray("whole old text") << int(vbNo) << QByteArray("torn");
        QTest::newRow("a copy equal to the file: no question, left for the next save")
            << QByteArray("torn") << 0 << QByteArray("torn");
    }

    void openOffersALeftBackup()
    {
        QFETCH(QByteArray, backup);
        QFETCH(int, answer);
        QFETCH(QByteArray, opened);
        Harness h;
        qputenv("XDG_CACHE_HOME", QFile::encodeName(h.path(QStringLiteral("cache"))));
        const QString file = h.path(QStringLiteral("doc.txt"));
        const QString copy = h.path(QStringLiteral(".doc.txt.penwick-backup"));
        Harness::write(file, "torn");
        Harness::write(copy, backup);
        const QDateTime made(QDate(2026, 3, 9), QTime(16, 45));
        const timespec times[2] = {{time_t(made.toSecsSinceEpoch()), 0}, {time_t(made.toSecsSinceEpoch()), 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(copy).constData(), times, 0), 0);
        h.desktop.openDialog(file);
        if (answer != 0)
            h.desktop.msgBox(answer,
                             QStringLiteral("A backup copy of '") + file + QStringLiteral("' from ")
                                 + QLocale::system().toString(made, QLocale::ShortFormat)
                                 + QStringLiteral(" was left by a save that did not finish. Open the backup instead?"),
                             vbYesNo + vbExclamation);
        h.w().mnuFileOpen_Click();
        QCOMPARE(h.w().RichTextBox->Text().toLatin1(), opened);
        QCOMPARE(h.w().RichTextBox->Tag, answer == vbYes ? QStringLiteral("1") : QStringLiteral("0"));
        QCOMPARE(h.w().windowTitle(), QStringLiteral("doc.txt - Penwick"));
        QCOMPARE(h.w().CommonDialog.FileName, file);
        // An edit's journal names the file the text came from; the backup's text has none behind it after a crash.
        h.w().RichTextBox->setSelText(QStringLiteral("!"));
        h.w().RichTextBox->WaitJournalWritten();
        const std::optional<text::JournalContents> journal = text::readJournal(h.w().RichTextBox->journalFile());
        QVERIFY(journal);
        QCOMPARE(journal->header.path, answer == vbYes ? QString() : file);
        h.w().RichTextBox->Undo();
        h.w().mnuFileSave_Click();
        QCOMPARE(Harness::read(file), opened);
        QCOMPARE(QFile::exists(copy), answer != vbYes);
    }

    void saveToReadOnlyFileFallsToSaveAs()
    {
        Harness h;
        const QString file = h.path(QStringLiteral("locked.txt"));
        Harness::write(file, "old");
        QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup);
        h.desktop.openDialog(file);
        h.w().mnuFileOpen_Click();
        h.w().RichTextBox->setSelText(QStringLiteral("new "));
        h.desktop.msgBox(vbOK, Harness::unable(file, ::geteuid() == 0 ? QStringLiteral("The file is read-only.") : QStringLiteral("Permission denied")), 48);
        h.desktop.saveDialog(QString());
        h.w().mnuFileSave_Click();
        QCOMPARE(Harness::read(file), QByteArray("old"));
        QCOMPARE(h.w().RichTextBox->Tag, QStringLiteral("1"));
        QCOMPARE(h.w().CommonDialog.FileName, file);
        QCOMPARE(h.w().windowTitle(), QStringLiteral("locked.txt - Penwick"));
    }

    void saveAsToUnwritableFolderRetries()
    {
        Harness h;
        h.w().RichTextBox->setSelText(QStringLiteral("text"));
        // A folder that does not exist cannot be written by anyone, root included.
        const QString bad = h.path(QStringLiteral("missing/x.txt"));
        h.desktop.saveDialog(bad);
        h.desktop.msgBox(vbOK, Harness::unable(bad, missing), 48);
        h.desktop.saveDialog(QString());
        h.w().mnuFileSaveas_Click();
        QCOMPARE(h.w().CommonDialog.FileName, bad);
        QCOMPARE(h.w().windowTitle(), QStringLiteral("Penwick"));
        QCOMPARE(h.w().RichTextBox->Tag, QStringLiteral("1"));
    }

    void saveAsAppendsTheDefaultExtension()
    {
        Harness h;
        h.w().RichTextBox->setSelText(QStringLiteral("text"));
        h.desktop.saveDialog(h.path(QStringLiteral("notes")));
        h.w().mnuFileSaveas_Click();
        const QString saved = h.path(QStringLiteral("notes.TXT"));
        QCOMPARE(Harness::read(saved), QByteArray("text"));
        QCOMPARE(h.w().windowTitle(), QStringLiteral("Penwick   '") + saved + QLatin1Char('\''));
        QCOMPARE(h.w().RichTextBox->Tag, QStringLiteral("0"));
    }

    void saveAsAsksBeforeReplacing()
    {
        Harness h;
        const QString file = h.path(QStringLiteral("a.txt"));
        Harness::write(file, "old");
        h.w().RichTextBox->setSelText(QStringLiteral("new"));
        const QString replace = QLatin1Char('\'') + file + QStringLiteral("' already exists. Do you want to replace it?");
        h.desktop.saveDialog(file);
        h.desktop.msgBox(vbNo, replace, 52);
        h.desktop.saveDialog(file);
        h.desktop.msgBox(vbYes, replace, 52);
        h.w().mnuFileSaveas_Click();
        QCOMPARE(Harness::read(file), QByteArray("new"));
    }

    void queryYesSavesNamedDocument()
    {
        Harness h;
        const QString next = h.path(QStringLiteral("b.txt"));
        Harness::write(next, "b");
        const QString file = h.open(QStringLiteral("a.txt"), "a");
        h.w().RichTextBox->setSelStart(1);
        h.w().RichTextBox->setSelText(QStringLiteral("!"));
        h.desktop.openDialog(next);
        h.desktop.msgBox(vbYes, Harness::saveQuestion(file), 35);
        h.w().mnuFileOpen_Click();
        QCOMPARE(Harness::read(file), QByteArray("a!"));
        QCOMPARE(h.w().RichTextBox->Text(), QStringLiteral("b"));
    }

    void newReplacesACleanDocumentWithoutAsking()
    {
        Harness h;
        h.open(QStringLiteral("a.txt"), "a");
        const QString folder = h.w().CommonDialog.InitDir;
        h.w().mnuFileNew_Click();
        QCOMPARE(h.w().RichTextBox->Text(), QString());
        QCOMPARE(h.w().windowTitle(), QStringLiteral("Penwick"));
        QCOMPARE(h.w().CommonDialog.FileName, QString());
        QCOMPARE(h.w().CommonDialog.InitDir, folder);
        QVERIFY(!h.w().mnuEditUndo->isEnabled());
        QVERIFY2(!h.w().RichTextBox->canUndo(), "New must not let Undo bring back the old document");
    }

    void dropsOpenTheFirstFileOnly()
    {
        Harness h;
        QStringList files;
        for (const char *name : {"one.txt", "two.txt", "three.txt"}) {
            files << h.path(QLatin1String(name));
            Harness::write(files.last(), name);
        }
        h.w().RichTextBox_OLEDragDrop(files);
        QCOMPARE(h.w().RichTextBox->Text(), QStringLiteral("one.txt"));
        h.w().Form_OLEDragDrop(files.mid(1));
        QCOMPARE(h.w().RichTextBox->Text(), QStringLiteral("two.txt"));
    }

    void droppedTextOpensNothing()
    {
        Harness h;
        h.show();
        h.w().RichTextBox->setSelText(QStringLiteral("kept"));
        auto *data = new QMimeData;
        data->setText(QStringLiteral("dragged text"));
        // Whatever widget of the control is under the mouse where the text is dropped.
        QWidget *target = h.w().RichTextBox->childAt(20, 20);
        QVERIFY(target);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        delete data;
        QCOMPARE(h.w().RichTextBox->Text(), QStringLiteral("kept"));
        QCOMPARE(h.w().windowTitle(), QStringLiteral("Penwick"));
        QCOMPARE(h.w().RichTextBox->Tag, QStringLiteral("1"));
    }

    // "caf\xE9 notes.txt" in Latin-1 bytes: opened from the command line and from a drop, shown with U+FFFD,
    // saved under exactly its own bytes.
    void namesThatAreNotUtf8KeepTheirBytes()
    {
        QTemporaryDir dir;
        const QByteArray second = QFile::encodeName(dir.path()) + "/\xFF.txt";
        const QString first = text::decodeName(QFile::encodeName(dir.path()) + "/caf\xE9 notes.txt");
        Harness::write(first, "old");
        Harness::write(text::decodeName(second), "two");

        Harness h({QLatin1Char('"') + first + QLatin1Char('"')});
        QCOMPARE(h.w().windowTitle(), QStringLiteral("caf\uFFFD notes.txt - Penwick"));
        QCOMPARE(h.w().RichTextBox->Text(), QStringLiteral("old"));
        QCOMPARE(h.w().CommonDialog.InitDir, dir.path() + QLatin1Char('/'));
        h.w().RichTextBox->setSelText(QStringLiteral("new "));
        h.w().mnuFileSave_Click();
        QCOMPARE(Harness::read(first), QByteArray("new old"));

        QMimeData drop;
        drop.setData(QStringLiteral("text/uri-list"), "file://" + second.toPercentEncoding("/") + "\r\n");
        h.w().Form_OLEDragDrop(droppedFiles(&drop));
        QCOMPARE(h.w().RichTextBox->Text(), QStringLiteral("two"));
        // No other file was made (Qt's own listing leaves out names that are not UTF-8).
        int files = 0;
        DIR *folder = ::opendir(QFile::encodeName(dir.path()).constData());
        while (const dirent *entry = ::readdir(folder))
            files += entry->d_name[0] != '.';
        ::closedir(folder);
        QCOMPARE(files, 2);
    }

    void fullDiskIsNamedAsTheCause_data()
    {
        QTest::addColumn<bool>("hardLinked");
        QTest::addColumn<QString>("cause");
        QTest::newRow("a new file") << false << "No space left on device";
        QTest::newRow("a hard-linked file, rewritten in place under a backup in the cache")
            << true << "No space left on device. The file was left as it was.";
    }

    // A 64 KB file system of our own (a private mount namespace): the save fails, the message says why and what
    // became of the file.
    void fullDiskIsNamedAsTheCause()
    {
        QFETCH(bool, hardLinked);
        QFETCH(QString, cause);
        static const bool ownNamespace =
            ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        if (!ownNamespace)
            QSKIP("mounting a small file system needs root");
        Harness h;
        const QByteArray cacheBefore = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(h.path(QStringLiteral("cache"))));
        const QString small = h.path(QStringLiteral("small"));
        QVERIFY(QDir().mkdir(small));
        QCOMPARE(::mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=64k"), 0);
        const QString file = small + QStringLiteral("/big.txt");
        const QByteArray old(20000, 'o');
        if (hardLinked) {
            Harness::write(file, old);
            QCOMPARE(::link(QFile::encodeName(file).constData(), QFile::encodeName(file + QStringLiteral("2")).constData()), 0);
            Harness::write(small + QStringLiteral("/filler"), QByteArray(60000, 'f'));   // as much as still fits
            h.desktop.openDialog(file);
            h.w().mnuFileOpen_Click();
            h.w().RichTextBox->setSelText(QString(100000, QLatin1Char('x')));
            h.desktop.msgBox(vbOK, Harness::unable(file, cause), 48);
            h.desktop.saveDialog(QString());
            h.w().mnuFileSave_Click();
            QCOMPARE(Harness::read(file), old);
        } else {
            h.w().RichTextBox->setSelText(QString(200000, QLatin1Char('x')));
            h.desktop.saveDialog(file);
            h.desktop.msgBox(vbOK, Harness::unable(file, cause), 48);
            h.desktop.saveDialog(QString());
            h.w().mnuFileSaveas_Click();
        }
        ::umount2(QFile::encodeName(small).constData(), MNT_DETACH);
        qputenv("XDG_CACHE_HOME", cacheBefore);
        QCOMPARE(h.w().RichTextBox->Tag, QStringLiteral("1"));
    }

    void fileChangedByAnotherProgram_data()
    {
        QTest::addColumn<QString>("meanwhile");   // what another program does to the file after it was opened
        QTest::addColumn<int>("answer");          // 0: no question
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("flag");
        QTest::newRow("unchanged: saved, nothing asked") << "" << 0 << QByteArray("new old") << "0";
        QTest::newRow("rewritten, No: nothing written") << "rewrite" << int(vbNo) << QByteArray("theirs!") << "1";
        QTest::newRow("rewritten, Yes: replaced") << "rewrite" << int(vbYes) << QByteArray("new old") << "0";
        QTest::newRow("replaced by rename, No") << "rename" << int(vbNo) << QByteArray("theirs!") << "1";
        QTest::newRow("rewritten keeping size, time and inode, No") << "same stamp" << int(vbNo) << QByteArray("OLD") << "1";
        QTest::newRow("deleted: written again, nothing asked") << "delete" << 0 << QByteArray("new old") << "0";
    }

    void fileChangedByAnotherProgram()
    {
        QFETCH(QString, meanwhile);
        QFETCH(int, answer);
        QFETCH(QByteArray, after);
        QFETCH(QString, flag);
        Harness h;
        const QString file = h.open(QStringLiteral("shared.txt"), "old");
        h.w().RichTextBox->setSelText(QStringLiteral("new "));
        if (meanwhile == QLatin1String("rewrite")) {
            Harness::write(file, "theirs!");
        } else if (meanwhile == QLatin1String("rename")) {
            Harness::write(file + QStringLiteral(".tmp"), "theirs!");
            QVERIFY(::rename(QFile::encodeName(file + QStringLiteral(".tmp")).constData(), QFile::encodeName(file).constData()) == 0);
        } else if (meanwhile == QLatin1String("same stamp")) {
            struct stat before;
            QVERIFY(::stat(QFile::encodeName(file).constData(), &before) == 0);
            Harness::write(file, "OLD");
            const struct timespec times[2] = {before.st_atim, before.st_mtim};
            QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0) == 0);
        } else if (meanwhile == QLatin1String("delete")) {
            QVERIFY(QFile::remove(file));
        }
        if (answer)
            h.desktop.msgBox(answer, QLatin1Char('\'') + file + QStringLiteral("' was changed by another program after it was opened. "
                                                                              "Do you want to replace it with this document?"), 52);
        h.w().mnuFileSave_Click();
        QCOMPARE(Harness::read(file), after);
        QCOMPARE(h.w().RichTextBox->Tag, flag);
        QCOMPARE(h.w().windowTitle(), QStringLiteral("shared.txt - Penwick"));
        // Once saved, the file is ours again: the next save asks nothing.
        if (flag == QLatin1String("0")) {
            h.w().RichTextBox->setSelText(QStringLiteral("more "));
            h.w().mnuFileSave_Click();
        }
    }
};

QTEST_MAIN(tst_Documents)
#include "tst_documents.moc"
