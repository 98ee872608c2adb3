// The one seam for everything modal: message boxes, file, font, print and help dialogs, modal windows.
#pragma once

#include <QFont>
#include <QString>

class QDialog;
class QPrinter;
class QWidget;

namespace platform {

enum MsgBoxAnswer { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };
enum MsgBoxStyle {
    vbOKOnly = 0, vbYesNoCancel = 3, vbYesNo = 4,
    vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
};
constexpr int cdlCancel = 32755;

struct FileDialogRequest
{
    bool save = false;
    QString initDir;
    QString filter;   // "Text files (*.txt)|*.txt|..."
    int flags = 0;
};

struct FileDialogAnswer
{
    int error = 0;   // 0, or cdlCancel
    QString path;
};

struct FontAnswer
{
    int error = 0;
    QString name;
    float size = 0;
};

struct PrintAnswer
{
    int error = 0;
    int flags = 0;   // the flag word as the dialog returns it
};

class Desktop
{
public:
    virtual ~Desktop() = default;
    virtual int MsgBox(const QString &prompt, int style, const QString &title) = 0;
    virtual FileDialogAnswer fileDialog(const FileDialogRequest &request) = 0;
    // Opens on the font named (none: the dialog's own choice).
    virtual FontAnswer fontDialog(int flags, const QString &name, float size) = 0;
    virtual PrintAnswer printDialog(QPrinter &printer, int flags) = 0;
    virtual int helpDialog() = 0;
    // Shows a window modally and returns once it has been hidden.
    virtual void showModal(QDialog &dialog) = 0;
    // Ends the program at once: no close handlers run.
    virtual void End() = 0;
    // Starts a program; "explorer ADDRESS" hands the address to the desktop's URL handler. 0 when it failed.
    virtual int Shell(const QString &commandLine, int windowStyle) = 0;
};

Desktop &desktop();
// Installs another desktop (tests: the one seam through which they see everything the program asks of the
// desktop); returns the previous one. Null restores the Qt desktop.
Desktop *setDesktop(Desktop *replacement);

class QtDesktop : public Desktop
{
public:
    int MsgBox(const QString &prompt, int style, const QString &title) override;
    FileDialogAnswer fileDialog(const FileDialogRequest &request) override;
    FontAnswer fontDialog(int flags, const QString &name, float size) override;
    PrintAnswer printDialog(QPrinter &printer, int flags) override;
    int helpDialog() override;
    void showModal(QDialog &dialog) override;
    void End() override;
    int Shell(const QString &commandLine, int windowStyle) override;
};

}
