// The main window's menu bar: one function per menu, one statement group per item.
#include "app/frmpenwick.h"

#include <QApplication>
#include <QMenuBar>
#include <QTimer>

#include "platform/richtextbox.h"

namespace {

QAction *item(QMenu *menu, const char *name, const QString &caption, const QKeySequence &shortcut = {})
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    return action;
}

QAction *separator(QMenu *menu, const char *name)
{
    QAction *action = menu->addSeparator();
    action->setObjectName(QLatin1String(name));
    return action;
}

QMenu *menu(QMenuBar *bar, const char *name, const QString &caption, QWidget *document)
{
    QMenu *m = bar->addMenu(caption);
    m->setObjectName(QLatin1String(name));
    m->menuAction()->setObjectName(QLatin1String(name));
    // The document takes the keys back once no menu is open: after one Escape Qt leaves the menu bar holding
    // them, where typing and shortcuts go nowhere. A dialog the item opens gives the focus back to it too.
    QObject::connect(m, &QMenu::aboutToHide, document, [document] {
        QTimer::singleShot(0, document, [document] {
            if (!QApplication::activePopupWidget())
                document->setFocus();
        });
    });
    return m;
}

}

void frmPenwick::setupFileMenu()
{
    mnuFile = menu(menuBar(), "mnuFile", QStringLiteral("&File"), RichTextBox);
    connect(mnuFile, &QMenu::aboutToShow, this, &frmPenwick::mnuFile_Click);
    mnuFileNew = item(mnuFile, "mnuFileNew", QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(mnuFileNew, &QAction::triggered, this, &frmPenwick::mnuFileNew_Click);
    mnuFileOpen = item(mnuFile, "mnuFileOpen", QStringLiteral("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(mnuFileOpen, &QAction::triggered, this, &frmPenwick::mnuFileOpen_Click);
    mnuFileSave = item(mnuFile, "mnuFileSave", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(mnuFileSave, &QAction::triggered, this, &frmPenwick::mnuFileSave_Click);
    mnuFileSaveas = item(mnuFile, "mnuFileSaveas", QStringLiteral("Save &As..."));
    connect(mnuFileSaveas, &QAction::triggered, this, &frmPenwick::mnuFileSaveas_Click);
    mnuSeperator1 = separator(mnuFile, "mnuSeperator1");
    mnuFilePrint = item(mnuFile, "mnuFilePrint", QStringLiteral("&Print..."), QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(mnuFilePrint, &QAction::triggered, this, &frmPenwick::mnuFilePrint_Click);
    mnuSeperator2 = separator(mnuFile, "mnuSeperator2");
    mnuFileExit = item(mnuFile, "mnuFileExit", QStringLiteral("E&xit"));
    connect(mnuFileExit, &QAction::triggered, this, &frmPenwick::mnuFileExit_Click);
}

void frmPenwick::setupEditMenu()
{
    mnuEdit = menu(menuBar(), "mnuEdit", QStringLiteral("&Edit"), RichTextBox);
    connect(mnuEdit, &QMenu::aboutToShow, this, &frmPenwick::mnuEdit_Click);
    mnuEditUndo = item(mnuEdit, "mnuEditUndo", QStringLiteral("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(mnuEditUndo, &QAction::triggered, this, &frmPenwick::mnuEditUndo_Click);
    mnuSeperator3 = separator(mnuEdit, "mnuSeperator3");
    mnuEditCut = item(mnuEdit, "mnuEditCut", QStringLiteral("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X));
    connect(mnuEditCut, &QAction::triggered, this, &frmPenwick::mnuEditCut_Click);
    mnuEditCopy = item(mnuEdit, "mnuEditCopy", QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(mnuEditCopy, &QAction::triggered, this, &frmPenwick::mnuEditCopy_Click);
    mnuEditPaste = item(mnuEdit, "mnuEditPaste", QStringLiteral("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V));
    connect(mnuEditPaste, &QAction::triggered, this, &frmPenwick::mnuEditPaste_Click);
    mnuEditDelete = item(mnuEdit, "mnuEditDelete", QStringLiteral("De&lete"), QKeySequence(Qt::Key_Delete));
    connect(mnuEditDelete, &QAction::triggered, this, &frmPenwick::mnuEditDelete_Click);
    mnuSeperator4 = separator(mnuEdit, "mnuSeperator4");
    mnuEditSelectall = item(mnuEdit, "mnuEditSelectall", QStringLiteral("Select &All"), QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(mnuEditSelectall, &QAction::triggered, this, &frmPenwick::mnuEditSelectall_Click);
}

void frmPenwick::setupSearchMenu()
{
    mnuSearch = menu(menuBar(), "mnuSearch", QStringLiteral("&Search"), RichTextBox);
    mnuSearchFind = item(mnuSearch, "mnuSearchFind", QStringLiteral("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(mnuSearchFind, &QAction::triggered, this, &frmPenwick::mnuSearchFind_Click);
    mnuSearchNext = item(mnuSearch, "mnuSearchNext", QStringLiteral("Find &Next"), QKeySequence(Qt::Key_F3));
    connect(mnuSearchNext, &QAction::triggered, this, &frmPenwick::mnuSearchNext_Click);
    mnuSearchReplace = item(mnuSearch, "mnuSearchReplace", QStringLiteral("&Replace..."), QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(mnuSearchReplace, &QAction::triggered, this, &frmPenwick::mnuSearchReplace_Click);
}

void frmPenwick::setupOptionsMenu()
{
    mnuOptions = menu(menuBar(), "mnuOptions", QStringLiteral("&Options"), RichTextBox);
    mnuOptionsWordwrap = item(mnuOptions, "mnuOptionsWordwrap", QStringLiteral("&Wordwrap"), QKeySequence(Qt::CTRL | Qt::Key_W));
    mnuOptionsWordwrap->setCheckable(true);
    connect(mnuOptionsWordwrap, &QAction::triggered, this, &frmPenwick::mnuOptionsWordwrap_Click);
    mnuSeperator5 = separator(mnuOptions, "mnuSeperator5");
    mnuOptionsOptions = item(mnuOptions, "mnuOptionsOptions", QStringLiteral("Options"));
    connect(mnuOptionsOptions, &QAction::triggered, this, &frmPenwick::mnuOptionsOptions_Click);
}

void frmPenwick::setupHelpMenu()
{
    mnuHelp = menu(menuBar(), "mnuHelp", QStringLiteral("&Help"), RichTextBox);
    mnuHelpContents = item(mnuHelp, "mnuHelpContents", QStringLiteral("&Contents..."), QKeySequence(Qt::Key_F1));
    mnuHelpContents->setVisible(false);
    mnuHelpContents->setEnabled(false);
    connect(mnuHelpContents, &QAction::triggered, this, &frmPenwick::mnuHelpContents_Click);
    mnuHelpAbout = item(mnuHelp, "mnuHelpAbout", QStringLiteral("&About..."));
    connect(mnuHelpAbout, &QAction::triggered, this, &frmPenwick::mnuHelpAbout_Click);
}
