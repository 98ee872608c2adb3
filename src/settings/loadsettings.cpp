// The ten settings read into the live fields at start-up, and the window kept inside the screen.
#include "app/frmpenwick.h"

#include "platform/services.h"
#include "platform/statusbar.h"
#include "platform/twips.h"
#include "settings/frmoptions.h"
#include "settings/optionsstore.h"
#include "settings/placement.h"

using namespace platform;

void frmPenwick::LoadSettings()
{
    frmOptions &live = frmOptions::instance();
    options::loadFields(live);
    // Sizes from a hand-edited store stay between an inch and ten times the screen.
    setWindowWidth(options::storedNumber(QStringLiteral("Width"), DefaultWidth, 1440, 10 * ScreenWidthTwips()));
    setWindowHeight(options::storedNumber(QStringLiteral("Height"), DefaultHeight, 1440, 10 * ScreenHeightTwips()));
    setWindowState(options::storedInt16(QStringLiteral("Maximised"), 0, {0, 1, 2}));
    if (frmOptions::value(live.chkWrap) == 1)
        Wordwrap();
    if (frmOptions::value(live.chkStatus) == 0)
        StatusBar->setVisible(false);
    PlaceWindow();
}

void frmPenwick::PlaceWindow()
{
    // A maximised or minimised window keeps its state; the desktop places those itself.
    if (WindowState() != 0)
        return;
    const WindowRect placed = placeWindow({windowLeft(), windowTop(), windowWidth(), windowHeight()},
                                          ScreenWidthTwips(), ScreenHeightTwips());
    setWindowLeft(placed.left);
    setWindowTop(placed.top);
    setWindowWidth(placed.width);
    setWindowHeight(placed.height);
}

double frmPenwick::windowLeft() const
{
    return pixelsToTwips(frameGeometry().x());
}

double frmPenwick::windowTop() const
{
    return pixelsToTwips(frameGeometry().y());
}

double frmPenwick::windowWidth() const
{
    return pixelsToTwips(frameGeometry().width());
}

double frmPenwick::windowHeight() const
{
    return pixelsToTwips(frameGeometry().height());
}

void frmPenwick::setWindowLeft(double twips)
{
    move(twipsToPixels(twips), pos().y());
}

void frmPenwick::setWindowTop(double twips)
{
    move(pos().x(), twipsToPixels(twips));
}

void frmPenwick::setWindowWidth(double twips)
{
    m_outerWidth = twips;
    const int frame = frameGeometry().width() - geometry().width();
    resize(qMax(1, twipsToPixels(twips) - frame), height());
}

void frmPenwick::setWindowHeight(double twips)
{
    m_outerHeight = twips;
    const int frame = frameGeometry().height() - geometry().height();
    resize(width(), qMax(1, twipsToPixels(twips) - frame));
}

void frmPenwick::keepOuterSize()
{
    // Sizes are outer sizes, frame included; the frame is known only once the window is on screen.
    if (m_frameKnown || frameGeometry().size() == geometry().size() || WindowState() != 0)
        return;
    m_frameKnown = true;
    setWindowWidth(m_outerWidth);
    setWindowHeight(m_outerHeight);
}

void frmPenwick::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    keepOuterSize();
}

void frmPenwick::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    keepOuterSize();
}

int frmPenwick::WindowState() const
{
    if (isMinimized())
        return 1;
    if (isMaximized())
        return 2;
    return 0;
}

void frmPenwick::setWindowState(int state)
{
    const Qt::WindowStates states[3] = {Qt::WindowNoState, Qt::WindowMinimized, Qt::WindowMaximized};
    QMainWindow::setWindowState(states[qBound(0, state, 2)]);
}
