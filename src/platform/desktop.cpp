// The Qt desktop: real message boxes and dialogs.
#include "platform/desktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QUrl>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace platform {

namespace {

Desktop *g_desktop = nullptr;

// A message belongs to the modal window in front, else to the main window: it is centred over it and stays
// above it even when it comes from a search window that has just hidden, or right after a file dialog closed.
QWidget *owner()
{
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal->isVisible())
        return modal;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow *>(w) && w->isVisible())
            return w;
    return QApplication::activeWindow();
}

// "Text files (*.txt)|*.txt|..." becomes Qt's "Text files (*.txt);;..." list.
QString qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << parts[i].section(QLatin1Char('('), 0, 0).trimmed() + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

}

Desktop &desktop()
{
    static QtDesktop qtDesktop;
    return g_desktop ? *g_desktop : qtDesktop;
}

Desktop *setDesktop(Desktop *replacement)
{
    Desktop *previous = g_desktop;
    g_desktop = replacement;
    return previous;
}

int QtDesktop::MsgBox(const QString &prompt, int style, const QString &title)
{
    QMessageBox box(owner());
    box.setWindowTitle(title);
    box.setText(prompt);
    switch (style & 0x70) {
    case vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case vbInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (style & 0x7) {
    case vbYesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case vbYesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    const int result = box.exec();
    switch (result) {
    case QMessageBox::Yes: return vbYes;
    case QMessageBox::No: return vbNo;
    case QMessageBox::Ok: return vbOK;
    default: return (style & 0x7) == vbYesNo ? vbNo : vbCancel;
    }
}

FileDialogAnswer QtDesktop::fileDialog(const FileDialogRequest &request)
{
    QFileDialog dialog(owner());
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // AnyFile in both: a name that does not exist may be typed in Open, and the create question follows.
    dialog.setFileMode(QFileDialog::AnyFile);
    // The overwrite question is asked by CommonDialog, once the default extension is known.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilter(qtFilter(request.filter));
    if (!request.initDir.isEmpty())
        dialog.setDirectory(request.initDir);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {cdlCancel, {}};
    return {0, dialog.selectedFiles().constFirst()};
}

FontAnswer QtDesktop::fontDialog(int, const QString &name, float size)
{
    QFont initial;
    if (!name.isEmpty()) {
        initial = QFont(name);
        initial.setPointSizeF(size > 0 ? size : initial.pointSizeF());
    }
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, owner());
    if (!ok)
        return {cdlCancel, {}, 0};
    return {0, font.family(), float(font.pointSizeF())};
}

PrintAnswer QtDesktop::printDialog(QPrinter &printer, int flags)
{
    QPrintDialog dialog(&printer, owner());
    const bool noSelection = flags & 0x4;
    dialog.setOption(QAbstractPrintDialog::PrintSelection, !noSelection);
    if (dialog.exec() != QDialog::Accepted)
        return {cdlCancel, flags};
    int result = flags & ~0x5;
    if (dialog.printRange() == QAbstractPrintDialog::Selection)
        result |= 0x1;
    else if (dialog.printRange() == QAbstractPrintDialog::PageRange)
        result |= 0x2;
    return {0, result};
}

int QtDesktop::helpDialog()
{
    return 0;
}

void QtDesktop::showModal(QDialog &dialog)
{
    dialog.exec();
}

void QtDesktop::End()
{
    QCoreApplication::exit(0);
}

int QtDesktop::Shell(const QString &commandLine, int)
{
    const QString explorer = QStringLiteral("explorer ");
    if (commandLine.startsWith(explorer))
        return QDesktopServices::openUrl(QUrl(commandLine.mid(explorer.size()))) ? 1 : 0;
    const QStringList parts = QProcess::splitCommand(commandLine);
    if (parts.isEmpty())
        return 0;
    return QProcess::startDetached(parts.first(), parts.mid(1)) ? 1 : 0;
}

}
