// The main window from launch to exit: controls, menu table, start-up, command line, shortcuts, Exit and close.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>

#include "about/frmabout.h"
#include "harness.h"
#include "platform/richtextbox.h"
#include "platform/statusbar.h"
#include "search/frmfind.h"

using namespace platform;

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { EXPECT_DESKTOP_SATISFIED(); }

    void startsUntitledAndClean()
    {
        Harness h;
        QCOMPARE(h.w().StatusBar->panelText(1), QStringLiteral("Line: 1"));
        QCOMPARE(h.w().StatusBar->panelText(2), QStringLiteral("Col: 1"));
        QCOMPARE(h.w().StatusBar->panelText(3), QString());
        QVERIFY(!h.w().tmpClipboard->Visible());
        QVERIFY2(QFontInfo(h.w().RichTextBox->resolvedFont()).fixedPitch(), "a missing face must be drawn by a fixed-pitch one");
        QCOMPARE(h.w().RichTextBox->RightMargin(), 491520.0f);
    }

    void menuTable_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shortcut");
        const char *rows[][3] = {
            {"mnuFileNew", "&New", "Ctrl+N"}, {"mnuFileOpen", "&Open...", "Ctrl+O"}, {"mnuFileSave", "&Save", "Ctrl+S"},
            {"mnuFileSaveas", "Save &As...", ""}, {"mnuFilePrint", "&Print...", "Ctrl+P"}, {"mnuFileExit", "E&xit", ""},
            {"mnuEditUndo", "&Undo", "Ctrl+Z"}, {"mnuEditCut", "Cu&t", "Ctrl+X"}, {"mnuEditCopy", "&Copy", "Ctrl+C"},
            {"mnuEditPaste", "&Paste", "Ctrl+V"}, {"mnuEditDelete", "De&lete", "Del"}, {"mnuEditSelectall", "Select &All", "Ctrl+A"},
            {"mnuSearchFind", "&Find...", "Ctrl+F"}, {"mnuSearchNext", "Find &Next", "F3"}, {"mnuSearchReplace", "&Replace...", "Ctrl+H"},
            {"mnuOptionsWordwrap", "&Wordwrap", "Ctrl+W"}, {"mnuOptionsOptions", "Options", ""},
            {"mnuHelpContents", "&Contents...", "F1"}, {"mnuHelpAbout", "&About...", ""},
            {"mnuFile", "&File", ""}, {"mnuEdit", "&Edit", ""}, {"mnuSearch", "&Search", ""}, {"mnuOptions", "&Options", ""}, {"mnuHelp", "&Help", ""},
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString::fromLatin1(row[1]) << QString::fromLatin1(row[2]);
    }

    void menuTable()
    {
        QFETCH(QString, caption);
        QFETCH(QString, shortcut);
        Harness h;
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        QAction *action = nullptr;
        for (QAction *a : h.w().findChildren<QAction *>())
            if (a->objectName() == name)
                action = a;
        QVERIFY2(action, qPrintable(name));
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->shortcut().toString(), shortcut);
        QCOMPARE(action->isCheckable() && action->isChecked(), false);
        const bool help = name == QLatin1String("mnuHelpContents");
        QCOMPARE(action->isVisible(), !help);
        QCOMPARE(action->isEnabled(), !help && name != QLatin1String("mnuEditUndo"));
    }

    void commandLineMissingFileAsksToCreate()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("new.txt"));
        Harness h({QStringLiteral("\"") + file + QStringLiteral("\"")}, {}, false);
        h.desktop.msgBox(vbYes, Harness::createQuestion(file), 36);
        h.load();
        QCOMPARE(h.w().windowTitle(), QStringLiteral("new.txt - Penwick"));
        QCOMPARE(h.w().RichTextBox->Tag, QStringLiteral("1"));
        QVERIFY(!QFile::exists(file));
    }

    void fileMenuEnablesSaveForNamedDocuments()
    {
        // A user's journey: the File menu looked at while untitled, a file opened with Ctrl+O, typed in, Ctrl+S.
        Harness h;
        h.show();
        QVERIFY(h.w().mnuFileSave->isEnabled());
        h.w().mnuFile->popup(QPoint(0, 0));
        QTRY_VERIFY(h.w().mnuFile->isVisible());
        h.w().mnuFile->close();
        QVERIFY(!h.w().mnuFileSave->isEnabled());
        const QString file = h.path(QStringLiteral("a.txt"));
        Harness::write(file, "x");
        h.w().RichTextBox->setFocus();
        QWidget *doc = QApplication::focusWidget();
        h.desktop.openDialog(file);
        QTest::keyClick(doc, Qt::Key_O, Qt::ControlModifier);
        QVERIFY(h.w().mnuFileSave->isEnabled());
        QTest::keyClicks(doc, QStringLiteral("yz"));
        QTest::keyClick(doc, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(Harness::read(file), QByteArray("yzx"));

        h.desktop.openDialog(h.path(QStringLiteral("gone.txt")));
        h.desktop.msgBox(vbNo, Harness::createQuestion(h.path(QStringLiteral("gone.txt"))));
        QTest::keyClick(doc, Qt::Key_O, Qt::ControlModifier);
        QVERIFY2(!h.w().mnuFileSave->isEnabled(), "a declined create leaves the document untitled");
    }

    void exitAndCloseAskOnce_data()
    {
        QTest::addColumn<bool>("exit");       // File > Exit, else the close box
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("ends");
        QTest::newRow("Exit, No: ends without saving") << true << true << int(vbNo) << true;
        QTest::newRow("Exit, Cancel: keeps running") << true << true << int(vbCancel) << false;
        QTest::newRow("close, clean: no question") << false << false << 0 << true;
        QTest::newRow("close, modified, No") << false << true << int(vbNo) << true;
        QTest::newRow("close, modified, Cancel") << false << true << int(vbCancel) << false;
    }

    // Exit also unloads the other windows, and ends the program.
    void exitAndCloseAskOnce()
    {
        QFETCH(bool, exit);
        QFETCH(bool, modified);
        QFETCH(int, answer);
        QFETCH(bool, ends);
        Harness h;
        h.show();
        frmFind::instance();
        frmAbout::instance();
        if (modified) {
            h.w().RichTextBox->setSelText(QStringLiteral("typed"));
            h.desktop.msgBox(answer, Harness::saveQuestion(QStringLiteral("Untitled")), 35);
        }
        if (exit) {
            h.w().mnuFileExit_Click();
            QCOMPARE(h.desktop.count(QStringLiteral("End")), ends ? 1 : 0);
            QCOMPARE(frmFind::isLoaded(), !ends);
            QCOMPARE(frmAbout::isLoaded(), !ends);
        } else {
            h.w().close();   // as the close box does
            QCOMPARE(h.w().isVisible(), !ends);
        }
    }

    void shortcutsReachTheirCommandsFromTheDocument()
    {
        Harness h;
        h.show();
        h.w().RichTextBox->setFocus();
        QWidget *doc = QApplication::focusWidget();
        QVERIFY(doc);
        auto key = [&](int k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(doc, Qt::Key(k), m); };

        QTest::keyClicks(doc, QStringLiteral("abc"));
        key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(h.w().RichTextBox->SelLength(), 3);
        key(Qt::Key_C, Qt::ControlModifier);
        key(Qt::Key_End);
        key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(h.w().RichTextBox->Text(), QStringLiteral("abcabc"));
        key(Qt::Key_Home);
        key(Qt::Key_Delete);
        QCOMPARE(h.w().RichTextBox->Text(), QStringLiteral("bcabc"));
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h.w().RichTextBox->Text(), QStringLiteral("abcabc"));
        key(Qt::Key_W, Qt::ControlModifier);
        QVERIFY(h.w().mnuOptionsWordwrap->isChecked());
        QCOMPARE(h.w().RichTextBox->RightMargin(), 0.0f);
        key(Qt::Key_F1);   // Help is hidden: no call

        h.desktop.modal([](QDialog &) {});
        key(Qt::Key_F, Qt::ControlModifier);
        h.desktop.modal([](QDialog &) {});
        key(Qt::Key_F3);
        h.desktop.modal([](QDialog &) {});
        key(Qt::Key_H, Qt::ControlModifier);
        h.desktop.printDialog(0, cdlCancel);
        key(Qt::Key_P, Qt::ControlModifier);
        h.desktop.saveDialog(QString());
        key(Qt::Key_S, Qt::ControlModifier);   // untitled: straight to Save As, no failure told
        h.desktop.msgBox(vbCancel, Harness::saveQuestion(QStringLiteral("Untitled")));
        key(Qt::Key_N, Qt::ControlModifier);
        QStringList kinds;
        for (const auto &call : h.desktop.calls)
            kinds << call.kind;
        QCOMPARE(kinds, QStringList({"Modal", "Modal", "Modal", "Print", "Save", "MsgBox"}));
    }

    void selectAllKeepsTheView_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("Ctrl+A") << false;
        QTest::newRow("Edit > Select All") << true;
    }

    void selectAllKeepsTheView()
    {
        QFETCH(bool, fromMenu);
        Harness h;
        h.show();
        h.w().RichTextBox->setFocus();
        h.w().RichTextBox->setText(QStringLiteral("line\n").repeated(300));
        QScrollBar *bar = h.w().RichTextBox->findChild<QAbstractScrollArea *>()->verticalScrollBar();
        bar->setValue(bar->maximum() / 2);
        const int middle = bar->value();
        if (fromMenu)
            h.w().mnuEditSelectall->trigger();
        else
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(h.w().RichTextBox->SelLength(), h.w().RichTextBox->textLength());
        QCOMPARE(bar->value(), middle);
    }

    void iconIsTheThemesElseTheBundled_data()
    {
        QTest::addColumn<bool>("themeHasIt");
        QTest::newRow("hicolor/48x48/apps/penwick.png installed: the theme's") << true;
        QTest::newRow("no penwick in the theme: the bundled 16, 32, 64") << false;
    }

    // An installed program shows the theme's icon, as its menu entry does; run from the build folder, its own.
    void iconIsTheThemesElseTheBundled()
    {
        QFETCH(bool, themeHasIt);
        QTemporaryDir icons;
        QDir(icons.path()).mkpath(QStringLiteral("hicolor/48x48/apps"));
        Harness::write(icons.filePath(QStringLiteral("hicolor/index.theme")),
                       "[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps\n\n[48x48/apps]\nSize=48\nType=Fixed\n");
        QImage themed(48, 48, QImage::Format_ARGB32);
        themed.fill(Qt::red);
        if (themeHasIt)
            QVERIFY(themed.save(icons.filePath(QStringLiteral("hicolor/48x48/apps/penwick.png"))));
        const QStringList searchPaths = QIcon::themeSearchPaths();
        const QString themeName = QIcon::themeName();
        QIcon::setThemeSearchPaths({icons.path()});
        QIcon::setThemeName(QStringLiteral("hicolor"));

        Harness h;
        // Drawn before the search paths return: a theme's icon is looked up again when they change.
        const QImage shown = h.w().windowIcon().pixmap(48, 48).toImage();
        const QList<QSize> sizes = h.w().windowIcon().availableSizes();
        QIcon::setThemeSearchPaths(searchPaths);
        QIcon::setThemeName(themeName);
        QVERIFY(!shown.isNull());
        QCOMPARE(shown.pixelColor(24, 24) == QColor(Qt::red), themeHasIt);
        if (!themeHasIt)
            QCOMPARE(sizes, QList<QSize>({QSize(16, 16), QSize(32, 32), QSize(64, 64)}));
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
