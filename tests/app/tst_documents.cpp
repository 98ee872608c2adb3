// The document window's journeys through the scripted desktop: the steps a person takes, the answers they give,
// and the caption, modified flag, file name, text and bytes on disk they end with.
#include <QApplication>
#include <QDateTime>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include "about/frmabout.h"
#include "harness.h"
#include "platform/richtextbox.h"
#include "platform/services.h"
#include "platform/statusbar.h"
#include "search/frmfind.h"
#include "text/filename.h"
#include "text/journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

const QString missing = QStringLiteral("No such file or directory");
const QDateTime backupMade(QDate(2026, 3, 9), QTime(16, 45));

// A name in a row is percent-encoded bytes below the test's folder ("caf%E9.txt"); "." is the folder itself.
QString pathOf(const Harness &h, const QString &name)
{
    return name == QLatin1String(".") ? h.dir.path() : h.path(text::decodeName(QByteArray::fromPercentEncoding(name.toUtf8())));
}

// "open NAME", "saveas NAME" (no name: cancelled), or "ANSWER QUESTION NAME[|cause]" for a message box.
void queue(Harness &h, const QString &answer)
{
    const QString kind = answer.section(QLatin1Char(' '), 0, 0);
    const QString rest = answer.section(QLatin1Char(' '), 1);
    if (kind == QLatin1String("open") || kind == QLatin1String("saveas")) {
        const QString file = rest.isEmpty() ? QString() : pathOf(h, rest);
        kind == QLatin1String("open") ? h.desktop.openDialog(file) : h.desktop.saveDialog(file);
        return;
    }
    const int reply = QStringList{"", "OK", "Cancel", "", "", "", "Yes", "No"}.indexOf(kind);
    const QString question = rest.section(QLatin1Char(' '), 0, 0);
    const QString target = rest.section(QLatin1Char(' '), 1).section(QLatin1Char('|'), 0, 0);
    QString cause = rest.section(QLatin1Char('|'), 1);
    if (cause == QLatin1String("%ro"))   // root may write a read-only file, so the program refuses it itself
        cause = ::geteuid() == 0 ? QStringLiteral("The file is read-only.") : QStringLiteral("Permission denied");
    const QString file = target == QLatin1String("Untitled") ? target : pathOf(h, target);
    const QString quoted = QLatin1Char('\'') + file + QLatin1Char('\'');
    if (question == QLatin1String("save"))
        h.desktop.msgBox(reply, Harness::saveQuestion(file), vbYesNoCancel + vbQuestion);
    else if (question == QLatin1String("create"))
        h.desktop.msgBox(reply, Harness::createQuestion(file, cause.isEmpty() ? missing : cause), vbYesNo + vbQuestion);
    else if (question == QLatin1String("unable"))
        h.desktop.msgBox(reply, Harness::unable(file, cause), vbExclamation);
    else if (question == QLatin1String("replace"))
        h.desktop.msgBox(reply, quoted + QStringLiteral(" already exists. Do you want to replace it?"), vbYesNo + vbExclamation);
    else if (question == QLatin1String("backup"))
        h.desktop.msgBox(reply, QStringLiteral("A backup copy of ") + quoted + QStringLiteral(" from ")
                                    + QLocale::system().toString(backupMade, QLocale::ShortFormat)
                                    + QStringLiteral(" was left by a save that did not finish. Open the backup instead?"),
                         vbYesNo + vbExclamation);
    else if (question == QLatin1String("utf8"))
        h.desktop.msgBox(reply, quoted + QStringLiteral(" was saved as UTF-8, because it now holds characters that its previous "
                                                        "encoding cannot store."), vbInformation);
    else if (question == QLatin1String("changed"))
        h.desktop.msgBox(reply, quoted + QStringLiteral(" was changed by another program after it was opened. "
                                                        "Do you want to replace it with this document?"),
                         vbYesNo + vbExclamation);
    else
        QFAIL(qPrintable(QStringLiteral("no such answer: ") + answer));
}

// Text dragged onto whatever widget of the control is under the mouse.
void dropText(Harness &h, const QString &dragged)
{
    h.show();
    QMimeData data;
    data.setText(dragged);
    QWidget *target = h.w().RichTextBox->childAt(20, 20);
    QVERIFY(target);
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

QStringList files(const Harness &h, const QString &list)
{
    QStringList paths;
    for (const QString &name : list.split(QLatin1Char(',')))
        paths << pathOf(h, name);
    return paths;
}

// One step of a journey: a change on disk, an edit, a command, a real key, or a check on the way ("?...").
void step(Harness &h, const QString &s, bool &closed)
{
    const QString verb = s.section(QLatin1Char(' '), 0, 0);
    const QString arg = s.section(QLatin1Char(' '), 1);
    frmPenwick &w = h.w();
    RichTextBox &box = *w.RichTextBox;
    if (verb == QLatin1String("file")) {
        Harness::write(pathOf(h, arg.section(QLatin1Char('='), 0, 0)), QByteArray::fromPercentEncoding(arg.section(QLatin1Char('='), 1).toUtf8()));
    } else if (verb == QLatin1String("rewrite")) {   // new bytes under the old modification time
        const QString file = pathOf(h, arg.section(QLatin1Char('='), 0, 0));
        struct stat before;
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &before), 0);
        Harness::write(file, arg.section(QLatin1Char('='), 1).toLatin1());
        const timespec times[2] = {before.st_atim, before.st_mtim};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0), 0);
    } else if (verb == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(pathOf(h, arg)).constData(), 0644), 0);
    } else if (verb == QLatin1String("backup")) {   // a copy left by a save that did not finish
        const QString copy = pathOf(h, QLatin1Char('.') + arg.section(QLatin1Char('='), 0, 0) + QStringLiteral(".penwick-backup"));
        Harness::write(copy, arg.section(QLatin1Char('='), 1).toLatin1());
        const timespec times[2] = {{time_t(backupMade.toSecsSinceEpoch()), 0}, {time_t(backupMade.toSecsSinceEpoch()), 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(copy).constData(), times, 0), 0);
    } else if (verb == QLatin1String("readonly")) {
        QFile::setPermissions(pathOf(h, arg), QFile::ReadOwner | QFile::ReadGroup);
    } else if (verb == QLatin1String("rm")) {
        QVERIFY(QFile::remove(pathOf(h, arg)));
    } else if (verb == QLatin1String("mv")) {
        QCOMPARE(::rename(QFile::encodeName(pathOf(h, arg.section(QLatin1Char(' '), 0, 0))).constData(),
                          QFile::encodeName(pathOf(h, arg.section(QLatin1Char(' '), 1))).constData()), 0);
    } else if (verb == QLatin1String("type")) {
        box.setSelText(arg);
    } else if (verb == QLatin1String("undo")) {
        box.Undo();
    } else if (verb == QLatin1String("caret")) {
        box.setSelStart(arg.toInt());
    } else if (verb == QLatin1String("show")) {
        h.show();
        box.setFocus();
    } else if (verb == QLatin1String("key")) {
        QTest::keySequence(QApplication::focusWidget(), QKeySequence(arg));
    } else if (verb == QLatin1String("keys")) {
        QTest::keyClicks(QApplication::focusWidget(), arg);
    } else if (verb == QLatin1String("New")) {
        w.mnuFileNew_Click();
    } else if (verb == QLatin1String("Open")) {
        w.mnuFileOpen_Click();
    } else if (verb == QLatin1String("Save")) {
        w.mnuFileSave_Click();
    } else if (verb == QLatin1String("SaveAs")) {
        w.mnuFileSaveas_Click();
    } else if (verb == QLatin1String("Exit")) {
        w.mnuFileExit_Click();
    } else if (verb == QLatin1String("close")) {   // the close box
        h.show();
        w.close();
        closed = true;
    } else if (verb == QLatin1String("windows")) {   // the other windows, which close with the program
        frmFind::instance();
        frmAbout::instance();
    } else if (verb == QLatin1String("menu")) {   // the File menu looked at
        w.mnuFile->popup(QPoint(0, 0));
        QTRY_VERIFY(w.mnuFile->isVisible());
        w.mnuFile->close();
    } else if (verb == QLatin1String("drop")) {   // onto the document
        w.RichTextBox_OLEDragDrop(files(h, arg));
    } else if (verb == QLatin1String("formdrop")) {   // onto the window
        w.Form_OLEDragDrop(files(h, arg));
    } else if (verb == QLatin1String("uridrop")) {   // a file manager's drop
        QMimeData drop;
        drop.setData(QStringLiteral("text/uri-list"), "file://" + text::encodeName(pathOf(h, arg)).toPercentEncoding("/") + "\r\n");
        w.Form_OLEDragDrop(droppedFiles(&drop));
    } else if (verb == QLatin1String("droptext")) {
        dropText(h, arg);
    } else if (verb == QLatin1String("?save")) {
        QCOMPARE(w.mnuFileSave->isEnabled(), arg == QLatin1String("on"));
    } else if (verb == QLatin1String("?fresh")) {   // as the program starts
        QCOMPARE(w.StatusBar->panelText(1) + w.StatusBar->panelText(2) + w.StatusBar->panelText(3), QStringLiteral("Line: 1Col: 1"));
        QVERIFY(!w.tmpClipboard->Visible());
        QVERIFY2(QFontInfo(box.resolvedFont()).fixedPitch(), "a missing face must be drawn by a fixed-pitch one");
    } else if (verb == QLatin1String("?noundo")) {
        QVERIFY(!w.mnuEditUndo->isEnabled());
        QVERIFY2(!box.canUndo(), "Undo must not bring back the document before");
    } else if (verb == QLatin1String("?flag")) {
        QCOMPARE(box.Tag, arg);
    } else if (verb == QLatin1String("?journal")) {   // the file an edit's journal names: none for a backup's text
        box.WaitJournalWritten();
        const std::optional<text::JournalContents> journal = text::readJournal(box.journalFile());
        QVERIFY(journal);
        QCOMPARE(journal->header.path, arg.isEmpty() ? QString() : pathOf(h, arg));
    } else if (verb == QLatin1String("?initdir")) {
        QCOMPARE(w.CommonDialog.InitDir, h.dir.path() + QLatin1Char('/'));
    } else if (verb == QLatin1String("?text")) {
        QCOMPARE(box.Text(), arg);
    } else if (verb == QLatin1String("?files")) {   // regular files in the folder (Qt's listing leaves out names that are not UTF-8)
        int count = 0;
        DIR *folder = ::opendir(QFile::encodeName(h.dir.path()).constData());
        while (const dirent *entry = ::readdir(folder))
            count += entry->d_type == DT_REG;
        ::closedir(folder);
        QCOMPARE(count, arg.toInt());
    } else {
        QFAIL(qPrintable(QStringLiteral("no such step: ") + s));
    }
}

}

class tst_Documents : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { EXPECT_DESKTOP_SATISFIED(); }

    void journey_data()
    {
        QTest::addColumn<QStringList>("steps");     // "launch NAME" first: the command line
        QTest::addColumn<QStringList>("answers");   // in the order the questions come
        QTest::addColumn<QString>("caption");       // %d: the test's folder
        QTest::addColumn<QString>("flag");          // the modified flag, RichTextBox.Tag
        QTest::addColumn<QString>("name");          // CommonDialog.FileName
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("disk");      // NAME=percent-encoded bytes; (unreadable): no such file
        QTest::addColumn<bool>("ends");             // the program ended, the other windows with it
        using L = QStringList;
        const QString untitled = QStringLiteral("Penwick");

        QTest::newRow("a first start: untitled and clean") << L{"?fresh", "?noundo"} << L{} << untitled << "0" << "" << "" << L{} << false;
        QTest::newRow("Open over a changed untitled text, Yes, Save As cancelled: nothing opens")
            << L{"file other.txt=other", "type draft", "Open"} << L{"open other.txt", "Yes save Untitled", "saveas"}
            << untitled << "1" << "" << "draft" << L{} << false;
        QTest::newRow("Open a missing file, create: named and empty, nothing on disk yet")
            << L{"file old.txt=old", "Open", "Open", "?noundo"} << L{"open old.txt", "open new.txt", "Yes create new.txt"}
            << "new.txt - Penwick" << "1" << "new.txt" << "" << L{"new.txt=(unreadable)"} << false;
        QTest::newRow("...closing then asks to save, and Yes writes it")
            << L{"Open", "close"} << L{"open new.txt", "Yes create new.txt", "Yes save new.txt"}
            << "new.txt - Penwick" << "0" << "new.txt" << "" << L{"new.txt="} << true;
        QTest::newRow("Open a missing file, create declined: untitled")
            << L{"file old.txt=old", "Open", "Open", "?noundo"} << L{"open old.txt", "open new.txt", "No create new.txt"}
            << untitled << "0" << "" << "" << L{} << false;
        QTest::newRow("Open a folder, declined") << L{"Open"} << L{"open .", "No create .|It is a folder, not a file."}
            << untitled << "0" << "" << "" << L{} << false;
        QTest::newRow("a missing file named on the command line: create") << L{"launch new.txt"} << L{"Yes create new.txt"}
            << "new.txt - Penwick" << "1" << "new.txt" << "" << L{"new.txt=(unreadable)"} << false;
        QTest::newRow("Save to a read-only file fails to Save As")
            << L{"file locked.txt=old", "readonly locked.txt", "Open", "type new ", "Save"}
            << L{"open locked.txt", "OK unable locked.txt|%ro", "saveas"}
            << "locked.txt - Penwick" << "1" << "locked.txt" << "new old" << L{"locked.txt=old"} << false;
        QTest::newRow("a FIFO opens into the create question and is never written")
            << L{"fifo pipe", "Open", "type must not reach the pipe", "Save", "?files 0"}
            << L{"open pipe", "Yes create pipe|It is a named pipe, not a file.", "OK unable pipe|It is a named pipe, not a file.", "saveas"}
            << "pipe - Penwick" << "1" << "pipe" << "must not reach the pipe" << L{} << false;
        QTest::newRow("a character the 8-bit encoding lacks: saved as UTF-8, told once")
            << L{"file legacy.txt=%93quote%94%0A", "Open", "type \u2192", "Save", "Save"} << L{"open legacy.txt", "OK utf8 legacy.txt"}
            << "legacy.txt - Penwick" << "0" << "legacy.txt" << QStringLiteral("\u2192\u201cquote\u201d\n")
            << L{"legacy.txt=%E2%86%92%E2%80%9Cquote%E2%80%9D%0A"} << false;
        QTest::newRow("Save As into a missing folder tells why and asks again")   // which no one may write, root included
            << L{"type text", "SaveAs"} << L{"saveas missing/x.txt", "OK unable missing/x.txt|" + missing, "saveas"}
            << untitled << "1" << "missing/x.txt" << "text" << L{} << false;
        QTest::newRow("Save As a name without extension adds .TXT") << L{"type text", "SaveAs"} << L{"saveas notes"}
            << "Penwick   '%d/notes.TXT'" << "0" << "notes.TXT" << "text" << L{"notes.TXT=text"} << false;
        QTest::newRow("Save As over a file asks; No asks for a name again")
            << L{"file a.txt=old", "type new", "SaveAs"}
            << L{"saveas a.txt", "No replace a.txt", "saveas a.txt", "Yes replace a.txt"}
            << "Penwick   '%d/a.txt'" << "0" << "a.txt" << "new" << L{"a.txt=new"} << false;
        QTest::newRow("Open over a changed file, Yes saves it first")
            << L{"file b.txt=b", "file a.txt=a", "Open", "caret 1", "type !", "Open"}
            << L{"open a.txt", "open b.txt", "Yes save a.txt"} << "b.txt - Penwick" << "0" << "b.txt" << "b" << L{"a.txt=a!"} << false;
        QTest::newRow("New over a clean document asks nothing, keeps the folder")
            << L{"file a.txt=a", "Open", "New", "?noundo", "?initdir"} << L{"open a.txt"} << untitled << "0" << "" << "" << L{} << false;
        QTest::newRow("drops open their first file only")
            << L{"file one.txt=1", "file two.txt=2", "file three.txt=3", "drop one.txt,two.txt,three.txt", "?text 1",
                 "formdrop two.txt,three.txt"}
            << L{} << "two.txt - Penwick" << "0" << "two.txt" << "2" << L{} << false;
        QTest::newRow("dropped text opens and inserts nothing") << L{"type kept", "droptext dragged text"} << L{}
            << untitled << "1" << "" << "kept" << L{} << false;
        // "caf\xE9 notes.txt" in Latin-1: shown with U+FFFD, saved under exactly its own bytes, and no other file made.
        QTest::newRow("names that are not UTF-8 keep their bytes")
            << L{"file caf%E9 notes.txt=old", "launch \"caf%E9 notes.txt\"", "?initdir", "type new ", "Save",
                 "file %FF.txt=two", "uridrop %FF.txt", "?files 2"}
            << L{} << QStringLiteral("\uFFFD.txt - Penwick") << "0" << "%FF.txt" << "two" << L{"caf%E9 notes.txt=new old"} << false;
        // Save follows the name: the File menu looked at while untitled, a file opened with Ctrl+O, typed in, Ctrl+S.
        QTest::newRow("Ctrl+O, typing, Ctrl+S; Save enabled by the name")
            << L{"show", "?save on", "menu", "?save off", "file a.txt=x", "key Ctrl+O", "?save on", "keys yz", "key Ctrl+S"}
            << L{"open a.txt"} << "a.txt - Penwick" << "0" << "a.txt" << "yzx" << L{"a.txt=yzx"} << false;
        QTest::newRow("a declined create leaves Save disabled")
            << L{"show", "file a.txt=x", "key Ctrl+O", "?save on", "key Ctrl+O", "?save off"}
            << L{"open a.txt", "open gone.txt", "No create gone.txt"} << untitled << "0" << "" << "" << L{} << false;

        const L backup{"file doc.txt=torn", "backup doc.txt=whole old text", "Open"};
        QTest::newRow("a left backup, Yes: its text, changed, saved over the file; the copy goes")
            << backup + L{"?flag 1", "type !", "?journal", "undo", "Save"} << L{"open doc.txt", "Yes backup doc.txt"}
            << "doc.txt - Penwick" << "0" << "doc.txt" << "whole old text"
            << L{"doc.txt=whole old text", ".doc.txt.penwick-backup=(unreadable)"} << false;
        QTest::newRow("a left backup, No: the file as it is; the copy stays")
            << backup + L{"?flag 0", "type !", "?journal doc.txt", "undo", "Save"} << L{"open doc.txt", "No backup doc.txt"}
            << "doc.txt - Penwick" << "0" << "doc.txt" << "torn" << L{"doc.txt=torn", ".doc.txt.penwick-backup=whole old text"} << false;
        QTest::newRow("a left backup equal to the file: no question, left for the next save")
            << L{"file doc.txt=torn", "backup doc.txt=torn", "Open", "?flag 0"} << L{"open doc.txt"} << "doc.txt - Penwick" << "0"
            << "doc.txt" << "torn" << L{".doc.txt.penwick-backup=torn"} << false;

        const L changed{"file shared.txt=old", "Open", "type new "};
        QTest::newRow("file unchanged on disk: saved, nothing asked") << changed + L{"Save", "type more ", "Save"}
            << L{"open shared.txt"} << "shared.txt - Penwick" << "0" << "shared.txt" << "new more old"
            << L{"shared.txt=new more old"} << false;
        QTest::newRow("rewritten by another program, No: nothing written") << changed + L{"file shared.txt=theirs!", "Save"}
            << L{"open shared.txt", "No changed shared.txt"} << "shared.txt - Penwick" << "1" << "shared.txt" << "new old"
            << L{"shared.txt=theirs!"} << false;
        QTest::newRow("rewritten, Yes: replaced, and ours again") << changed + L{"file shared.txt=theirs!", "Save", "type more ", "Save"}
            << L{"open shared.txt", "Yes changed shared.txt"} << "shared.txt - Penwick" << "0" << "shared.txt" << "new more old"
            << L{"shared.txt=new more old"} << false;
        QTest::newRow("rewritten keeping size, time and inode, No") << changed + L{"rewrite shared.txt=OLD", "Save"}
            << L{"open shared.txt", "No changed shared.txt"} << "shared.txt - Penwick" << "1" << "shared.txt" << "new old"
            << L{"shared.txt=OLD"} << false;
        QTest::newRow("replaced by a rename, No") << changed + L{"file shared.tmp=theirs!", "mv shared.tmp shared.txt", "Save"}
            << L{"open shared.txt", "No changed shared.txt"} << "shared.txt - Penwick" << "1" << "shared.txt" << "new old"
            << L{"shared.txt=theirs!"} << false;
        QTest::newRow("deleted meanwhile: written again, nothing asked") << changed + L{"rm shared.txt", "Save", "type more ", "Save"}
            << L{"open shared.txt"} << "shared.txt - Penwick" << "0" << "shared.txt" << "new more old"
            << L{"shared.txt=new more old"} << false;

        QTest::newRow("Exit, No: ends without saving") << L{"windows", "type typed", "Exit"} << L{"No save Untitled"}
            << untitled << "1" << "" << "typed" << L{} << true;
        QTest::newRow("Exit, Cancel: keeps running") << L{"windows", "type typed", "Exit"} << L{"Cancel save Untitled"}
            << untitled << "1" << "" << "typed" << L{} << false;
        QTest::newRow("close box, clean: no question") << L{"windows", "close"} << L{} << untitled << "0" << "" << "" << L{} << true;
        QTest::newRow("close box, changed, No") << L{"windows", "type typed", "close"} << L{"No save Untitled"}
            << untitled << "1" << "" << "typed" << L{} << true;
        QTest::newRow("close box, changed, Cancel") << L{"windows", "type typed", "close"} << L{"Cancel save Untitled"}
            << untitled << "1" << "" << "typed" << L{} << false;
    }

    void journey()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, answers);
        QFETCH(QString, caption);
        QFETCH(QString, flag);
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QStringList, disk);
        QFETCH(bool, ends);
        Harness h({}, {}, false);
        for (const QString &answer : answers)
            queue(h, answer);
        // The steps before "launch" come before the program starts.
        qsizetype launch = steps.size();
        while (--launch >= 0 && !steps[launch].startsWith(QLatin1String("launch "))) {
        }
        bool closed = false;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            if (i == launch) {
                const QString arg = steps[i].mid(7);
                const bool quoted = arg.startsWith(QLatin1Char('"'));
                const QString file = pathOf(h, quoted ? arg.mid(1, arg.size() - 2) : arg);
                setCommandLine({quoted ? QLatin1Char('"') + file + QLatin1Char('"') : file});
                h.load();
                continue;
            }
            if (launch < 0 && i == 0)
                h.load();
            step(h, steps[i], closed);
            if (QTest::currentTestFailed())
                return;
        }
        if (steps.isEmpty())
            h.load();
        frmPenwick &w = h.w();
        QCOMPARE(w.windowTitle(), QString(caption).replace(QStringLiteral("%d"), h.dir.path()));
        QCOMPARE(w.RichTextBox->Tag, flag);
        QCOMPARE(w.CommonDialog.FileName, name.isEmpty() ? QString() : pathOf(h, name));
        QCOMPARE(w.RichTextBox->Text(), text);
        for (const QString &file : disk)
            QCOMPARE(Harness::read(pathOf(h, file.section(QLatin1Char('='), 0, 0))),
                     QByteArray::fromPercentEncoding(file.section(QLatin1Char('='), 1).toUtf8()));
        QCOMPARE(h.desktop.count(QStringLiteral("End")) == 1 || (closed && !w.isVisible()), ends);
        if (steps.contains(QStringLiteral("windows"))) {
            QCOMPARE(frmFind::isLoaded(), !ends);
            QCOMPARE(frmAbout::isLoaded(), !ends);
        }
    }
};

QTEST_MAIN(tst_Documents)
#include "tst_documents.moc"
