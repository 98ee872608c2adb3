// The common dialog: the default extension and the replace question are ours, asked in Save As only.
#include "platform/commondialog.h"

#include <QFileInfo>
#include <QPrinter>

#include "platform/desktop.h"
#include "text/filename.h"

namespace platform {

CommonDialog::CommonDialog() = default;
CommonDialog::~CommonDialog() = default;

int CommonDialog::ShowOpen()
{
    const FileDialogAnswer answer = desktop().fileDialog({false, InitDir, Filter, Flags});
    if (answer.error)
        return answer.error;
    FileName = text::recoverName(answer.path);
    return 0;
}

int CommonDialog::ShowSave()
{
    for (;;) {
        const FileDialogAnswer answer = desktop().fileDialog({true, InitDir, Filter, Flags});
        if (answer.error)
            return answer.error;
        QString path = text::recoverName(answer.path);
        if (!DefaultExt.isEmpty() && !text::fileExists(path) && QFileInfo(path).suffix().isEmpty())
            path += QLatin1Char('.') + DefaultExt;
        if ((Flags & cdlOFNOverwritePrompt) && text::fileExists(path)) {
            const QString prompt = QLatin1Char('\'') + text::displayName(path) + QStringLiteral("' already exists. Do you want to replace it?");
            if (desktop().MsgBox(prompt, vbYesNo + vbExclamation, QStringLiteral("Penwick")) != vbYes)
                continue;
        }
        FileName = path;
        return 0;
    }
}

int CommonDialog::ShowPrinter()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const PrintAnswer answer = desktop().printDialog(*m_printer, Flags);
    if (answer.error)
        return answer.error;
    Flags = answer.flags;
    return 0;
}

int CommonDialog::ShowFont()
{
    const FontAnswer answer = desktop().fontDialog(Flags, FontName, FontSize);
    if (answer.error)
        return answer.error;
    FontName = answer.name;
    FontSize = answer.size;
    return 0;
}

int CommonDialog::ShowHelp()
{
    return desktop().helpDialog();
}

QPrinter *CommonDialog::hDC()
{
    return m_printer.get();
}

}
