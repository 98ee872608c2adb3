// The Find and Replace windows themselves, which the differential test does not see: what a showing resets,
// Cancel, Esc and the close box, Enter in Replace, and its undo step.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/frmpenwick.h"
#include "platform/richtextbox.h"
#include "scripteddesktop.h"
#include "search/frmfind.h"
#include "search/frmreplace.h"

using namespace platform;

class tst_searchwindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_main = new frmPenwick; }

    void cleanupTestCase()
    {
        init();
        delete m_main;
    }

    void init()
    {
        frmFind::unload();
        frmReplace::unload();
    }
    void cleanup() { EXPECT_DESKTOP_SATISFIED(); }

    void showingAndHiding_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("escape");
        QTest::addColumn<QString>("textAfter");   // in the search text box once hidden

        QTest::newRow("find, Cancel") << "frmFind" << false << "";
        QTest::newRow("find, Esc") << "frmFind" << true << "";
        QTest::newRow("replace, Cancel") << "frmReplace" << false << "kept";
        QTest::newRow("replace, Esc") << "frmReplace" << true << "kept";
    }

    // A showing empties the text boxes and focuses the first; the check boxes keep their state, and hiding keeps the window.
    void showingAndHiding()
    {
        QFETCH(QString, name);
        QFETCH(bool, escape);
        QFETCH(QString, textAfter);

        QPointer<QDialog> dialog = &form(name);
        const QList<QLineEdit *> boxes = dialog->findChildren<QLineEdit *>();
        for (QLineEdit *box : boxes)
            box->setText(QStringLiteral("old"));
        auto *matchCase = dialog->findChild<QCheckBox *>("chkCase");
        auto *whole = dialog->findChild<QCheckBox *>("chkWhole");
        matchCase->setChecked(true);
        ScriptedDesktop desktop;
        desktop.modal([&](QDialog &shown) {
            QCOMPARE(&shown, dialog.data());
            for (const QLineEdit *box : boxes)
                QCOMPARE(box->text(), QString());
            QCOMPARE(shown.focusWidget(), boxes.first());
            QVERIFY(matchCase->isChecked() && !whole->isChecked());
            QTest::keyClicks(boxes.first(), QStringLiteral("kept"));
            if (escape)
                QTest::keyClick(boxes.first(), Qt::Key_Escape);
            else
                shown.findChild<QPushButton *>("cmdCancel")->click();
            QVERIFY(!shown.isVisible());
        });
        open(name);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(&form(name), dialog.data());
        QCOMPARE(boxes.first()->text(), textAfter);
        QVERIFY(matchCase->isChecked());
    }

    void closeBoxUnloads_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("find") << "frmFind";
        QTest::newRow("replace") << "frmReplace";
    }

    // The title bar's close box unloads the window: the next instance starts empty and unchecked.
    void closeBoxUnloads()
    {
        QFETCH(QString, name);

        QPointer<QDialog> before = &form(name);
        ScriptedDesktop desktop;
        desktop.modal([](QDialog &dialog) {
            for (QCheckBox *box : dialog.findChildren<QCheckBox *>())
                box->setChecked(true);
            dialog.findChildren<QLineEdit *>().first()->setText(QStringLiteral("ab"));
            dialog.close();
        });
        open(name);
        QVERIFY(!(isFind(name) ? frmFind::isLoaded() : frmReplace::isLoaded()));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(before.isNull());
        for (const QCheckBox *box : form(name).findChildren<QCheckBox *>())
            QVERIFY(!box->isChecked());
        QCOMPARE(form(name).findChildren<QLineEdit *>().first()->text(), QString());
    }

    // Enter in the search text moves on to the replacement; Enter there starts nothing.
    void enterInTheReplaceWindow()
    {
        m_main->RichTextBox->setText(QStringLiteral("ab"));
        ScriptedDesktop desktop;
        desktop.modal([](QDialog &dialog) {
            frmReplace &replace = frmReplace::instance();
            QTest::keyClicks(replace.txtReplace, QStringLiteral("ab"));
            QTest::keyClick(replace.txtReplace, Qt::Key_Return);
            QCOMPARE(dialog.focusWidget(), replace.txtWith);
            QTest::keyClicks(replace.txtWith, QStringLiteral("c"));
            QTest::keyClick(replace.txtWith, Qt::Key_Return);
            QVERIFY(dialog.isVisible());
            QCOMPARE(replace.txtWith->text(), QStringLiteral("c"));
        });
        m_main->mnuSearchReplace_Click();
        QCOMPARE(m_main->RichTextBox->Text(), QStringLiteral("ab"));
    }

    void replaceAllIsOneUndoStep()
    {
        RichTextBox &box = *m_main->RichTextBox;
        box.setText(QStringLiteral("a b a b a"));
        ScriptedDesktop desktop;
        desktop.modal([](QDialog &) {
            frmReplace &replace = frmReplace::instance();
            replace.txtReplace->setText(QStringLiteral("a"));
            replace.txtWith->setText(QStringLiteral("xy"));
            replace.cmdAll->click();
        });
        desktop.msgBox(vbOK, QStringLiteral("3 replacements were made."));
        m_main->mnuSearchReplace_Click();
        QCOMPARE(box.Text(), QStringLiteral("xy b xy b xy"));
        box.Undo();
        QCOMPARE(box.Text(), QStringLiteral("a b a b a"));
        QVERIFY(!box.canUndo());
    }

    void messagesBelongToTheMainWindow_data() { closeBoxUnloads_data(); }   // Replace asks from Replace All

    // The real message boxes, not the scripted ones: asked from a search window that has just hidden itself,
    // they are the main window's, so they are centred over it and stay above it.
    void messagesBelongToTheMainWindow()
    {
        QFETCH(QString, name);
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main));
        m_main->RichTextBox->setText(QStringLiteral("abc"));
        QDialog &dialog = form(name);
        dialog.findChild<QLineEdit *>()->setText(QStringLiteral("zz"));
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));

        QList<QWidget *> parents;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                parents << box->parentWidget();
                box->reject();
            }
        });
        closer.start(10);
        dialog.findChild<QPushButton *>(isFind(name) ? "cmdFind" : "cmdAll")->click();
        m_main->hide();
        QCOMPARE(parents, QList<QWidget *>{m_main});
    }

private:
    static bool isFind(const QString &name) { return name == QLatin1String("frmFind"); }

    QDialog &form(const QString &name)
    {
        return isFind(name) ? static_cast<QDialog &>(frmFind::instance()) : frmReplace::instance();
    }

    // The menu command that shows the window.
    void open(const QString &name)
    {
        if (isFind(name))
            m_main->mnuSearchFind_Click();
        else
            m_main->mnuSearchReplace_Click();
    }

    frmPenwick *m_main = nullptr;
};

QTEST_MAIN(tst_searchwindows)
#include "tst_searchwindows.moc"
