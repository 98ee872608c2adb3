// The Replace window: the question loop, its bounded second pass, Replace All and the window's keys and life.
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app/frmpenwick.h"
#include "platform/richtextbox.h"
#include "scripteddesktop.h"
#include "search/frmreplace.h"

using namespace platform;

namespace {

const QString question = QStringLiteral("Replace selection?");
const QString endQuestion = QStringLiteral("End of document. Continue from beginning?");
const QString noMore = QStringLiteral("No more occurrences of word");

struct Asked
{
    QString prompt;
    int answer;
};

}

Q_DECLARE_METATYPE(QList<Asked>)

class tst_replace : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void replace_data();
    void replace();
    void replaceAll_data();
    void replaceAll();
    void replaceAllIsOneUndoStep();
    void showingEmptiesBothTexts();
    void keysInTheWindow();
    void closeBoxUnloadsTheWindow();

private:
    void setUp(const QString &text, int selStart, int selLength);
    void run(ScriptedDesktop &desktop, bool all, const QString &what, const QString &with, int options);

    frmPenwick *m_main = nullptr;
    RichTextBox *m_box = nullptr;
};

void tst_replace::initTestCase()
{
    m_main = new frmPenwick;
    m_box = m_main->RichTextBox;
}

void tst_replace::cleanupTestCase()
{
    frmReplace::unload();
    delete m_main;
}

void tst_replace::init()
{
    frmReplace::unload();
}

void tst_replace::setUp(const QString &text, int selStart, int selLength)
{
    m_box->setText(text);
    m_box->setSelStart(selStart);
    m_box->setSelLength(selLength);
}

void tst_replace::run(ScriptedDesktop &desktop, bool all, const QString &what, const QString &with, int options)
{
    desktop.modal([=](QDialog &) {
        frmReplace &replace = frmReplace::instance();
        replace.txtReplace->setText(what);
        replace.txtWith->setText(with);
        replace.chkWhole->setChecked(options & 2);
        replace.chkCase->setChecked(options & 4);
        (all ? replace.cmdAll : replace.cmdReplace)->click();
    });
}

void tst_replace::replace_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("with");
    QTest::addColumn<int>("options");
    QTest::addColumn<QList<Asked>>("asked");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("resultSelStart");
    QTest::addColumn<int>("resultSelLength");

    QTest::newRow("cancel ends at once")
        << "a a a" << 0 << 0 << "a" << "b" << 0 << QList<Asked>{{question, vbYes}, {question, vbCancel}}
        << "b a a" << 2 << 1;
    QTest::newRow("no at every question walks every occurrence, overlapping ones too")
        << "aaa" << 0 << 0 << "aa" << "b" << 0
        << QList<Asked>{{question, vbNo}, {question, vbNo}, {endQuestion, vbNo}} << "aaa" << 2 << 0;
    QTest::newRow("yes goes on after the replacement")
        << "aa a" << 0 << 0 << "a" << "aa" << 0
        << QList<Asked>{{question, vbYes}, {question, vbYes}, {question, vbYes}, {endQuestion, vbNo}}
        << "aaaa aa" << 7 << 0;
    QTest::newRow("a match left selected is offered first")
        << "ab ab" << 0 << 2 << "ab" << "x" << 0 << QList<Asked>{{question, vbCancel}} << "ab ab" << 0 << 2;
    QTest::newRow("wrap pass offers the occurrences before the start")
        << "a b a" << 2 << 0 << "a" << "c" << 0
        << QList<Asked>{{question, vbYes}, {endQuestion, vbYes}, {question, vbYes}, {noMore, vbOK}}
        << "c b c" << 1 << 0;
    QTest::newRow("wrap pass keeps its end after longer replacements")
        << "a a a" << 3 << 0 << "a" << "xxx" << 0
        << QList<Asked>{{question, vbYes}, {endQuestion, vbYes}, {question, vbYes}, {noMore, vbOK}}
        << "xxx a xxx" << 3 << 0;
    QTest::newRow("wrap pass end limited to the text's length")
        << "ab ab" << 5 << 0 << "ab" << "xab" << 0
        << QList<Asked>{{endQuestion, vbYes}, {question, vbYes}, {noMore, vbOK}} << "xab ab" << 3 << 0;
    QTest::newRow("wrap pass reaches an occurrence overlapping the start")
        << "xab" << 2 << 0 << "ab" << "c" << 0
        << QList<Asked>{{endQuestion, vbYes}, {question, vbNo}, {noMore, vbOK}} << "xab" << 2 << 0;
    QTest::newRow("cancel in the wrap pass shows nothing more")
        << "ab" << 2 << 0 << "ab" << "c" << 0 << QList<Asked>{{endQuestion, vbYes}, {question, vbCancel}} << "ab" << 0 << 2;
    QTest::newRow("whole words and case") << "A a_a a" << 0 << 0 << "a" << "b" << 6
        << QList<Asked>{{question, vbYes}, {endQuestion, vbNo}} << "A a_a b" << 7 << 0;
    QTest::newRow("empty search text") << "abc" << 1 << 0 << "" << "x" << 0
        << QList<Asked>{{endQuestion, vbYes}, {noMore, vbOK}} << "abc" << 0 << 0;
}

void tst_replace::replace()
{
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, what);
    QFETCH(QString, with);
    QFETCH(int, options);
    QFETCH(QList<Asked>, asked);
    QFETCH(QString, result);
    QFETCH(int, resultSelStart);
    QFETCH(int, resultSelLength);

    setUp(text, selStart, selLength);
    ScriptedDesktop desktop;
    run(desktop, false, what, with, options);
    for (const Asked &a : asked) {
        const int style = a.prompt == question ? vbYesNoCancel + vbQuestion
                                               : a.prompt == endQuestion ? vbYesNo + vbQuestion : vbInformation;
        desktop.msgBox(a.answer, a.prompt, style);
    }
    m_main->mnuSearchReplace_Click();

    QCOMPARE(desktop.problems(), QString());
    QCOMPARE(desktop.calls.size(), asked.size() + 1);
    QCOMPARE(m_box->Text(), result);
    QCOMPARE(m_box->SelStart(), resultSelStart);
    QCOMPARE(m_box->SelLength(), resultSelLength);
}

void tst_replace::replaceAll_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("with");
    QTest::addColumn<int>("options");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("message");

    QTest::newRow("a by ab ends after one pass") << "a a" << "a" << "ab" << 0 << "ab ab" << "2 replacements were made.";
    QTest::newRow("empty replacement deletes back-to-back occurrences")
        << "aaaa b" << "a" << "" << 0 << " b" << "4 replacements were made.";
    QTest::newRow("overlapping occurrences once each") << "aaa" << "aa" << "b" << 0 << "ba" << "1 replacements were made.";
    QTest::newRow("no occurrence") << "bbb" << "a" << "x" << 0 << "bbb" << "0 replacements were made.";
    QTest::newRow("empty search and replacement") << "abc" << "" << "" << 0 << "abc" << "0 replacements were made.";
    QTest::newRow("case ignored") << "A a" << "a" << "b" << 0 << "b b" << "2 replacements were made.";
    QTest::newRow("match case") << "A a" << "a" << "b" << 4 << "A b" << "1 replacements were made.";
    QTest::newRow("whole words across lines") << "a\na_ a" << "a" << "b" << 2 << "b\na_ b" << "2 replacements were made.";
}

void tst_replace::replaceAll()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(QString, with);
    QFETCH(int, options);
    QFETCH(QString, result);
    QFETCH(QString, message);

    // The caret is ignored: the whole text is searched from its beginning.
    setUp(text, int(text.size()), 0);
    ScriptedDesktop desktop;
    run(desktop, true, what, with, options);
    desktop.msgBox(vbOK, message, vbInformation);
    m_main->mnuSearchReplace_Click();

    QCOMPARE(desktop.problems(), QString());
    QCOMPARE(m_box->Text(), result);
}

void tst_replace::replaceAllIsOneUndoStep()
{
    setUp(QStringLiteral("a b a b a"), 0, 0);
    ScriptedDesktop desktop;
    run(desktop, true, QStringLiteral("a"), QStringLiteral("xy"), 0);
    desktop.msgBox(vbOK, QStringLiteral("3 replacements were made."));
    m_main->mnuSearchReplace_Click();
    QCOMPARE(m_box->Text(), QStringLiteral("xy b xy b xy"));
    QCOMPARE(m_box->SelStart(), 12);

    m_box->Undo();
    QCOMPARE(m_box->Text(), QStringLiteral("a b a b a"));
    QVERIFY(!m_box->canUndo());
    QCOMPARE(desktop.problems(), QString());
}

void tst_replace::showingEmptiesBothTexts()
{
    frmReplace &replace = frmReplace::instance();
    replace.txtReplace->setText(QStringLiteral("old"));
    replace.txtWith->setText(QStringLiteral("new"));
    replace.chkWhole->setChecked(true);
    ScriptedDesktop desktop;
    desktop.modal([&replace](QDialog &) {
        QCOMPARE(replace.txtReplace->text(), QString());
        QCOMPARE(replace.txtWith->text(), QString());
        QCOMPARE(replace.focusWidget(), replace.txtReplace);
        QVERIFY(replace.chkWhole->isChecked());
        QVERIFY(!replace.chkCase->isChecked());
        replace.txtReplace->setText(QStringLiteral("kept"));
        replace.cmdCancel->click();
    });
    m_main->mnuSearchReplace_Click();
    QCOMPARE(replace.txtReplace->text(), QStringLiteral("kept"));
    QCOMPARE(desktop.problems(), QString());
}

void tst_replace::keysInTheWindow()
{
    setUp(QStringLiteral("ab"), 0, 0);
    ScriptedDesktop desktop;
    desktop.modal([](QDialog &dialog) {
        frmReplace &replace = frmReplace::instance();
        for (const QPushButton *button : {replace.cmdReplace, replace.cmdAll, replace.cmdCancel})
            QVERIFY(!button->isDefault());
        QSignalSpy returned(replace.txtReplace, &QLineEdit::returnPressed);
        QTest::keyClicks(replace.txtReplace, QStringLiteral("ab"));
        QTest::keyClick(replace.txtReplace, Qt::Key_Return);
        QCOMPARE(replace.focusWidget(), replace.txtWith);
        QCOMPARE(returned.count(), 1);   // the key was not swallowed

        QTest::keyClicks(replace.txtWith, QStringLiteral("c"));
        QTest::keyClick(replace.txtWith, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QTest::keyClick(replace.txtWith, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(replace.txtWith->text(), QStringLiteral("c"));
    });
    m_main->mnuSearchReplace_Click();
    QCOMPARE(m_box->Text(), QStringLiteral("ab"));
    QCOMPARE(desktop.problems(), QString());
}

void tst_replace::closeBoxUnloadsTheWindow()
{
    QPointer<frmReplace> before = &frmReplace::instance();
    ScriptedDesktop desktop;
    desktop.modal([](QDialog &dialog) {
        frmReplace::instance().chkCase->setChecked(true);
        dialog.close();
    });
    m_main->mnuSearchReplace_Click();
    QVERIFY(!frmReplace::isLoaded());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(before.isNull());
    QVERIFY(!frmReplace::instance().chkCase->isChecked());
    QCOMPARE(desktop.problems(), QString());
}

QTEST_MAIN(tst_replace)
#include "tst_replace.moc"
