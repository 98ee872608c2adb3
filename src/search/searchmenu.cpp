// The Search menu's commands.
#include "app/frmpenwick.h"

#include <QLineEdit>

#include "platform/desktop.h"
#include "search/frmfind.h"
#include "search/frmreplace.h"

void frmPenwick::mnuSearchFind_Click()
{
    platform::desktop().showModal(frmFind::instance());
}

void frmPenwick::mnuSearchNext_Click()
{
    if (frmFind::instance().txtFind->text().isEmpty())
        mnuSearchFind_Click();
    else
        frmFind::instance().cmdFind_Click();
}

void frmPenwick::mnuSearchReplace_Click()
{
    platform::desktop().showModal(frmReplace::instance());
}
