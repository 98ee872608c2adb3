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

// The most any answer about a unit of text, or a told edit, may carry; the whole text goes out a page at a time.
constexpr int Window = 1000;
constexpr int Page = 65536;

const QString Doc = QStringLiteral("one two\nthree  four. Five six.\n\nx");
const QString Pair = QStringLiteral("a\U0001F600b");
const QString Placeholder = QStringLiteral("ab") + QChar(0xDC80) + QStringLiteral("c d");

QObject *watched = nullptr;
QStringList heard;

// Every text event of the watched view, as a line a test can compare.
void record(QAccessibleEvent *event)
{
    if (event->object() != watched)
        return;
    switch (event->type()) {
    case QAccessible::TextInserted: {
        auto *e = static_cast<QAccessibleTextInsertEvent *>(event);
        heard << QStringLiteral("insert %1 %2").arg(e->changePosition()).arg(e->textInserted());
        break;
    }
    case QAccessible::TextRemoved: {
        auto *e = static_cast<QAccessibleTextRemoveEvent *>(event);
        heard << QStringLiteral("remove %1 %2").arg(e->changePosition()).arg(e->textRemoved().size());
        break;
    }
    case QAccessible::TextUpdated: {
        auto *e = static_cast<QAccessibleTextUpdateEvent *>(event);
        heard << QStringLiteral("update %1 %2 %3").arg(e->changePosition()).arg(e->textRemoved().size()).arg(e->textInserted());
        break;
    }
    case QAccessible::TextCaretMoved:
        heard << QStringLiteral("caret %1").arg(static_cast<QAccessibleTextCursorEvent *>(event)->cursorPosition());
        break;
    case QAccessible::TextSelectionChanged:
        heard << QStringLiteral("selection");
        break;
    default:
        break;
    }
}

// A byte's placeholder (a lone low surrogate) as a screen reader should get it.
QString readable(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isLowSurrogate() && !(i > 0 && text[i - 1].isHighSurrogate()))
            text[i] = QChar(QChar::ReplacementCharacter);
    }
    return text;
}

}

class tst_Accessible : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void describesAnEditableText();
    void unitAtOffset_data();
    void unitAtOffset();
    void unitsBeforeAndAfter_data();
    void unitsBeforeAndAfter();
    void linesAreTheRowsShown();
    void caretAndSelectionFollow();
    void editsAreOneUndoStep_data();
    void editsAreOneUndoStep();
    void typingIsTold();
    void aCompoundEditIsToldOnce();
    void aLongLineIsAnsweredInWindows();
    void pointsAndCharactersAgree();

private:
    QAccessibleInterface *view() const { return QAccessible::queryAccessibleInterface(box->focusProxy()); }
    QAccessibleTextInterface *text() const { return view()->textInterface(); }
    // Qt's widget answers a line whole and the unit at the offset again when asked for the next one.
    bool qtWidget() const { return box->focusProxy()->inherits("QPlainTextEdit"); }

    std::unique_ptr<RichTextBox> box;
};

void tst_Accessible::initTestCase()
{
    // What a desktop's accessibility bus does when a screen reader starts; offscreen, nothing else does it.
    QPlatformAccessibility *accessibility = QGuiApplicationPrivate::platformIntegration()->accessibility();
    QVERIFY(accessibility);
    accessibility->setActive(true);
    QAccessible::installUpdateHandler(record);
    QVERIFY(QAccessible::isActive());
}

void tst_Accessible::init()
{
    box = std::make_unique<RichTextBox>();
    box->resize(400, 200);
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    watched = box->focusProxy();
    heard.clear();
}

void tst_Accessible::cleanup()
{
    watched = nullptr;
    box.reset();
}

void tst_Accessible::describesAnEditableText()
{
    box->activateWindow();
    box->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(box.get()));
    // The object with the focus is the one that reads the text.
    QAccessibleInterface *focused = QAccessible::queryAccessibleInterface(QApplication::focusWidget());
    QCOMPARE(focused, view());
    QCOMPARE(focused->role(), QAccessible::EditableText);
    const QAccessible::State state = focused->state();
    QVERIFY(state.editable && state.multiLine && state.focusable && state.focused);
    QVERIFY(!state.readOnly);
    QVERIFY(focused->textInterface());
    QVERIFY(focused->editableTextInterface());
}

void tst_Accessible::unitAtOffset_data()
{
    QTest::addColumn<QString>("doc");
    QTest::addColumn<int>("boundary");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    const int c = QAccessible::CharBoundary, w = QAccessible::WordBoundary, s = QAccessible::SentenceBoundary;
    const int l = QAccessible::LineBoundary, p = QAccessible::ParagraphBoundary;
    QTest::newRow("char [o]ne") << Doc << c << 0 << 0 << 1;
    QTest::newRow("char two[\\n]") << Doc << c << 7 << 7 << 8;
    QTest::newRow("char x[]") << Doc << c << 33 << 33 << 33;
    QTest::newRow("char a[😀]b") << Pair << c << 1 << 1 << 3;
    QTest::newRow("char a😀[b]") << Pair << c << 3 << 3 << 4;
    QTest::newRow("char ab[placeholder]") << Placeholder << c << 2 << 2 << 3;
    QTest::newRow("word [o]ne") << Doc << w << 0 << 0 << 3;
    QTest::newRow("word one[ ]two") << Doc << w << 3 << 0 << 3;
    QTest::newRow("word two[\\n]") << Doc << w << 7 << 4 << 7;
    QTest::newRow("word three [ ]four") << Doc << w << 14 << 8 << 13;
    QTest::newRow("word fou[r].") << Doc << w << 18 << 15 << 19;
    QTest::newRow("word four[.]") << Doc << w << 19 << 19 << 20;
    QTest::newRow("word six.[\\n]") << Doc << w << 30 << 30 << 30;
    QTest::newRow("word [\\n] empty line") << Doc << w << 31 << 31 << 31;
    QTest::newRow("word x[]") << Doc << w << 33 << 32 << 33;
    QTest::newRow("word a[😀]b") << Pair << w << 1 << 0 << 4;
    QTest::newRow("word [a]b placeholder c") << Placeholder << w << 0 << 0 << 4;
    QTest::newRow("line [o]ne two") << Doc << l << 0 << 0 << 7;
    QTest::newRow("line one two[\\n]") << Doc << l << 7 << 0 << 7;
    QTest::newRow("line [t]hree") << Doc << l << 8 << 8 << 30;
    QTest::newRow("line [\\n] empty line") << Doc << l << 31 << 31 << 31;
    QTest::newRow("line x[]") << Doc << l << 33 << 32 << 33;
    QTest::newRow("line placeholder c [d]") << Placeholder << l << 5 << 0 << 6;
    QTest::newRow("sentence [t]hree  four. ") << Doc << s << 8 << 8 << 21;
    QTest::newRow("sentence [F]ive six.") << Doc << s << 21 << 21 << 30;
    QTest::newRow("sentence six.[\\n]") << Doc << s << 30 << 21 << 30;
    QTest::newRow("sentence [\\n] empty line") << Doc << s << 31 << 31 << 31;
    QTest::newRow("paragraph three  f[o]ur. Five six.") << Doc << p << 16 << 8 << 30;
}

void tst_Accessible::unitAtOffset()
{
    QFETCH(QString, doc);
    QFETCH(int, boundary);
    QFETCH(int, offset);
    QFETCH(int, start);
    QFETCH(int, end);
    box->setText(doc);
    int s = -1, e = -1;
    const QString answer = text()->textAtOffset(offset, QAccessible::TextBoundaryType(boundary), &s, &e);
    QCOMPARE(s, start);
    QCOMPARE(e, end);
    // A byte's placeholder is read as U+FFFD; Qt's widget hands the placeholder itself.
    QCOMPARE(qtWidget() ? readable(answer) : answer, readable(doc.mid(start, end - start)));
}

void tst_Accessible::unitsBeforeAndAfter_data()
{
    QTest::addColumn<int>("boundary");
    QTest::addColumn<bool>("after");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    const int c = QAccessible::CharBoundary, w = QAccessible::WordBoundary, s = QAccessible::SentenceBoundary;
    const int l = QAccessible::LineBoundary;
    QTest::newRow("char after tw[o]") << c << true << 6 << 7 << 8;
    QTest::newRow("char before [t]hree") << c << false << 8 << 7 << 8;
    QTest::newRow("char before [o]ne") << c << false << 0 << 0 << 0;
    QTest::newRow("char after x[]") << c << true << 33 << 33 << 33;
    QTest::newRow("word after [o]ne") << w << true << 0 << 4 << 7;
    QTest::newRow("word after one[ ]") << w << true << 3 << 4 << 7;
    QTest::newRow("word after two[\\n]") << w << true << 7 << 8 << 13;
    QTest::newRow("word after six.[\\n] over an empty line") << w << true << 30 << 32 << 33;
    QTest::newRow("word before [t]wo") << w << false << 4 << 0 << 3;
    QTest::newRow("word before [t]hree") << w << false << 8 << 4 << 7;
    QTest::newRow("word before one[ ]") << w << false << 3 << 0 << 0;
    QTest::newRow("word after x[]") << w << true << 33 << 33 << 33;
    QTest::newRow("line after [o]ne") << l << true << 0 << 8 << 30;
    QTest::newRow("line after [t]hree") << l << true << 8 << 31 << 31;
    QTest::newRow("line after [\\n] empty line") << l << true << 31 << 32 << 33;
    QTest::newRow("line after [x]") << l << true << 32 << 33 << 33;
    QTest::newRow("line before [t]hree") << l << false << 8 << 0 << 7;
    QTest::newRow("line before [x]") << l << false << 32 << 31 << 31;
    QTest::newRow("line before [o]ne") << l << false << 0 << 0 << 0;
    QTest::newRow("sentence after [t]hree") << s << true << 8 << 21 << 30;
    QTest::newRow("sentence after [F]ive over an empty line") << s << true << 21 << 32 << 33;
    QTest::newRow("sentence before [F]ive") << s << false << 21 << 8 << 21;
    QTest::newRow("sentence before [t]hree") << s << false << 8 << 0 << 7;
    QTest::newRow("-2 is the caret, after it") << w << true << -2 << 8 << 13;
    QTest::newRow("-1 is the end, before it") << c << false << -1 << 32 << 33;
    QTest::newRow("past the end") << c << true << 34 << -1 << -1;
}

void tst_Accessible::unitsBeforeAndAfter()
{
    QFETCH(int, boundary);
    QFETCH(bool, after);
    QFETCH(int, offset);
    QFETCH(int, start);
    QFETCH(int, end);
    if (qtWidget())
        QSKIP("Qt's widget answers the unit at the offset again");
    box->setText(Doc);
    box->setSelStart(5);
    int s = 0, e = 0;
    const auto type = QAccessible::TextBoundaryType(boundary);
    const QString answer = after ? text()->textAfterOffset(offset, type, &s, &e) : text()->textBeforeOffset(offset, type, &s, &e);
    QCOMPARE(s, start);
    QCOMPARE(e, end);
    QCOMPARE(answer, Doc.mid(qMax(0, start), end - start));
}

void tst_Accessible::linesAreTheRowsShown()
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

void tst_Accessible::caretAndSelectionFollow()
{
    box->setText(Doc);
    QSignalSpy selChange(box.get(), &RichTextBox::SelChange);
    box->setSelStart(5);
    QCOMPARE(text()->cursorPosition(), 5);
    QCOMPARE(heard.value(heard.size() - 1), QStringLiteral("caret 5"));
    box->setSelLength(3);
    int s = 0, e = 0;
    text()->selection(0, &s, &e);
    QCOMPARE(QPoint(s, e), QPoint(5, 8));
    QCOMPARE(text()->selectionCount(), 1);
    QVERIFY(heard.contains(QStringLiteral("selection")));
    text()->setCursorPosition(2);
    QCOMPARE(box->SelStart(), 2);
    QCOMPARE(box->SelLength(), 0);
    QCOMPARE(text()->selectionCount(), 0);
    text()->setSelection(0, 1, 4);
    QCOMPARE(box->SelStart(), 1);
    QCOMPARE(box->SelLength(), 3);
    text()->removeSelection(0);
    QCOMPARE(box->SelLength(), 0);
    QVERIFY(selChange.count() >= 4);
}

void tst_Accessible::editsAreOneUndoStep_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<QString>("with");
    QTest::addColumn<QString>("result");
    QTest::newRow("insert a line") << "insert" << 8 << 8 << "new\n" << "one two\nnew\nthree";
    QTest::newRow("delete a word") << "delete" << 3 << 7 << "" << "one\nthree";
    QTest::newRow("replace across the break") << "replace" << 4 << 10 << "2\n3" << "one 2\n3ree";
}

void tst_Accessible::editsAreOneUndoStep()
{
    QFETCH(QString, edit);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(QString, with);
    QFETCH(QString, result);
    QTemporaryDir dir;
    box->KeepJournal(dir.filePath(QStringLiteral("journal")), 60000);
    box->setText(QStringLiteral("one two\nthree"));
    QSignalSpy change(box.get(), &RichTextBox::Change);
    QAccessibleEditableTextInterface *editable = view()->editableTextInterface();
    if (edit == QLatin1String("insert"))
        editable->insertText(start, with);
    else if (edit == QLatin1String("delete"))
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
    if (qtWidget() && edit == QLatin1String("replace"))
        QEXPECT_FAIL("", "Qt's widget deletes and inserts in two undo steps", Continue);
    QCOMPARE(box->Text(), QStringLiteral("one two\nthree"));
}

void tst_Accessible::typingIsTold()
{
    box->setText(QStringLiteral("xy"));
    box->activateWindow();
    box->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(box.get()));
    heard.clear();
    QWidget *keys = box->focusProxy();
    QTest::keyClicks(keys, QStringLiteral("ab"));
    QTest::keyClick(keys, Qt::Key_Backspace);
    QTest::keyClick(keys, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClicks(keys, QStringLiteral("Z"));
    const QStringList told = {"insert 0 a", "caret 1", "insert 1 b", "caret 2", "remove 1 1", "caret 1",
                              "caret 0", "selection", "update 0 1 Z", "caret 1", "selection"};
    QCOMPARE(heard, told);
}

void tst_Accessible::aCompoundEditIsToldOnce()
{
    box->setText(QStringLiteral("aaaa bbbb cccc"));
    heard.clear();
    {
        RichTextBox::CompoundEdit group(*box);
        box->setSelStart(0);
        box->setSelLength(4);
        box->setSelText(QStringLiteral("X"));
        box->setSelStart(7);
        box->setSelLength(4);
        box->setSelText(QStringLiteral("Y"));
    }
    QCOMPARE(heard.filter(QStringLiteral("update")), QStringList{"update 0 14 X bbbb Y"});
    heard.clear();
    box->Undo();
    QCOMPARE(heard.filter(QStringLiteral("update")), QStringList{"update 0 8 aaaa bbbb cccc"});
}

void tst_Accessible::aLongLineIsAnsweredInWindows()
{
    if (qtWidget())
        QSKIP("Qt's widget answers a line whole, and takes seconds over a line of megabytes");
    box->setRightMargin(platform::NoWrapMargin);
    const QString line = QStringLiteral("word. ").repeated((5 << 20) / 6) + QStringLiteral("end");
    box->setText(line + QStringLiteral("\nnext"));
    const int count = text()->characterCount();
    QCOMPARE(count, int(line.size()) + 5);
    QCOMPARE(text()->text(0, -1).size(), Page);
    for (const int offset : {0, int(line.size() / 2), int(line.size()), count}) {
        for (const auto type : {QAccessible::CharBoundary, QAccessible::WordBoundary, QAccessible::SentenceBoundary,
                                QAccessible::LineBoundary, QAccessible::ParagraphBoundary}) {
            int s = -1, e = -1;
            QString answer = text()->textAtOffset(offset, type, &s, &e);
            QVERIFY2(s <= offset && offset <= e && e - s <= Window, qPrintable(QStringLiteral("%1 %2: %3-%4").arg(type).arg(offset).arg(s).arg(e)));
            QCOMPARE(answer, text()->text(s, e));
            answer = text()->textBeforeOffset(offset, type, &s, &e);
            QVERIFY(e - s <= Window && answer.size() == e - s);
            answer = text()->textAfterOffset(offset, type, &s, &e);
            QVERIFY(e - s <= Window && answer.size() == e - s);
        }
    }
    // An edit of megabytes is told by its first characters.
    heard.clear();
    box->setSelStart(0);
    box->setSelLength(int(line.size()));
    box->setSelText(QStringLiteral("short"));
    const QStringList updates = heard.filter(QStringLiteral("update "));
    QCOMPARE(updates.size(), 1);
    QCOMPARE(updates.first(), QStringLiteral("update 0 %1 short").arg(Window));
}

void tst_Accessible::pointsAndCharactersAgree()
{
    if (qtWidget())
        QSKIP("Qt's widget finds no character at any point");
    box->setText(Doc);
    for (int offset = 0; offset < Doc.size(); ++offset) {
        if (Doc[offset] == QLatin1Char('\n'))
            continue;
        const QRect r = text()->characterRect(offset);
        QVERIFY2(r.width() > 0 && r.height() > 0, qPrintable(QString::number(offset)));
        QCOMPARE(text()->offsetAtPoint(r.center()), offset);
    }
    QCOMPARE(text()->offsetAtPoint(box->mapToGlobal(QPoint(-50, -50))), -1);
}

PENWICK_TEST_MAIN_ON_EVERY_ENGINE(tst_Accessible)

#include "tst_accessible.moc"
