// The Find window and Find Next: where a search starts, what the person is asked, and the window's life.
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "app/frmpenwick.h"
#include "platform/richtextbox.h"
#include "scripteddesktop.h"
#include "search/frmfind.h"

using namespace platform;

namespace {

const QString endQuestion = QStringLiteral("End of document. Continue from beginning?");
const QString noMore = QStringLiteral("No more occurrences of word.");

}

class tst_find : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void search_data();
    void search();
    void findNextVisitsOverlappingMatches();
    void findNextWithoutSearchTextOpensTheWindow();
    void showingEmptiesTheTextAndKeepsTheBoxes();
    void keysInTheWindow();
    void cancelKeepsTheWindowLoaded();
    void closeBoxUnloadsTheWindow();

private:
    void setUp(const QString &text, int selStart, int selLength);
    void searchFromWindow(ScriptedDesktop &desktop, const QString &what, int options);

    frmPenwick *m_main = nullptr;
    RichTextBox *m_box = nullptr;
};

void tst_find::initTestCase()
{
    m_main = new frmPenwick;
    m_box = m_main->RichTextBox;
}

void tst_find::cleanupTestCase()
{
    frmFind::unload();
    delete m_main;
}

void tst_find::init()
{
    frmFind::unload();
}

void tst_find::setUp(const QString &text, int selStart, int selLength)
{
    m_box->setText(text);
    m_box->setSelStart(selStart);
    m_box->setSelLength(selLength);
}

void tst_find::searchFromWindow(ScriptedDesktop &desktop, const QString &what, int options)
{
    desktop.modal([what, options](QDialog &) {
        frmFind &find = frmFind::instance();
        find.txtFind->setText(what);
        find.chkWhole->setChecked(options & 2);
        find.chkCase->setChecked(options & 4);
        find.cmdFind->click();
    });
}

void tst_find::search_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("options");
    QTest::addColumn<QList<int>>("answers");   // to the end question, then nothing
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<int>("foundStart");
    QTest::addColumn<int>("foundLength");

    const QList<int> none;
    const QList<int> yes{vbYes};
    const QList<int> no{vbNo};
    QTest::newRow("match at the caret") << "xx ab" << 3 << 0 << "ab" << 0 << none << QStringList() << 3 << 2;
    QTest::newRow("selection longer than the text starts with it")
        << "abab ab" << 0 << 4 << "ab" << 0 << none << QStringList() << 0 << 2;
    QTest::newRow("selected match is stepped over") << "abab ab" << 0 << 2 << "ab" << 0 << none << QStringList() << 2 << 2;
    QTest::newRow("selection differing in case is stepped over")
        << "AA aa" << 0 << 2 << "aa" << 0 << none << QStringList() << 3 << 2;
    QTest::newRow("case-different selection with match case, offset still 1")
        << "Aaa" << 0 << 2 << "aa" << 4 << none << QStringList() << 1 << 2;
    QTest::newRow("no match after, answer No keeps the selection")
        << "ab xx" << 3 << 1 << "ab" << 0 << no << QStringList{endQuestion} << 3 << 1;
    QTest::newRow("wrap finds an earlier match")
        << "ab xx" << 3 << 0 << "ab" << 0 << yes << QStringList{endQuestion} << 0 << 2;
    QTest::newRow("no match anywhere") << "xyz" << 1 << 0 << "ab" << 0 << yes << QStringList{endQuestion, noMore} << 1 << 0;
    QTest::newRow("only occurrence is the selection")
        << "xx ab" << 3 << 2 << "ab" << 0 << yes << QStringList{endQuestion, noMore} << 3 << 2;
    QTest::newRow("wrap ends one past the start: a match ending there")
        << "ab" << 1 << 0 << "ab" << 0 << yes << QStringList{endQuestion} << 0 << 2;
    QTest::newRow("wrap ends one past the start: a match running past")
        << "abc" << 1 << 0 << "abc" << 0 << yes << QStringList{endQuestion, noMore} << 1 << 0;
    QTest::newRow("whole words skip parts of words") << "ab_ab ab" << 0 << 0 << "ab" << 2 << none << QStringList() << 6 << 2;
    QTest::newRow("match case skips other cases") << "AB ab" << 0 << 0 << "ab" << 4 << none << QStringList() << 3 << 2;
    QTest::newRow("case ignored") << "xx AB" << 0 << 0 << "ab" << 0 << none << QStringList() << 3 << 2;
    QTest::newRow("empty search text") << "abc" << 1 << 0 << "" << 0 << yes << QStringList{endQuestion, noMore} << 1 << 0;
}

void tst_find::search()
{
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, what);
    QFETCH(int, options);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, prompts);
    QFETCH(int, foundStart);
    QFETCH(int, foundLength);

    setUp(text, selStart, selLength);
    ScriptedDesktop desktop;
    searchFromWindow(desktop, what, options);
    for (qsizetype i = 0; i < prompts.size(); ++i)
        desktop.msgBox(i < answers.size() ? answers[i] : vbOK, prompts[i], i == 0 ? vbYesNo + vbQuestion : vbInformation);
    m_main->mnuSearchFind_Click();

    QCOMPARE(desktop.problems(), QString());
    QCOMPARE(desktop.calls.size(), prompts.size() + 1);
    QCOMPARE(m_box->SelStart(), foundStart);
    QCOMPARE(m_box->SelLength(), foundLength);
    QCOMPARE(m_box->Text(), text);
    QVERIFY(!frmFind::instance().isVisible());
}

void tst_find::findNextVisitsOverlappingMatches()
{
    setUp(QStringLiteral("aaaa"), 0, 0);
    ScriptedDesktop desktop;
    searchFromWindow(desktop, QStringLiteral("aa"), 0);
    m_main->mnuSearchFind_Click();
    QList<int> visited{m_box->SelStart()};
    for (int i = 0; i < 2; ++i) {
        m_main->mnuSearchNext_Click();
        visited << m_box->SelStart();
    }
    QCOMPARE(visited, (QList<int>{0, 1, 2}));
    QCOMPARE(m_box->SelLength(), 2);

    // Past the last one: the wrap pass, bounded at 3, finds the one at 0.
    desktop.msgBox(vbYes, endQuestion);
    m_main->mnuSearchNext_Click();
    QCOMPARE(m_box->SelStart(), 0);
    QCOMPARE(desktop.problems(), QString());
}

void tst_find::findNextWithoutSearchTextOpensTheWindow()
{
    setUp(QStringLiteral("ab ab"), 0, 0);
    ScriptedDesktop desktop;
    QString textWhenShown = QStringLiteral("not shown");
    desktop.modal([&textWhenShown](QDialog &dialog) {
        textWhenShown = frmFind::instance().txtFind->text();
        QCOMPARE(dialog.objectName(), QStringLiteral("frmFind"));
        QVERIFY(dialog.isVisible());
    });
    m_main->mnuSearchNext_Click();
    QCOMPARE(desktop.problems(), QString());
    QCOMPARE(textWhenShown, QString());

    // Still nothing to search for after a Cancel: Find Next opens the window again.
    desktop.modal([](QDialog &) { frmFind::instance().cmdCancel->click(); });
    m_main->mnuSearchNext_Click();
    desktop.modal({});
    m_main->mnuSearchNext_Click();
    QCOMPARE(desktop.problems(), QString());
    QCOMPARE(m_box->SelStart(), 0);
    QCOMPARE(m_box->SelLength(), 0);
}

void tst_find::showingEmptiesTheTextAndKeepsTheBoxes()
{
    frmFind &find = frmFind::instance();
    find.txtFind->setText(QStringLiteral("old"));
    find.chkCase->setChecked(true);
    ScriptedDesktop desktop;
    desktop.modal([&find](QDialog &) {
        QCOMPARE(find.txtFind->text(), QString());
        QCOMPARE(find.focusWidget(), find.txtFind);
        QVERIFY(find.chkCase->isChecked());
        QVERIFY(!find.chkWhole->isChecked());
    });
    m_main->mnuSearchFind_Click();
    QCOMPARE(desktop.problems(), QString());
}

void tst_find::keysInTheWindow()
{
    setUp(QStringLiteral("xx ab"), 0, 0);
    ScriptedDesktop desktop;
    desktop.modal([](QDialog &dialog) {
        frmFind &find = frmFind::instance();
        QTest::keyClicks(find.txtFind, QStringLiteral("ab"));
        QTest::keyClick(find.txtFind, Qt::Key_Return);   // the Find button is the default
        QVERIFY(!dialog.isVisible());
    });
    m_main->mnuSearchFind_Click();
    QCOMPARE(m_box->SelStart(), 3);

    desktop.modal([](QDialog &dialog) {
        frmFind &find = frmFind::instance();
        QTest::keyClicks(find.txtFind, QStringLiteral("ab"));
        QTest::keyClick(find.txtFind, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(find.txtFind->text(), QString());
    });
    m_main->mnuSearchFind_Click();
    QCOMPARE(m_box->SelStart(), 3);
    QCOMPARE(desktop.problems(), QString());
}

void tst_find::cancelKeepsTheWindowLoaded()
{
    QPointer<frmFind> before = &frmFind::instance();
    ScriptedDesktop desktop;
    desktop.modal([](QDialog &) {
        frmFind &find = frmFind::instance();
        find.chkWhole->setChecked(true);
        find.txtFind->setText(QStringLiteral("ab"));
        find.cmdCancel->click();
    });
    m_main->mnuSearchFind_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(frmFind::isLoaded());
    QCOMPARE(&frmFind::instance(), before.data());
    QVERIFY(frmFind::instance().chkWhole->isChecked());
    QCOMPARE(frmFind::instance().txtFind->text(), QString());
    QCOMPARE(desktop.problems(), QString());
}

void tst_find::closeBoxUnloadsTheWindow()
{
    setUp(QStringLiteral("ab ab"), 0, 0);
    QPointer<frmFind> before = &frmFind::instance();
    ScriptedDesktop desktop;
    desktop.modal([](QDialog &dialog) {
        frmFind &find = frmFind::instance();
        find.chkCase->setChecked(true);
        find.chkWhole->setChecked(true);
        find.txtFind->setText(QStringLiteral("ab"));
        dialog.close();
    });
    m_main->mnuSearchFind_Click();
    QVERIFY(!frmFind::isLoaded());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(before.isNull());

    // Find Next starts afresh: an empty text opens the window, both boxes unchecked.
    desktop.modal([](QDialog &) {
        QVERIFY(!frmFind::instance().chkCase->isChecked());
        QVERIFY(!frmFind::instance().chkWhole->isChecked());
    });
    m_main->mnuSearchNext_Click();
    QCOMPARE(desktop.problems(), QString());
    QCOMPARE(m_box->SelLength(), 0);
}

QTEST_MAIN(tst_find)
#include "tst_find.moc"
