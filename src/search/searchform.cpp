// Window style, placement and the growing twips layout of the Find and Replace windows.
#include "search/searchform.h"

#include <QApplication>
#include <QDialog>
#include <QScreen>
#include <QWindow>

#include "app/frmpenwick.h"
#include "text/search.h"

namespace search {

void setUpWindow(QDialog &dialog, const QString &caption)
{
    dialog.setWindowTitle(caption);
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint);
    const frmPenwick *main = frmPenwick::instance();
    dialog.setWindowIcon(main ? main->windowIcon() : QApplication::windowIcon());
}

void prepareShowing(QDialog &dialog, bool first)
{
    const frmPenwick *main = frmPenwick::instance();
    dialog.winId();
    if (main && main->windowHandle() && dialog.windowHandle())
        dialog.windowHandle()->setTransientParent(main->windowHandle());
    if (!first)
        return;
    QRect over;
    if (main && main->isVisible())
        over = main->frameGeometry();
    else if (const QScreen *screen = QGuiApplication::primaryScreen())
        over = screen->availableGeometry();
    if (over.isValid())
        dialog.move(over.center() - QPoint(dialog.width() / 2, dialog.height() / 2));
}

int findOptions(bool wholeWord, bool matchCase)
{
    return (wholeWord ? text::WholeWord : 0) | (matchCase ? text::MatchCase : 0);
}

}
