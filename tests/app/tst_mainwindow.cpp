// The main window's menu reached by real keys from the document: each item's caption, shortcut and command;
// Select All keeping the view; the window's icon.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>

#include "harness.h"
#include "platform/richtextbox.h"

using namespace platform;

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { EXPECT_DESKTOP_SATISFIED(); }

    void menuByKeys_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<QString>("keys");    // pressed in the document: the shortcut, or the access keys of menu and item
        QTest::addColumn<QString>("call");    // what the command asks of the desktop, answered by cancelling
        QTest::addColumn<QString>("text");    // afterwards, from "a[b]c" with "xy" on the clipboard; [] the selection
        QTest::addColumn<QString>("clip");
        const char *rows[][6] = {
            {"mnuFileNew", "&New", "Ctrl+N", "Ctrl+N", "MsgBox", "a[b]c"},
            {"mnuFileOpen", "&Open...", "Ctrl+O", "Ctrl+O", "Open", "a[b]c"},
            {"mnuFileSave", "&Save", "Ctrl+S", "Ctrl+S", "Save", "a[b]c"},   // untitled: straight to Save As, no failure told
            {"mnuFileSaveas", "Save &As...", "", "Alt+F, A", "Save", "a[b]c"},
            {"mnuFilePrint", "&Print...", "Ctrl+P", "Ctrl+P", "Print", "a[b]c"},
            {"mnuFileExit", "E&xit", "", "Alt+F, X", "MsgBox", "a[b]c"},
            {"mnuEditUndo", "&Undo", "Ctrl+Z", "Ctrl+Z", "", "[]"},
            {"mnuEditCut", "Cu&t", "Ctrl+X", "Ctrl+X", "", "a[]c"},
            {"mnuEditCopy", "&Copy", "Ctrl+C", "Ctrl+C", "", "a[b]c"},
            {"mnuEditPaste", "&Paste", "Ctrl+V", "Ctrl+V", "", "axy[]c"},
            {"mnuEditDelete", "De&lete", "Del", "Alt+E, L", "", "a[]c"},
            {"mnuEditSelectall", "Select &All", "Ctrl+A", "Ctrl+A", "", "[abc]"},
            {"mnuSearchFind", "&Find...", "Ctrl+F", "Alt+S, F", "Modal frmFind", "a[b]c"},
            {"mnuSearchNext", "Find &Next", "F3", "F3", "Modal frmFind", "a[b]c"},   // no search text yet: the window
            {"mnuSearchReplace", "&Replace...", "Ctrl+H", "Ctrl+H", "Modal frmReplace", "a[b]c"},
            {"mnuOptionsWordwrap", "&Wordwrap", "Ctrl+W", "Ctrl+W", "", "a[b]c"},
            {"mnuOptionsOptions", "Options", "", "Alt+O, Down, Return", "Modal frmOptions", "a[b]c"},
            {"mnuHelpContents", "&Contents...", "F1", "F1", "", "a[b]c"},   // hidden and disabled: nothing happens
            {"mnuHelpAbout", "&About...", "", "Alt+H, A", "Modal frmAbout", "a[b]c"},
        };
        for (const auto &row : rows) {
            const QString text = QString::fromLatin1(row[5]);
            const bool copies = qstrcmp(row[0], "mnuEditCut") == 0 || qstrcmp(row[0], "mnuEditCopy") == 0;
            QTest::newRow(row[0]) << row[0] << row[1] << row[2] << row[3] << row[4] << text << (copies ? "b" : "xy");
        }
        QTest::newRow("Del in the document, nothing selected: the control's own delete")
            << "mnuEditDelete" << "De&lete" << "Del" << "Left, Del" << "" << "a[]c" << "xy";
    }

    void menuByKeys()
    {
        QFETCH(QString, action);
        QFETCH(QString, caption);
        QFETCH(QString, shortcut);
        QFETCH(QString, keys);
        QFETCH(QString, call);
        QFETCH(QString, text);
        QFETCH(QString, clip);
        Harness h;
        h.show();
        auto *item = h.w().findChild<QAction *>(action);
        QVERIFY(item);
        QCOMPARE(item->text(), caption);
        QCOMPARE(item->shortcut().toString(), shortcut);
        h.w().RichTextBox->setFocus();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("abc"));
        h.w().RichTextBox->setSelStart(1);
        h.w().RichTextBox->setSelLength(1);
        QApplication::clipboard()->setText(QStringLiteral("xy"));
        if (call == QLatin1String("MsgBox"))
            h.desktop.msgBox(vbCancel, Harness::saveQuestion(QStringLiteral("Untitled")));
        else if (call == QLatin1String("Open"))
            h.desktop.openDialog(QString());
        else if (call == QLatin1String("Save"))
            h.desktop.saveDialog(QString());
        else if (call == QLatin1String("Print"))
            h.desktop.printDialog(0, cdlCancel);
        else if (call.startsWith(QLatin1String("Modal")))
            h.desktop.modal([](QDialog &) {});
        const QKeySequence sequence(keys);
        for (int i = 0; i < sequence.count(); ++i)   // to the open menu, once one opened
            QTest::keySequence(QApplication::activePopupWidget() ? nullptr : QApplication::focusWidget(), QKeySequence(sequence[i]));
        QStringList calls;
        for (const auto &c : h.desktop.calls)
            calls << (c.kind == QLatin1String("Modal") ? c.kind + QLatin1Char(' ') + c.prompt : c.kind);
        QCOMPARE(calls.join(QLatin1Char(',')), call);
        QString shown = h.w().RichTextBox->Text();
        const int start = h.w().RichTextBox->SelStart();
        shown.insert(start + h.w().RichTextBox->SelLength(), QLatin1Char(']'));
        shown.insert(start, QLatin1Char('['));
        QCOMPARE(shown, text);
        QCOMPARE(QApplication::clipboard()->text(), clip);
        QCOMPARE(item->isChecked(), item->isCheckable());   // Ctrl+W turns word wrap on
        if (item->isChecked())
            QCOMPARE(h.w().RichTextBox->RightMargin(), 0.0f);
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
