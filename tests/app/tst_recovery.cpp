// Unsaved edits through a crash: a forked window types, its journal reaches the disk, SIGKILL ends it, and a
// fresh window offers the edits back; and what deletes a journal when nothing crashed.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <QTest>

#include "harness.h"
#include "platform/richtextbox.h"
#include "platform/statusbar.h"
#include "text/journal.h"

#include <csignal>
#include <functional>
#include <limits>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

namespace {

// Files the folder holds, live journals included.
QStringList journalsIn(const QString &state)
{
    return QDir(state + QStringLiteral("/Penwick/journal")).entryList({QStringLiteral("*.journal")}, QDir::Files);
}

// The typing of a user who then crashes: at the end, a new line, a backspace, and at the start.
QString typeSome(Harness &h)
{
    RichTextBox &box = *h.w().RichTextBox;
    box.setSelStart(box.textLength());
    QTest::keyClicks(box.focusProxy(), QStringLiteral("typed"));
    QTest::keyClick(box.focusProxy(), Qt::Key_Return);
    QTest::keyClicks(box.focusProxy(), QStringLiteral("more"));
    QTest::keyClick(box.focusProxy(), Qt::Key_Backspace);
    box.setSelStart(0);
    box.setSelText(QStringLiteral("head "));
    box.WaitJournalWritten();
    return box.Text();
}

// A window in a child process opens commandLine, does its work, which waits until its journal is on the disk and
// says what its text is (or, in parentheses, what went wrong); then the parent kills it. Returns what it said.
QString killAfter(const QString &state, const QStringList &commandLine, const std::function<QString(Harness &)> &work = typeSome,
                  const QList<QPair<QString, QString>> &settings = {})
{
    QTemporaryFile report;
    if (!report.open())
        return QStringLiteral("(no report file)");
    const pid_t pid = ::fork();
    if (pid == 0) {
        {
            Harness h(commandLine, settings, false);
            h.dir.remove();   // a SIGKILL leaves no cleanup
            qputenv("XDG_STATE_HOME", QFile::encodeName(state));
            h.load();
            h.show();
            const QByteArray text = work(h).toUtf8() + '\0';
            static_cast<void>(::write(report.handle(), text.constData(), size_t(text.size())));
            for (;;)
                ::pause();
        }
    }
    QByteArray said;
    for (int waited = 0; !said.endsWith('\0') && waited < 30000; waited += 10) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return QStringLiteral("(the child ended by itself)");
        QTest::qSleep(10);
        QFile f(report.fileName());
        if (f.open(QIODevice::ReadOnly))
            said = f.readAll();
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!said.endsWith('\0'))
        return QStringLiteral("(the child never said its text)");
    said.chop(1);
    return QString::fromUtf8(said);
}

// Mounts of this test's own, seen by nobody else.
bool ownMountNamespace()
{
    static const bool own = ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return own;
}

}

class tst_Recovery : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { EXPECT_DESKTOP_SATISFIED(); }
    void aKilledWindowsEditsAreOffered_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<bool>("big");          // over what a journal keeps a copy of: the file is the base
        QTest::addColumn<bool>("changedOnDisk");
        QTest::addColumn<QString>("reopened");  // the command line of the next start: "", "it" or "another file"
        QTest::addColumn<int>("answer");
        QTest::newRow("file, Yes: the file with the edits") << true << false << false << "" << int(vbYes);
        QTest::newRow("file changed meanwhile, Yes: untitled") << true << false << true << "" << int(vbYes);
        QTest::newRow("untitled, Yes: untitled") << false << false << false << "" << int(vbYes);
        QTest::newRow("file, No: journal deleted") << true << false << false << "" << int(vbNo);
        QTest::newRow("file, started with it, Yes: recovered in its place, no save question")
            << true << false << false << "it" << int(vbYes);
        QTest::newRow("30 MB file, started with it, Yes: recovered in its place") << true << true << false << "it" << int(vbYes);
        QTest::newRow("file, started with it, No: the file as it is") << true << false << false << "it" << int(vbNo);
        QTest::newRow("untitled, started with a file, Yes: the recovered text stays")
            << false << false << false << "another file" << int(vbYes);
        QTest::newRow("30 MB file, started with another file, Yes: the recovered file stays")
            << true << true << false << "another file" << int(vbYes);
    }

    void aKilledWindowsEditsAreOffered()
    {
        QFETCH(bool, named);
        QFETCH(bool, big);
        QFETCH(bool, changedOnDisk);
        QFETCH(QString, reopened);
        QFETCH(int, answer);
        QTemporaryDir dir;
        const QString state = dir.filePath(QStringLiteral("state"));
        const QString path = dir.filePath(QStringLiteral("doc.txt"));
        const QString other = dir.filePath(QStringLiteral("other.txt"));
        QByteArray original("line one\r\nline two\r\n");
        if (big)
            original += QByteArray("filler line\r\n").repeated(30000000 / 13);
        QVERIFY(big == (original.size() > text::MaxJournalBase));
        Harness::write(path, original);
        Harness::write(other, "the other file\n");
        const QString expected = killAfter(state, named ? QStringList(path) : QStringList());
        QVERIFY2(expected.contains(QLatin1String("typed\nmor")), qPrintable(expected.left(200)));
        QCOMPARE(journalsIn(state).size(), 1);
        if (changedOnDisk)
            Harness::write(path, "another program wrote this\n");

        const QStringList commandLine = reopened.isEmpty() ? QStringList() : QStringList(reopened == QLatin1String("it") ? path : other);
        Harness h(commandLine, {}, false);
        qputenv("XDG_STATE_HOME", QFile::encodeName(state));
        h.desktop.msgBox(answer, QStringLiteral("Penwick closed without saving changes to '") + (named ? path : QStringLiteral("Untitled"))
                                     + QStringLiteral("'. Recover them?"), vbYesNo + vbQuestion);
        h.load();
        RichTextBox &box = *h.w().RichTextBox;
        if (answer == vbNo) {
            QCOMPARE(box.Text(), commandLine.isEmpty() ? QString() : QString::fromLatin1(original).replace(QLatin1String("\r\n"), QLatin1String("\n")));
            QCOMPARE(box.Tag, QStringLiteral("0"));
            QCOMPARE(h.w().CommonDialog.FileName, commandLine.value(0));
            QCOMPARE(journalsIn(state), QStringList());
            return;
        }
        QVERIFY2(box.Text() == expected, qPrintable(box.Text().left(200)));
        QCOMPARE(box.Tag, QStringLiteral("1"));
        const bool onFile = named && !changedOnDisk;
        QCOMPARE(h.w().CommonDialog.FileName, onFile ? path : QString());
        QCOMPARE(h.w().windowTitle(), onFile ? QStringLiteral("doc.txt - Penwick") : QStringLiteral("Penwick"));
        QCOMPARE(h.w().mnuEditUndo->isEnabled(), onFile);
        // The recovered document's own journal replaces the one it came from.
        QCOMPARE(journalsIn(state).size(), 1);
        QVERIFY(text::leftJournals(state + QStringLiteral("/Penwick/journal")).isEmpty());
        if (onFile) {
            // Saved, the file keeps its own line ends around the edits.
            h.w().mnuFileSave_Click();
            QVERIFY(Harness::read(path) == "head " + original + "typed\r\nmor");
        }
        QCOMPARE(Harness::read(other), QByteArray("the other file\n"));
    }

    // The state folder a tiny file system of our own (a private mount namespace), filled up or read-only while
    // the user types: the window says so once and goes on; once the disk takes bytes again, the journal holds
    // every edit, those made meanwhile too.
    void journalingComesBackWhenTheDiskDoes_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("statusBar");
        QTest::newRow("full, said in the status bar") << false << true;
        QTest::newRow("read-only, said in the status bar") << true << true;
        QTest::newRow("read-only, status bar hidden: said in a message once typing pauses") << true << false;
    }

    void journalingComesBackWhenTheDiskDoes()
    {
        QFETCH(bool, readOnly);
        QFETCH(bool, statusBar);
        if (!ownMountNamespace())
            QSKIP("mounting a small file system needs root");
        QTemporaryDir dir;
        const QString state = dir.filePath(QStringLiteral("state"));
        const QByteArray mountPoint = QFile::encodeName(state);
        QVERIFY(QDir().mkdir(state));
        QCOMPARE(::mount("tmpfs", mountPoint.constData(), "tmpfs", readOnly ? MS_RDONLY : 0, "size=256k"), 0);
        const auto unmount = qScopeGuard([&] { ::umount2(mountPoint.constData(), MNT_DETACH); });
        const QString cause = readOnly ? QStringLiteral("Read-only file system") : QStringLiteral("No space left on device");
        const auto work = [&](Harness &h) -> QString {
            RichTextBox &box = *h.w().RichTextBox;
            box.KeepJournal(text::journalFolder(), 20);
            QTest::keyClicks(box.focusProxy(), QStringLiteral("abc"));
            if (box.JournalWritten() == readOnly)
                return QStringLiteral("(the first edits went wrong)");
            const QString filler = state + QStringLiteral("/filler");
            if (!readOnly) {
                QFile fill(filler);
                if (!fill.open(QIODevice::WriteOnly))
                    return QStringLiteral("(no filler)");
                while (fill.write(QByteArray(4096, 'f')) == 4096 && fill.flush()) {}
            }
            if (!statusBar)
                h.desktop.msgBox(vbOK, QStringLiteral("Unsaved changes are not protected against a crash: the journal of edits cannot be written (")
                                           + cause + QStringLiteral("). Penwick keeps trying; saving the document protects it."), vbOKOnly + vbExclamation);
            box.setSelText(QString(80000, QLatin1Char('d')));
            if (box.JournalWritten())
                return QStringLiteral("(written on a disk that cannot take it)");
            const QString said = QStringLiteral("Not crash-safe: ") + cause;
            if (!QTest::qWaitFor([&] { return h.w().StatusBar->panelText(3) == said; }))
                return QStringLiteral("(the status bar says '") + h.w().StatusBar->panelText(3) + QStringLiteral("')");
            if (!statusBar && !QTest::qWaitFor([&] { return h.desktop.count(QStringLiteral("MsgBox")) == 1; }, 10000))
                return QStringLiteral("(no message)");
            // Another Penwick starting now must not take the live journal for a crash's.
            if (!text::leftJournals(text::journalFolder()).isEmpty())
                return QStringLiteral("(the live journal looks left)");
            QTest::keyClicks(box.focusProxy(), QStringLiteral("ef"));
            if ((!readOnly && !QFile::remove(filler))
                || (readOnly && ::mount(nullptr, mountPoint.constData(), nullptr, MS_REMOUNT, "size=256k") != 0))
                return QStringLiteral("(the disk stays as it was)");
            QTest::keyClicks(box.focusProxy(), QStringLiteral("ghi"));
            if (!box.JournalWritten() || !QTest::qWaitFor([&] { return h.w().StatusBar->panelText(3).isEmpty(); }))
                return QStringLiteral("(the journal did not come back)");
            if (!h.desktop.problems().isEmpty() || h.desktop.count(QStringLiteral("MsgBox")) != (statusBar ? 0 : 1))
                return QStringLiteral("(") + h.desktop.problems() + QStringLiteral(")");
            return box.Text();
        };
        const QList<QPair<QString, QString>> settings{{QStringLiteral("StatusBar"), statusBar ? QStringLiteral("1") : QStringLiteral("0")}};
        const QString expected = killAfter(state, {}, work, settings);
        QVERIFY2(expected == QStringLiteral("abc") + QString(80000, QLatin1Char('d')) + QStringLiteral("efghi"), qPrintable(expected.left(200)));

        Harness h({}, {}, false);
        qputenv("XDG_STATE_HOME", mountPoint);
        h.desktop.msgBox(vbYes, QStringLiteral("Penwick closed without saving changes to 'Untitled'. Recover them?"));
        h.load();
        QVERIFY(h.w().RichTextBox->Text() == expected);
    }

    // Recovered onto a full disk, the old journal is all there is: it stays, locked like a live one, until the
    // recovered document's own journal is on the disk.
    void aRecoveredJournalStaysUntilItsSuccessorIsWritten()
    {
        if (!ownMountNamespace())
            QSKIP("mounting a small file system needs root");
        Harness h({}, {}, false);
        const QByteArray state = QFile::encodeName(h.path(QStringLiteral("state")));
        QVERIFY(QDir().mkdir(h.path(QStringLiteral("state"))));
        QCOMPARE(::mount("tmpfs", state.constData(), "tmpfs", 0, "size=64k"), 0);
        const auto unmount = qScopeGuard([&] { ::umount2(state.constData(), MNT_DETACH); });
        const QString folder = h.path(QStringLiteral("state/Penwick/journal"));
        const QString old = folder + QStringLiteral("/1-2-0.journal");
        QVERIFY(QDir().mkpath(folder));
        Harness::write(old, text::encodeJournalStart({}) + text::encodeJournalBase({text::JournalBase::Text, {}, {}, QStringLiteral("base")})
                                + text::encodeJournalEdit(4, 0, QString(8000, QLatin1Char('r'))));
        QFile fill(h.path(QStringLiteral("state/filler")));
        QVERIFY(fill.open(QIODevice::WriteOnly));
        while (fill.write(QByteArray(1024, 'f')) == 1024 && fill.flush()) {}
        h.desktop.msgBox(vbYes, QStringLiteral("Penwick closed without saving changes to 'Untitled'. Recover them?"));
        h.load();
        QCOMPARE(h.w().RichTextBox->Text(), QStringLiteral("base") + QString(8000, QLatin1Char('r')));
        QVERIFY(QFile::exists(old));
        QCOMPARE(text::leftJournals(folder), QStringList());
        fill.close();
        QVERIFY(fill.remove());
        h.w().RichTextBox->setSelText(QStringLiteral("x"));
        QVERIFY(h.w().RichTextBox->JournalWritten());
        QTRY_VERIFY(!QFile::exists(old));
    }

    // Journals made by hand: one that cannot apply is said so and kept aside, never applied in part nor deleted.
    void aJournalThatDoesNotApplyIsRefusedAndKept_data()
    {
        QTest::addColumn<QString>("journal");
        QTest::addColumn<bool>("asked");    // Yes answered before the refusal
        QTest::addColumn<QString>("cause");  // empty: dropped without a word
        const QString unfit = QStringLiteral("Its edits do not fit the text they were made on.");
        QTest::newRow("edit at 2^63-1 of its copy") << "copy, far edit" << false << unfit;
        QTest::newRow("unknown encoding of its copy") << "copy, encoding 9" << false << QStringLiteral("Its text is damaged.");
        QTest::newRow("edit at 2^63-1 of a file kept without a copy, Yes")
            << "no copy, far edit" << true << QStringLiteral("The file cannot be read, or its edits do not fit it.");
        QTest::newRow("file changed, kept without a copy")
            << "no copy, file changed" << false << QStringLiteral("The file was changed since, and they were made on its old text.");
        QTest::newRow("file deleted, kept without a copy: dropped") << "no copy, file deleted" << false << QString();
        QTest::newRow("file's folder away, kept without a copy: waits for it") << "no copy, folder away" << false << QString();
    }

    void aJournalThatDoesNotApplyIsRefusedAndKept()
    {
        QFETCH(QString, journal);
        QFETCH(bool, asked);
        QFETCH(QString, cause);
        Harness h({}, {}, false);
        const QString folder = h.path(QStringLiteral("state/Penwick/journal"));
        const QString file = folder + QStringLiteral("/1-2-0.journal");
        const QString doc = h.path(QStringLiteral("doc.txt"));
        Harness::write(doc, "abc");
        const qint64 far = std::numeric_limits<qint64>::max();
        QByteArray bytes;
        if (journal.startsWith(QLatin1String("copy"))) {
            const text::TextFormat format{text::Encoding(journal.endsWith(QLatin1String("9")) ? 9 : 0), false, text::LineEnd::LF};
            bytes = text::encodeJournalStart(*text::headerOfFile(doc))
                + text::encodeJournalBase({text::JournalBase::FileBytes, QByteArray("abc"), format, {}})
                + text::encodeJournalEdit(journal.endsWith(QLatin1String("edit")) ? far : 0, 2, u"x");
        } else {
            text::JournalHeader header = *text::headerOfFile(doc);
            if (journal.endsWith(QLatin1String("away")))
                header.path = h.path(QStringLiteral("away/doc.txt"));
            bytes = text::encodeJournalStart(header) + text::encodeJournalEdit(journal.endsWith(QLatin1String("edit")) ? far : 0, 2, u"x");
        }
        QVERIFY(QDir().mkpath(folder));
        Harness::write(file, bytes);
        if (journal.endsWith(QLatin1String("changed")))
            Harness::write(doc, "xyz!");
        if (journal.endsWith(QLatin1String("deleted")))
            QVERIFY(QFile::remove(doc));
        if (asked)
            h.desktop.msgBox(vbYes, QStringLiteral("Penwick closed without saving changes to '") + doc + QStringLiteral("'. Recover them?"));
        if (!cause.isEmpty())
            h.desktop.msgBox(vbOK, QStringLiteral("Penwick closed without saving changes to '") + doc + QStringLiteral("', but they cannot be recovered. ")
                                 + cause + QStringLiteral("\n\nThey are kept in '") + file + QStringLiteral(".refused'."), vbOKOnly + vbExclamation);
        h.load();
        QCOMPARE(h.w().RichTextBox->Text(), QString());
        QCOMPARE(h.w().RichTextBox->Tag, QStringLiteral("0"));
        QCOMPARE(h.w().windowTitle(), QStringLiteral("Penwick"));
        QCOMPARE(QFile::exists(file), journal.endsWith(QLatin1String("away")));
        QCOMPARE(QFile::exists(file + QStringLiteral(".refused")), !cause.isEmpty());
        if (!cause.isEmpty())
            QCOMPARE(Harness::read(file + QStringLiteral(".refused")), bytes);
    }

    // However many journals a crash left, one start asks about the newest few; the others wait.
    void onlyTheNewestFewAreOffered()
    {
        Harness h({}, {}, false);
        const QString folder = h.path(QStringLiteral("state/Penwick/journal"));
        QVERIFY(QDir().mkpath(folder));
        QStringList files;
        for (int i = 0; i < 6; ++i) {
            files << folder + QStringLiteral("/%1-0-0.journal").arg(i);
            Harness::write(files.back(), text::encodeJournalStart({}) + text::encodeJournalBase({text::JournalBase::Text, {}, {}, QStringLiteral("a")})
                                             + text::encodeJournalEdit(0, 0, u"x"));
            // Numbered apart from their age: 5 is the newest, then 0, 1, 2, ...
            QFile f(files.back());
            QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(QDateTime::currentDateTime().addSecs(-1000 * ((i + 1) % 6)), QFileDevice::FileModificationTime));
        }
        for (int i = 0; i < 3; ++i)
            h.desktop.msgBox(vbNo, QStringLiteral("Penwick closed without saving changes to 'Untitled'. Recover them?"));
        h.load();
        QCOMPARE(journalsIn(h.path(QStringLiteral("state"))), QStringList({QStringLiteral("2-0-0.journal"), QStringLiteral("3-0-0.journal"), QStringLiteral("4-0-0.journal")}));
    }

    void onlyACrashLeavesAJournal_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("answer");   // to the save question; 0: none comes
        QTest::addColumn<bool>("kept");
        QTest::newRow("Save") << "save" << 0 << false;
        QTest::newRow("Exit, No to saving") << "exit" << int(vbNo) << false;
        QTest::newRow("Exit, Cancel") << "exit" << int(vbCancel) << true;
        QTest::newRow("New, No to saving") << "new" << int(vbNo) << false;
        QTest::newRow("window gone") << "destroy" << 0 << false;
    }

    void onlyACrashLeavesAJournal()
    {
        QFETCH(QString, how);
        QFETCH(int, answer);
        QFETCH(bool, kept);
        Harness h;   // its journals go to its own state folder
        const QString state = h.path(QStringLiteral("state"));
        const QString path = h.open(QStringLiteral("doc.txt"), "text\n");
        h.w().RichTextBox->setSelText(QStringLiteral("edit "));
        h.w().RichTextBox->WaitJournalWritten();
        QCOMPARE(journalsIn(state).size(), 1);
        if (answer != 0)
            h.desktop.msgBox(answer, Harness::saveQuestion(path));
        if (how == QLatin1String("save"))
            h.w().mnuFileSave_Click();
        else if (how == QLatin1String("exit"))
            h.w().mnuFileExit_Click();
        else if (how == QLatin1String("new"))
            h.w().mnuFileNew_Click();
        else
            h.window.reset();
        if (h.window)
            h.w().RichTextBox->WaitJournalWritten();
        QCOMPARE(journalsIn(state).size(), kept ? 1 : 0);
    }
};

QTEST_MAIN(tst_Recovery)
#include "tst_recovery.moc"
