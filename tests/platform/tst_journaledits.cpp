// The edit control's journal against its own text: random edits, undo, compound edits and keys, replayed from
// the journal file onto its base, give the text the control holds.
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "engines.h"
#include "harness.h"
#include "platform/richtextbox.h"
#include "text/journal.h"

using platform::RichTextBox;

namespace {

// The text the journal of box says it holds now.
QString replayed(RichTextBox &box)
{
    box.WaitJournalWritten();
    const std::optional<text::JournalContents> journal = text::readJournal(box.journalFile());
    if (!journal)
        return QStringLiteral("(no journal)");
    QString text = journal->baseText();
    return text::replayJournal(text, journal->edits) ? text : QStringLiteral("(edits outside the text)");
}

void randomEdit(RichTextBox &box, QRandomGenerator &random)
{
    static const QStringList pieces = {QStringLiteral("x"), QStringLiteral("\n"), QStringLiteral("ab\ncd"),
                                       QString(QChar(0x2029)), QStringLiteral("\t"), QString()};
    const int length = box.textLength();
    box.setSelStart(int(random.bounded(length + 1)));
    box.setSelLength(int(random.bounded(4)));
    QWidget *view = box.focusProxy();
    switch (random.bounded(7)) {
    case 0: box.Undo(); break;
    case 1: QTest::keyClick(view, Qt::Key_Backspace); break;
    case 2: QTest::keyClick(view, Qt::Key_Delete); break;
    case 3: QTest::keyClick(view, Qt::Key_Return); break;
    case 4: {
        // Replace All's shape: several replacements as one undo step and one change.
        RichTextBox::CompoundEdit group(box);
        for (int i = 0; i < 3; ++i) {
            box.setSelStart(int(random.bounded(box.textLength() + 1)));
            box.setSelLength(1);
            box.setSelText(QStringLiteral("RR"));
        }
        break;
    }
    default: box.setSelText(pieces[int(random.bounded(int(pieces.size())))]); break;
    }
}

}

class tst_JournalEdits : public QObject
{
    Q_OBJECT

private slots:
    void journalReplaysToTheText_data()
    {
        QTest::addColumn<QByteArray>("file");   // empty: an untitled document
        QTest::addColumn<int>("seed");
        QTest::newRow("untitled") << QByteArray() << 1;
        QTest::newRow("file with mixed ends") << QByteArray("one\r\ntwo\nthree\rfour\r\n") << 2;
        QTest::newRow("8-bit file") << QByteArray("caf\xe9 na\xefve\n\x80uro\n") << 3;
        QTest::newRow("UTF-16 BE file") << QByteArray("\xfe\xff\0a\0\n\0b", 6) << 4;
    }

    void journalReplaysToTheText()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, seed);
        QTemporaryDir dir;
        RichTextBox box;
        box.show();
        box.KeepJournal(dir.filePath(QStringLiteral("journal")), 60000);
        if (!file.isEmpty()) {
            const QString path = dir.filePath(QStringLiteral("doc.txt"));
            Harness::write(path, file);
            QCOMPARE(box.LoadFile(path), 0);
        }
        QRandomGenerator random{quint32(seed)};
        for (int round = 0; round < 4; ++round) {
            for (int i = 0; i < 60; ++i)
                randomEdit(box, random);
            QCOMPARE(replayed(box), box.Text());
        }
        const QString journal = box.journalFile();
        box.DiscardJournal();
        box.WaitJournalWritten();
        QVERIFY(!QFile::exists(journal));
    }

    void saveAndLoadStartAFreshJournal()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("doc.txt"));
        RichTextBox box;
        box.KeepJournal(dir.filePath(QStringLiteral("journal")), 60000);
        box.setSelText(QStringLiteral("first"));
        box.WaitJournalWritten();
        const QString before = box.journalFile();
        QCOMPARE(box.SaveFile(path), 0);
        box.WaitJournalWritten();
        QVERIFY2(!QFile::exists(before), "a save leaves no journal behind");
        QVERIFY(box.journalFile().isEmpty());

        box.setSelStart(5);
        box.setSelText(QStringLiteral(" second"));
        QCOMPARE(replayed(box), QStringLiteral("first second"));
        const std::optional<text::JournalContents> journal = text::readJournal(box.journalFile());
        QVERIFY(journal);
        QCOMPARE(journal->header.path, path);
        QVERIFY(text::sameFile(*text::headerOfFile(path), journal->header));

        QCOMPARE(box.LoadFile(path), 0);
        box.WaitJournalWritten();
        QVERIFY(box.journalFile().isEmpty());
        QCOMPARE(QDir(dir.filePath(QStringLiteral("journal"))).entryList(QDir::Files), QStringList());
    }

    // Enter under a CR end above an LF end, then a save: the journal goes on from bytes that read as the text.
    void journalAfterSavingEndsThatMeet()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("doc.txt"));
        Harness::write(path, "one\ntwo\rthree\nfour\n");
        RichTextBox box;
        box.KeepJournal(dir.filePath(QStringLiteral("journal")), 60000);
        QCOMPARE(box.LoadFile(path), 0);
        box.setSelStart(8);
        box.setSelText(QStringLiteral("\n"));
        QCOMPARE(box.SaveFile(path), 0);
        box.setSelStart(9);
        box.setSelText(QStringLiteral("x"));
        QCOMPARE(replayed(box), QStringLiteral("one\ntwo\n\nxthree\nfour\n"));
    }

    void lookChangesAreNoEdits_data()
    {
        QTest::addColumn<int>("change");
        QTest::newRow("font") << 0;
        QTest::newRow("font size") << 1;
        QTest::newRow("wrap on") << 2;
        QTest::newRow("tab stops") << 3;
        QTest::newRow("selection") << 4;
    }

    // A font, wrap or tab change over a large document must not copy its text into the journal.
    void lookChangesAreNoEdits()
    {
        QFETCH(int, change);
        QTemporaryDir dir;
        RichTextBox box;
        box.show();
        box.setText(QStringLiteral("a\tb\n").repeated(1000));
        box.KeepJournal(dir.filePath(QStringLiteral("journal")), 60000);
        switch (change) {
        case 0: box.setFontName(QStringLiteral("Sans")); break;
        case 1: box.setFontSize(20); break;
        case 2: box.setRightMargin(0); break;
        case 3: box.setSelTabCount(2); box.setSelTabs(1, 2000); break;
        default: box.setSelStart(5); box.setSelLength(100); break;
        }
        box.WaitJournalWritten();
        QCOMPARE(box.journalFile(), QString());
    }
};

PENWICK_TEST_MAIN_ON_EVERY_ENGINE(tst_JournalEdits)
#include "tst_journaledits.moc"
