// Unsaved edits through a crash: a forked window types, its journal reaches the disk, SIGKILL ends it, and a
// fresh window offers the edits back; and what deletes a journal when nothing crashed.
#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QTest>

#include "harness.h"
#include "platform/richtextbox.h"
#include "text/journal.h"

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

namespace {

// Files the folder holds, live journals included.
QStringList journalsIn(const QString &state)
{
    return QDir(state + QStringLiteral("/Penwick/journal")).entryList({QStringLiteral("*.journal")}, QDir::Files);
}

// A window in a child process opens commandLine, types, waits until its journal is on the disk and says what
// its text is; then the parent kills it. Returns that text, or a line saying what went wrong.
QString typeAndKill(const QString &state, const QStringList &commandLine)
{
    QTemporaryFile report;
    if (!report.open())
        return QStringLiteral("(no report file)");
    const pid_t pid = ::fork();
    if (pid == 0) {
        {
            Harness h(commandLine, {}, false);
            h.dir.remove();   // a SIGKILL leaves no cleanup
            qputenv("XDG_STATE_HOME", QFile::encodeName(state));
            h.load();
            h.show();
            RichTextBox &box = *h.w().RichTextBox;
            box.setSelStart(box.textLength());
            QTest::keyClicks(box.focusProxy(), QStringLiteral("typed"));
            QTest::keyClick(box.focusProxy(), Qt::Key_Return);
            QTest::keyClicks(box.focusProxy(), QStringLiteral("more"));
            QTest::keyClick(box.focusProxy(), Qt::Key_Backspace);
            box.setSelStart(0);
            box.setSelText(QStringLiteral("head "));
            box.WaitJournalWritten();
            const QByteArray text = box.Text().toUtf8() + '\0';
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

}

class tst_Recovery : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { EXPECT_DESKTOP_SATISFIED(); }
    void aKilledWindowsEditsAreOffered_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<bool>("changedOnDisk");
        QTest::addColumn<int>("answer");
        QTest::newRow("file, Yes: the file with the edits") << true << false << int(vbYes);
        QTest::newRow("file changed meanwhile, Yes: untitled") << true << true << int(vbYes);
        QTest::newRow("untitled, Yes: untitled") << false << false << int(vbYes);
        QTest::newRow("file, No: journal deleted") << true << false << int(vbNo);
    }

    void aKilledWindowsEditsAreOffered()
    {
        QFETCH(bool, named);
        QFETCH(bool, changedOnDisk);
        QFETCH(int, answer);
        QTemporaryDir dir;
        const QString state = dir.filePath(QStringLiteral("state"));
        const QString path = dir.filePath(QStringLiteral("doc.txt"));
        Harness::write(path, "line one\r\nline two\r\n");
        const QString expected = typeAndKill(state, named ? QStringList(path) : QStringList());
        QVERIFY2(expected.contains(QLatin1String("typed\nmor")), qPrintable(expected));
        QCOMPARE(journalsIn(state).size(), 1);
        if (changedOnDisk)
            Harness::write(path, "another program wrote this\n");

        Harness h({}, {}, false);
        qputenv("XDG_STATE_HOME", QFile::encodeName(state));
        h.desktop.msgBox(answer, QStringLiteral("Penwick closed without saving changes to '") + (named ? path : QStringLiteral("Untitled"))
                                     + QStringLiteral("'. Recover them?"), vbYesNo + vbQuestion);
        h.load();
        RichTextBox &box = *h.w().RichTextBox;
        if (answer == vbNo) {
            QCOMPARE(box.Text(), QString());
            QCOMPARE(box.Tag, QStringLiteral("0"));
            QCOMPARE(journalsIn(state), QStringList());
            return;
        }
        QCOMPARE(box.Text(), expected);
        QCOMPARE(box.Tag, QStringLiteral("1"));
        const bool onFile = named && !changedOnDisk;
        QCOMPARE(h.w().CommonDialog.FileName, onFile ? path : QString());
        QCOMPARE(h.w().windowTitle(), onFile ? QStringLiteral("doc.txt - Penwick") : QStringLiteral("Penwick"));
        // The recovered document's own journal replaces the one it came from.
        QCOMPARE(journalsIn(state).size(), 1);
        QVERIFY(text::leftJournals(state + QStringLiteral("/Penwick/journal")).isEmpty());
        if (onFile) {
            // Saved, the file keeps its own line ends around the edits.
            h.w().mnuFileSave_Click();
            QCOMPARE(Harness::read(path), QByteArray("head line one\r\nline two\r\ntyped\r\nmor"));
        }
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
