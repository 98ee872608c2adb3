// The main window: its controls, menu, start-up and shutdown, and every behaviour the other folders define on it.
#pragma once

#include <QMainWindow>
#include <QTimer>

#include "platform/commondialog.h"

class QAction;
class QMenu;

namespace platform {
class RichTextBox;
class StatusBar;
}

class frmPenwick : public QMainWindow
{
    Q_OBJECT

public:
    // Sizes in twips: the client area as designed, and the outer window a first start opens at.
    static constexpr int DesignClientWidth = 7350;
    static constexpr int DesignClientHeight = 5685;
    static constexpr int DefaultWidth = 7470;
    static constexpr int DefaultHeight = 6375;

    frmPenwick();
    ~frmPenwick() override;

    static frmPenwick *instance();   // the one main window, once constructed

    // Controls
    platform::RichTextBox *RichTextBox;
    platform::RichTextBox *tmpClipboard;
    platform::StatusBar *StatusBar;
    platform::CommonDialog CommonDialog;

    // Menu
    QMenu *mnuFile, *mnuEdit, *mnuSearch, *mnuOptions, *mnuHelp;
    QAction *mnuFileNew, *mnuFileOpen, *mnuFileSave, *mnuFileSaveas, *mnuSeperator1, *mnuFilePrint,
        *mnuSeperator2, *mnuFileExit;
    QAction *mnuEditUndo, *mnuSeperator3, *mnuEditCut, *mnuEditCopy, *mnuEditPaste, *mnuEditDelete,
        *mnuSeperator4, *mnuEditSelectall;
    QAction *mnuSearchFind, *mnuSearchNext, *mnuSearchReplace;
    QAction *mnuOptionsWordwrap, *mnuSeperator5, *mnuOptionsOptions;
    QAction *mnuHelpContents, *mnuHelpAbout;

    // Start-up and shutdown (app/frmpenwick.cpp)
    void Form_Load();
    void Form_Resize();
    void Form_Unload(int &Cancel);
    double ScaleWidth() const;    // client area, twips
    double ScaleHeight() const;

    // Layout and caret display (edit/caret.cpp)
    void Coords();

    // Word wrap and tab stops (edit/wrap.cpp)
    void Wordwrap();
    void SetTabs();

    // Window geometry in twips, outer size; state 0 normal, 1 minimised, 2 maximised (settings/loadsettings.cpp)
    double windowLeft() const;
    double windowTop() const;
    double windowWidth() const;
    double windowHeight() const;
    void setWindowLeft(double twips);
    void setWindowTop(double twips);
    void setWindowWidth(double twips);
    void setWindowHeight(double twips);
    int WindowState() const;
    void setWindowState(int state);

    // Menu handlers
    void mnuFile_Click();
    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileSave_Click();
    void mnuFileSaveas_Click();
    void mnuFilePrint_Click();
    void mnuFileExit_Click();
    void mnuEdit_Click();
    void mnuEditUndo_Click();
    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnuEditDelete_Click();
    void mnuEditSelectall_Click();
    void mnuSearchFind_Click();
    void mnuSearchNext_Click();
    void mnuSearchReplace_Click();
    void mnuOptionsWordwrap_Click();
    void mnuOptionsOptions_Click();
    void mnuHelpContents_Click();
    void mnuHelpAbout_Click();

    // Edit control events (edit/editcommands.cpp)
    void RichTextBox_Change();
    void RichTextBox_Click();
    void RichTextBox_SelChange();
    void RichTextBox_KeyDown(int &KeyCode, int Shift);
    void RichTextBox_KeyUp(int &KeyCode, int Shift);
    void RichTextBox_MouseUp(int Button, int Shift, float X, float Y);

    // Drops (app/documents.cpp)
    void Form_OLEDragDrop(const QStringList &files);
    void RichTextBox_OLEDragDrop(const QStringList &files);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void setupFileMenu();
    void setupEditMenu();
    void setupSearchMenu();
    void setupOptionsMenu();
    void setupHelpMenu();
    void connectEditControl();

    // Documents (app/documents.cpp)
    QString QuerySave();
    void OpenFile(const QString &path);
    QString SetCaption(const QString &path);
    void SetInitDir();
    void SaveFollowsName();   // Save is enabled exactly when the document has a name
    bool openLeftBackup(const QString &path);
    void discardRecoveredBackup();
    // The left-over copy the document was opened from, and the file it belongs to, until that file is saved.
    QString m_recoveredBackup;
    QString m_recoveredFor;

    // Unsaved edits that a crash left in the journal, and this window's own journal failing (app/recovery.cpp)
    enum class Recovery { Nothing, Asked, Recovered };
    bool OfferJournals();   // true when a recovered document is now this window's
    Recovery recoverJournal(const QString &file);
    void RichTextBox_JournalProblem(const QString &problem);
    void journalMessageWaits();   // an edit: the message waits until typing pauses
    void tellJournalProblem();
    QString journalProblemMessage() const;
    QString m_journalProblem;
    bool m_journalProblemTold = false;
    QTimer m_journalMessage;
    // A recovered journal, kept locked until the recovered document's own journal is on the disk.
    QString m_oldJournal;
    int m_oldJournalLock = -1;

    // Start-up (app/frmpenwick.cpp, settings/loadsettings.cpp)
    void OpenCommandLine(QString &cmd);
    void LoadSettings();
    void PlaceWindow();

    // Clipboard (edit/editcommands.cpp)
    void CopyPlainText();

    // The outer size asked for before the window had a frame, kept once the frame is known.
    void keepOuterSize();
    double m_outerWidth = 0;
    double m_outerHeight = 0;
    bool m_frameKnown = false;

    QWidget *m_client;
    QTimer m_coordsAfterResize;
};
