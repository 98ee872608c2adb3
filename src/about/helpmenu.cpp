// The Help menu and the Options command.
#include "app/frmpenwick.h"

#include "about/frmabout.h"
#include "platform/desktop.h"
#include "settings/frmoptions.h"

void frmPenwick::mnuHelpContents_Click()
{
    CommonDialog.ShowHelp();
}

void frmPenwick::mnuHelpAbout_Click()
{
    platform::desktop().showModal(frmAbout::instance());
}

void frmPenwick::mnuOptionsOptions_Click()
{
    platform::desktop().showModal(frmOptions::instance());
}
