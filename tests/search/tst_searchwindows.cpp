// The Find and Replace windows themselves, which the differential test does not see: what a showing resets,
// Cancel, Esc and the close box, Find Next with no window yet, Enter in Replace, its undo step, and the layout.
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
#include "platform/twips.h"
#include "platform/twipslayout.h"
#include "scripteddesktop.h"
#include "search/frmfind.h"
#include "search/frmreplace.h"

using namespace platform;

class tst_searchwindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_main = new frmPenwick;
        m_desktopFont = QApplication::font();
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
    }
    void cleanup()
    {
        QApplication::setFont(m_desktopFont);
        EXPECT_DESKTOP_SATISFIED();
    }

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

    void findNextWithTheWindowNeverOpenedOpensIt()
    {
        m_main->RichTextBox->setText(QStringLiteral("ab ab"));
        m_main->RichTextBox->setSelStart(0);
        ScriptedDesktop desktop;
        desktop.modal([](QDialog &dialog) { QCOMPARE(dialog.objectName(), QStringLiteral("frmFind")); });
        m_main->mnuSearchNext_Click();
        QCOMPARE(m_main->RichTextBox->SelLength(), 0);
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

    void window_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QSize>("client");   // twips
        QTest::addColumn<QStringList>("tabOrder");
        QTest::addColumn<QString>("defaultButton");

        QTest::addColumn<qreal>("pointSize");   // of the desktop font; 0 keeps the desktop's own
        // A large desktop font makes captions grow and push their neighbours.
        for (const qreal pointSize : {0.0, 20.0}) {
            const char *font = pointSize > 0 ? ", large font" : "";
            QTest::addRow("find%s", font) << "frmFind" << "Find" << QSize(3915, 960)
                                         << QStringList{"txtFind", "cmdFind", "cmdCancel", "chkCase", "chkWhole"} << "cmdFind"
                                         << pointSize;
            QTest::addRow("replace%s", font) << "frmReplace" << "Replace" << QSize(4185, 1380)
                                            << QStringList{"txtReplace", "txtWith", "cmdReplace", "cmdAll", "cmdCancel", "chkCase", "chkWhole"}
                                            << "" << pointSize;
        }
    }

    // A fixed-size dialog with a close box only and the program's icon, its tab order and its default button; every
    // caption whole, inside the window, overlapping nothing but a label reaching under its text box.
    void window()
    {
        QFETCH(QString, name);
        QFETCH(QString, title);
        QFETCH(QSize, client);
        QFETCH(QStringList, tabOrder);
        QFETCH(QString, defaultButton);
        QFETCH(qreal, pointSize);

        QFont font = m_desktopFont;
        if (pointSize > 0)
            font.setPointSizeF(pointSize);
        QApplication::setFont(font);   // init() unloaded the window: it is laid out anew in this font
        QDialog &dialog = form(name);
        QCOMPARE(dialog.windowTitle(), title);
        QCOMPARE(dialog.windowFlags() & (Qt::WindowType_Mask | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint),
                 Qt::Dialog | Qt::WindowCloseButtonHint);
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(dialog.width() >= twipsToPixels(client.width()) && dialog.height() >= twipsToPixels(client.height()));
        QVERIFY(!dialog.windowIcon().isNull());
        const QList<QWidget *> controls = dialog.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        for (const QWidget *control : controls) {
            const QString what = control->objectName();
            const QSize needed = TwipsLayout::neededSize(control);
            QVERIFY2(control->width() >= needed.width() && control->height() >= needed.height(), qPrintable(what));
            QVERIFY2(QRect(QPoint(), dialog.size()).contains(control->geometry()), qPrintable(what));
            for (const QWidget *other : controls) {
                const bool label = what.startsWith("lbl") || other->objectName().startsWith("lbl");
                QVERIFY2(other == control || label || !other->geometry().intersects(control->geometry()),
                         qPrintable(what + " overlaps " + other->objectName()));
            }
        }

        QStringList chain;
        for (QWidget *w = dialog.findChild<QWidget *>(tabOrder.first()); chain.size() < tabOrder.size(); w = w->nextInFocusChain()) {
            if (w->focusPolicy() != Qt::NoFocus)
                chain << w->objectName();
        }
        QCOMPARE(chain, tabOrder);
        QString isDefault;
        for (const QPushButton *button : dialog.findChildren<QPushButton *>()) {
            if (button->isDefault())
                isDefault = button->objectName();
        }
        QCOMPARE(isDefault, defaultButton);
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
    QFont m_desktopFont;
};

QTEST_MAIN(tst_searchwindows)
#include "tst_searchwindows.moc"
