// The windows shown from the menu, as the differential test does not see them: what a showing resets, and Esc,
// Cancel and the close box in each; Enter in Replace, its undo step, and whose message boxes they ask.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include "about/frmabout.h"
#include "app/frmpenwick.h"
#include "platform/richtextbox.h"
#include "scripteddesktop.h"
#include "search/frmfind.h"
#include "search/frmreplace.h"
#include "settings/frmoptions.h"

using namespace platform;

class tst_searchwindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);   // Cancel in Default Options reads the settings back
        m_main = new frmPenwick;
    }

    void cleanupTestCase()
    {
        init();
        delete m_main;
    }

    void init()
    {
        frmFind::unload();
        frmReplace::unload();
        frmAbout::unload();
        frmOptions::unload();
    }
    void cleanup() { EXPECT_DESKTOP_SATISFIED(); }

    void closing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("how");         // a key, a button, or "close" for the title bar's close box
        QTest::addColumn<QString>("focus");       // once shown
        QTest::addColumn<bool>("stays");          // shown after it
        QTest::addColumn<bool>("loaded");         // the same window afterwards
        QTest::addColumn<QString>("checks");      // the check boxes afterwards, from the first one turned over
        QTest::addColumn<QString>("textAfter");   // in the first text box, where "kept" was typed
        QTest::newRow("Find, Cancel") << "frmFind" << "cmdCancel" << "txtFind" << false << true << "10" << "";
        QTest::newRow("Find, Esc") << "frmFind" << "Esc" << "txtFind" << false << true << "10" << "";
        QTest::newRow("Find, close box: unloaded") << "frmFind" << "close" << "txtFind" << false << false << "00" << "";
        QTest::newRow("Replace, Cancel") << "frmReplace" << "cmdCancel" << "txtReplace" << false << true << "10" << "kept";
        QTest::newRow("Replace, Esc") << "frmReplace" << "Esc" << "txtReplace" << false << true << "10" << "kept";
        QTest::newRow("Replace, close box: unloaded") << "frmReplace" << "close" << "txtReplace" << false << false << "00" << "";
        QTest::newRow("About, Esc") << "frmAbout" << "Esc" << "cmdOK" << false << true << "" << "";
        QTest::newRow("About, OK") << "frmAbout" << "cmdOK" << "cmdOK" << false << true << "" << "";
        QTest::newRow("About, close box: unloaded") << "frmAbout" << "close" << "cmdOK" << false << false << "" << "";
        QTest::newRow("Options, Esc does nothing") << "frmOptions" << "Esc" << "cmdOK" << true << true << "101" << "";
        QTest::newRow("Options, close box: Cancel, still loaded") << "frmOptions" << "close" << "cmdOK" << false << true << "001" << "";
    }

    // A showing empties the text boxes and focuses the first control; the check boxes keep their state.
    void closing()
    {
        QFETCH(QString, name);
        QFETCH(QString, how);
        QFETCH(QString, focus);
        QFETCH(bool, stays);
        QFETCH(bool, loaded);
        QFETCH(QString, checks);
        QFETCH(QString, textAfter);
        QPointer<QDialog> dialog = &form(name);
        const QList<QLineEdit *> boxes = dialog->findChildren<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
        for (QLineEdit *box : boxes)
            box->setText(QStringLiteral("old"));
        QList<QCheckBox *> checkBoxes = dialog->findChildren<QCheckBox *>();
        if (!checkBoxes.isEmpty())
            checkBoxes.first()->toggle();
        const QString checked = states(*dialog);
        ScriptedDesktop desktop;
        desktop.modal([&](QDialog &shown) {
            QVERIFY(QTest::qWaitForWindowActive(&shown));
            for (const QLineEdit *box : boxes)
                QCOMPARE(box->text(), QString());
            QCOMPARE(shown.focusWidget()->objectName(), focus);
            QCOMPARE(states(shown), checked);
            if (!boxes.isEmpty())
                QTest::keyClicks(boxes.first(), QStringLiteral("kept"));
            if (how == QLatin1String("Esc"))
                QTest::keyClick(shown.focusWidget(), Qt::Key_Escape);
            else if (how == QLatin1String("close"))
                shown.close();
            else
                QTest::mouseClick(shown.findChild<QPushButton *>(how), Qt::LeftButton);
            QCOMPARE(shown.isVisible(), stays);
        });
        open(name);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(!dialog.isNull(), loaded);
        QCOMPARE(states(form(name)), checks);
        const auto *first = form(name).findChild<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(first ? first->text() : QString(), textAfter);
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

    // Hundreds of replacements are undone and redone in one pass over the text, which must restore it exactly.
    void replaceAllIsOneUndoStep_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("with");
        QTest::newRow("a b a b a") << QStringLiteral("a b a b a") << QStringLiteral("xy");
        QTest::newRow("[\u20aca\n]x200 [a]x300, a by a\u00e9\n")
            << QString(QStringLiteral("\u20aca\n").repeated(200) + QString(300, QLatin1Char('a'))) << QStringLiteral("a\u00e9\n");
        QTest::newRow("[ba]x500 by nothing") << QStringLiteral("ba").repeated(500) << QString();
    }
    void replaceAllIsOneUndoStep()
    {
        QFETCH(QString, text);
        QFETCH(QString, with);
        RichTextBox &box = *m_main->RichTextBox;
        box.setText(text);
        QString replaced = text;
        replaced.replace(QLatin1Char('a'), with);
        ScriptedDesktop desktop;
        desktop.modal([&](QDialog &) {
            frmReplace &replace = frmReplace::instance();
            replace.txtReplace->setText(QStringLiteral("a"));
            replace.txtWith->setText(with);
            replace.cmdAll->click();
        });
        desktop.msgBox(vbOK, QString::number(text.count(QLatin1Char('a'))) + QStringLiteral(" replacements were made."));
        m_main->mnuSearchReplace_Click();
        QCOMPARE(box.Text(), replaced);
        box.Undo();
        QCOMPARE(box.Text(), text);
        QVERIFY(!box.canUndo());
        QTest::keyClick(box.focusProxy(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(box.Text(), replaced);
    }

    void messagesBelongToTheMainWindow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("find") << "frmFind";
        QTest::newRow("replace, from Replace All") << "frmReplace";
    }

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
        dialog.findChild<QPushButton *>(name == QLatin1String("frmFind") ? "cmdFind" : "cmdAll")->click();
        m_main->hide();
        QCOMPARE(parents, QList<QWidget *>{m_main});
    }

private:
    static QDialog &form(const QString &name)
    {
        if (name == QLatin1String("frmFind"))
            return frmFind::instance();
        if (name == QLatin1String("frmReplace"))
            return frmReplace::instance();
        return name == QLatin1String("frmAbout") ? static_cast<QDialog &>(frmAbout::instance()) : frmOptions::instance();
    }

    static QString states(const QDialog &dialog)
    {
        QString on;
        for (const QCheckBox *box : dialog.findChildren<QCheckBox *>())
            on += box->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
        return on;
    }

    // The menu command that shows the window.
    void open(const QString &name)
    {
        if (name == QLatin1String("frmFind"))
            m_main->mnuSearchFind_Click();
        else if (name == QLatin1String("frmReplace"))
            m_main->mnuSearchReplace_Click();
        else if (name == QLatin1String("frmAbout"))
            m_main->mnuHelpAbout_Click();
        else
            m_main->mnuOptionsOptions_Click();
    }

    frmPenwick *m_main = nullptr;
};

QTEST_MAIN(tst_searchwindows)
#include "tst_searchwindows.moc"
