// What a screen reader reads of the edit control and hears from it, asked through Qt's accessibility interfaces.
// Both engines answer the same questions; Qt's own text widget is the reference where its answers are sound.
#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include "engines.h"
#include "platform/richtextbox.h"
#include "text/journal.h"

using platform::RichTextBox;

namespace {

constexpr int Window = 1000;   // the most an answer about a unit of text, or a told edit, carries
const QString Doc = QStringLiteral("one two\nthree  four. Five six.\n\nx");
const QChar Placeholder(0xDC80);   // a byte's placeholder

QObject *watched = nullptr;
QStringList heard;

// Every text event of the watched view, as a line a test can compare.
void record(QAccessibleEvent *event)
{
    if (event->object() != watched)
        return;
    if (event->type() == QAccessible::TextInserted) {
        auto *e = static_cast<QAccessibleTextInsertEvent *>(event);
        heard << QStringLiteral("insert %1 %2").arg(e->changePosition()).arg(e->textInserted());
    } else if (event->type() == QAccessible::TextRemoved) {
        auto *e = static_cast<QAccessibleTextRemoveEvent *>(event);
        heard << QStringLiteral("remove %1 %2").arg(e->changePosition()).arg(e->textRemoved().size());
    } else if (event->type() == QAccessible::TextUpdated) {
        auto *e = static_cast<QAccessibleTextUpdateEvent *>(event);
        heard << QStringLiteral("update %1 %2 %3").arg(e->changePosition()).arg(e->textRemoved().size()).arg(e->textInserted());
    } else if (event->type() == QAccessible::TextCaretMoved) {
        heard << QStringLiteral("caret %1").arg(static_cast<QAccessibleTextCursorEvent *>(event)->cursorPosition());
    } else if (event->type() == QAccessible::TextSelectionChanged) {
        heard << QStringLiteral("selection");
    }
}

}

class tst_Accessible : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // What a desktop's accessibility bus does when a screen reader starts; offscreen, nothing else does it.
        QPlatformAccessibility *accessibility = QGuiApplicationPrivate::platformIntegration()->accessibility();
        QVERIFY(accessibility);
        accessibility->setActive(true);
        QAccessible::installUpdateHandler(record);
        QVERIFY(QAccessible::isActive());
    }

    void init()
    {
        box = std::make_unique<RichTextBox>();
        box->resize(400, 200);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        watched = box->focusProxy();
        heard.clear();
    }
    void cleanup() { box.reset(); }

    void units_data()
    {
        QTest::addColumn<QString>("doc");
        QTest::addColumn<int>("side");   // -1 before the offset, 0 at it, 1 after it
        QTest::addColumn<int>("boundary");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        const int c = QAccessible::CharBoundary, w = QAccessible::WordBoundary, s = QAccessible::SentenceBoundary;
        const int l = QAccessible::LineBoundary, p = QAccessible::ParagraphBoundary;
        const QString pair = QStringLiteral("a\U0001D400b"), mark = QStringLiteral("ab") + Placeholder + QStringLiteral("c d");
        QTest::newRow("char two[\\n]") << Doc << 0 << c << 7 << 7 << 8;
        QTest::newRow("char x[]") << Doc << 0 << c << 33 << 33 << 33;
        QTest::newRow("char a[𝐀]b") << pair << 0 << c << 1 << 1 << 3;
        QTest::newRow("char a𝐀[b]") << pair << 0 << c << 3 << 3 << 4;
        QTest::newRow("char ab[placeholder]") << mark << 0 << c << 2 << 2 << 3;
        QTest::newRow("word one[ ]two") << Doc << 0 << w << 3 << 0 << 3;
        QTest::newRow("word two[\\n]") << Doc << 0 << w << 7 << 4 << 7;
        QTest::newRow("word fo[u]r.") << Doc << 0 << w << 17 << 15 << 19;
        QTest::newRow("word six.[\\n]") << Doc << 0 << w << 30 << 30 << 30;
        QTest::newRow("word x[]") << Doc << 0 << w << 33 << 32 << 33;
        QTest::newRow("word a[𝐀]b") << pair << 0 << w << 1 << 0 << 4;
        QTest::newRow("word [a]b placeholder c") << mark << 0 << w << 0 << 0 << 4;
        QTest::newRow("word e[.]g.: ICU's word") << QStringLiteral("e.g.") << 0 << w << 1 << 0 << 3;
        QTest::newRow("line one two[\\n]") << Doc << 0 << l << 7 << 0 << 7;
        QTest::newRow("line [\\n] empty line") << Doc << 0 << l << 31 << 31 << 31;
        QTest::newRow("line x[]") << Doc << 0 << l << 33 << 32 << 33;
        QTest::newRow("line placeholder c [d]") << mark << 0 << l << 5 << 0 << 6;
        QTest::newRow("sentence [t]hree  four. ") << Doc << 0 << s << 8 << 8 << 21;
        QTest::newRow("sentence six.[\\n]") << Doc << 0 << s << 30 << 21 << 30;
        QTest::newRow("sentence [\\n] empty line") << Doc << 0 << s << 31 << 31 << 31;
        QTest::newRow("paragraph three  f[o]ur. Five six.") << Doc << 0 << p << 16 << 8 << 30;
        // Qt's widget answers the unit at the offset again when asked for the one before or after it.
        QTest::newRow("char after tw[o]") << Doc << 1 << c << 6 << 7 << 8;
        QTest::newRow("char before [t]hree") << Doc << -1 << c << 8 << 7 << 8;
        QTest::newRow("char before a𝐀[b]") << pair << -1 << c << 3 << 1 << 3;
        QTest::newRow("word after one[ ]") << Doc << 1 << w << 3 << 4 << 7;
        QTest::newRow("word after two[\\n]") << Doc << 1 << w << 7 << 8 << 13;
        QTest::newRow("word after six.[\\n] over an empty line") << Doc << 1 << w << 30 << 32 << 33;
        QTest::newRow("word before [t]hree") << Doc << -1 << w << 8 << 4 << 7;
        QTest::newRow("word before one[ ]") << Doc << -1 << w << 3 << 0 << 0;
        QTest::newRow("line after [t]hree") << Doc << 1 << l << 8 << 31 << 31;
        QTest::newRow("line after [\\n] empty line") << Doc << 1 << l << 31 << 32 << 33;
        QTest::newRow("line before [x]") << Doc << -1 << l << 32 << 31 << 31;
        QTest::newRow("line before [o]ne") << Doc << -1 << l << 0 << 0 << 0;
        QTest::newRow("sentence after [F]ive over an empty line") << Doc << 1 << s << 21 << 32 << 33;
        QTest::newRow("sentence before [F]ive") << Doc << -1 << s << 21 << 8 << 21;
        QTest::newRow("-2 is the caret: word after t[w]o") << Doc << 1 << w << -2 << 8 << 13;
        QTest::newRow("-1 is the end: char before it") << Doc << -1 << c << -1 << 32 << 33;
        QTest::newRow("past the end") << Doc << 1 << c << 34 << -1 << -1;
    }

    void units()
    {
        QFETCH(QString, doc);
        QFETCH(int, side);
        QFETCH(int, boundary);
        QFETCH(int, offset);
        QFETCH(int, start);
        QFETCH(int, end);
        if (side && qtWidget())
            QSKIP("Qt's widget answers the unit at the offset again");
        box->setText(doc);
        box->setSelStart(5);
        int s = -1, e = -1;
        const auto type = QAccessible::TextBoundaryType(boundary);
        if (qtWidget())
            QEXPECT_FAIL("word e[.]g.: ICU's word", "Qt's widget answers the full stop alone", Abort);
        const QString answer = side < 0 ? text()->textBeforeOffset(offset, type, &s, &e)
            : side > 0 ? text()->textAfterOffset(offset, type, &s, &e) : text()->textAtOffset(offset, type, &s, &e);
        QCOMPARE(QPoint(s, e), QPoint(start, end));
        // A screen reader gets U+FFFD for a byte's placeholder; Qt's widget hands the placeholder itself.
        QString expected = doc.mid(qMax(0, start), end - start);
        if (!qtWidget())
            expected.replace(Placeholder, QChar(QChar::ReplacementCharacter));
        QCOMPARE(answer, expected);
    }

    void linesAreTheRowsShown()
    {
        // A line is what Up and Down move over: the control's display lines, less the space a row wrapped after.
        box->setRightMargin(0);
        box->resize(150, 200);
        const QString doc = QStringLiteral("lorem ipsum dolor sit amet, consectetur adipiscing elit\n\nsed do eiusmod tempor");
        box->setText(doc);
        const int rows = box->GetLineFromChar(doc.size()) + 1;
        QVERIFY2(rows > 5, "the text wraps");
        for (int row = 0; row < rows; ++row) {
            const int start = box->lineIndex(row);
            const int next = row + 1 < rows ? box->lineIndex(row + 1) : int(doc.size()) + 1;
            const int end = row + 1 == rows ? int(doc.size()) : doc[next - 1].isSpace() ? next - 1 : next;
            for (int offset = start; offset < next; ++offset) {
                int s = -1, e = -1;
                text()->textAtOffset(offset, QAccessible::LineBoundary, &s, &e);
                QCOMPARE(QPoint(s, e), QPoint(start, end));
            }
        }
    }

    void theFocusedTextFollowsCaretAndSelection()
    {
        box->setText(Doc);
        focus();
        heard.clear();
        // The object with the focus is the one that reads the text.
        QAccessibleInterface *focused = QAccessible::queryAccessibleInterface(QApplication::focusWidget());
        QCOMPARE(focused, view());
        QCOMPARE(focused->role(), QAccessible::EditableText);
        const QAccessible::State state = focused->state();
        QVERIFY(state.editable && state.multiLine && state.focusable && state.focused && !state.readOnly);
        QVERIFY(focused->editableTextInterface());
        QSignalSpy selChange(box.get(), &RichTextBox::SelChange);
        box->setSelStart(5);
        box->setSelLength(3);
        QCOMPARE(heard.value(0), QStringLiteral("caret 5"));
        QVERIFY(heard.contains(QStringLiteral("selection")));
        int s = 0, e = 0;
        text()->selection(0, &s, &e);
        QCOMPARE(QPoint(s, e), QPoint(5, 8));
        text()->setCursorPosition(2);
        QCOMPARE(QPoint(box->SelStart(), box->SelLength()), QPoint(2, 0));
        QCOMPARE(QPoint(text()->cursorPosition(), text()->selectionCount()), QPoint(2, 0));
        text()->setSelection(0, 1, 4);
        QCOMPARE(QPoint(box->SelStart(), box->SelLength()), QPoint(1, 3));
        text()->removeSelection(0);
        QCOMPARE(box->SelLength(), 0);
        QVERIFY(selChange.count() >= 4);
    }

    void editsAreOneUndoStep_data()
    {
        QTest::addColumn<QString>("typed");   // before the edit, at its start
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("with");
        QTest::addColumn<QString>("result");
        QTest::newRow("insert a line") << "" << 8 << 8 << "new\n" << "one two\nnew\nthree";
        QTest::newRow("delete a word") << "" << 3 << 7 << "" << "one\nthree";
        QTest::newRow("replace across the break") << "" << 4 << 10 << "2\n3" << "one 2\n3ree";
        QTest::newRow("insert right after typing") << "k" << 1 << 1 << "zz" << "kzzone two\nthree";
    }

    void editsAreOneUndoStep()
    {
        QFETCH(QString, typed);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QString, with);
        QFETCH(QString, result);
        QTemporaryDir dir;
        box->KeepJournal(dir.filePath(QStringLiteral("journal")), 60000);
        box->setText(QStringLiteral("one two\nthree"));
        focus();
        QTest::keyClicks(box->focusProxy(), typed);
        const QString before = box->Text();
        QSignalSpy change(box.get(), &RichTextBox::Change);
        QAccessibleEditableTextInterface *editable = view()->editableTextInterface();
        if (start == end)
            editable->insertText(start, with);
        else if (with.isEmpty())
            editable->deleteText(start, end);
        else
            editable->replaceText(start, end, with);
        QCOMPARE(box->Text(), result);
        QVERIFY(change.count() >= 1);
        // The journal heard the edit as it hears typing.
        box->WaitJournalWritten();
        const std::optional<text::JournalContents> journal = text::readJournal(box->journalFile());
        QVERIFY(journal);
        QString replayed = journal->baseText();
        QVERIFY(text::replayJournal(replayed, journal->edits));
        QCOMPARE(replayed, result);
        box->Undo();
        if (qtWidget() && start != end && !with.isEmpty())
            QEXPECT_FAIL("", "Qt's widget deletes and inserts in two undo steps", Continue);
        if (qtWidget() && !typed.isEmpty())
            QEXPECT_FAIL("", "Qt's widget merges the edit into the typing before it", Continue);
        QCOMPARE(box->Text(), before);
    }

    void typingAndCompoundEditsAreTold()
    {
        box->setText(QStringLiteral("xy"));
        focus();
        heard.clear();
        QWidget *keys = box->focusProxy();
        QTest::keyClicks(keys, QStringLiteral("ab"));
        QTest::keyClick(keys, Qt::Key_Backspace);
        QTest::keyClick(keys, Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClicks(keys, QStringLiteral("Z"));
        QCOMPARE(heard, QStringList({"insert 0 a", "caret 1", "insert 1 b", "caret 2", "remove 1 1", "caret 1", "caret 0",
                                     "selection", "update 0 1 Z", "caret 1", "selection"}));
        // Replace All's shape, and its undo: one change each, over the span they touched.
        box->setText(QStringLiteral("aaaa bbbb cccc"));
        heard.clear();
        QSignalSpy change(box.get(), &RichTextBox::Change);
        {
            RichTextBox::CompoundEdit group(*box);
            for (const int at : {0, 7}) {
                box->setSelStart(at);
                box->setSelLength(4);
                box->setSelText(at ? QStringLiteral("Y") : QStringLiteral("X"));
            }
        }
        QCOMPARE(change.count(), 1);
        box->Undo();
        QCOMPARE(heard.filter(QStringLiteral("update")), QStringList({"update 0 14 X bbbb Y", "update 0 8 aaaa bbbb cccc"}));
    }

    void aLongLineIsAnsweredInWindows()
    {
        if (qtWidget())
            QSKIP("Qt's widget answers a line whole, and takes seconds over a line of megabytes");
        box->setRightMargin(platform::NoWrapMargin);
        const QString line = QStringLiteral("word. ").repeated((5 << 20) / 6) + QStringLiteral("end");
        box->setText(line + QStringLiteral("\nnext"));
        const int count = text()->characterCount();
        QCOMPARE(count, int(line.size()) + 5);
        QCOMPARE(text()->text(0, -1).size(), 65536);
        for (const int offset : {0, int(line.size() / 2), int(line.size()), count}) {
            for (const auto type : {QAccessible::CharBoundary, QAccessible::WordBoundary, QAccessible::SentenceBoundary,
                                    QAccessible::LineBoundary, QAccessible::ParagraphBoundary}) {
                int s = -1, e = -1;
                const QString answer = text()->textAtOffset(offset, type, &s, &e);
                QCOMPARE(answer, text()->text(s, e));
                QVERIFY2(s <= offset && offset <= e && e - s <= Window, qPrintable(QStringLiteral("%1 at %2").arg(type).arg(offset)));
                QVERIFY(text()->textBeforeOffset(offset, type, &s, &e).size() == e - s && e - s <= Window);
                QVERIFY(text()->textAfterOffset(offset, type, &s, &e).size() == e - s && e - s <= Window);
            }
        }
        // An edit of megabytes is told by its first characters.
        heard.clear();
        box->setSelStart(0);
        box->setSelLength(int(line.size()));
        box->setSelText(QStringLiteral("short"));
        QCOMPARE(heard.filter(QStringLiteral("update ")), QStringList{QStringLiteral("update 0 %1 short").arg(Window)});
    }

    void pointsAndCharactersAgree()
    {
        if (qtWidget())
            QSKIP("Qt's widget finds no character at any point");
        box->setText(Doc);
        for (int offset = 0; offset < Doc.size(); ++offset) {
            const QRect r = text()->characterRect(offset);
            QVERIFY(r.width() > 0 && r.height() > 0);
            if (Doc[offset] != QLatin1Char('\n'))
                QCOMPARE(text()->offsetAtPoint(r.center()), offset);
        }
        QCOMPARE(text()->offsetAtPoint(box->mapToGlobal(QPoint(-50, -50))), -1);
    }

private:
    QAccessibleInterface *view() const { return QAccessible::queryAccessibleInterface(box->focusProxy()); }
    QAccessibleTextInterface *text() const { return view()->textInterface(); }
    bool qtWidget() const { return box->focusProxy()->inherits("QPlainTextEdit"); }

    void focus()
    {
        box->activateWindow();
        box->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(box.get()));
    }

    std::unique_ptr<RichTextBox> box;
};

PENWICK_TEST_MAIN_ON_EVERY_ENGINE(tst_Accessible)

#include "tst_accessible.moc"
