// The Help menu and the Options command.
#include "app/frmpenwick.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/desktop.h"
#include "settings/frmoptions.h"

void frmPenwick::mnuHelpContents_Click()
{
    CommonDialog.ShowHelp();
}

void frmPenwick::mnuHelpAbout_Click()
{
    platform::desktop().MsgBox(QStringLiteral("Penwick 1.63\nA small, fast, trustworthy plain-text editor."),
                               platform::vbOKOnly + platform::vbInformation, QStringLiteral("About Penwick"));
}

void frmPenwick::mnuOptionsOptions_Click()
{
    platform::desktop().showModal(frmOptions::instance());
}
