// The ten settings read into the live fields at start-up, and the window kept inside the screen.
#include "app/frmpenwick.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include "platform/services.h"
#include "platform/statusbar.h"
#include "platform/twips.h"
#include "settings/frmoptions.h"
#include "settings/placement.h"

#include <cmath>

using namespace platform;

namespace {

const QString App = QStringLiteral("Penwick");
const QString Section = QStringLiteral("Options");

// A hand-edited value that is not a number, or out of its range, reads as the key's default.
double readNumber(const QString &key, double defaultValue, double lowest, double highest)
{
    double value = 0;
    const QString text = GetSetting(App, Section, key, numberToText(defaultValue));
    if (!textToNumber(text, value) || value < lowest || value > highest)
        return defaultValue;
    return value;
}

int readInt16(const QString &key, int defaultValue, std::initializer_list<int> allowed)
{
    const double value = readNumber(key, defaultValue, -32768.5, 32767.5);
    const int rounded = int(std::nearbyint(value));
    for (const int a : allowed)
        if (a == rounded)
            return rounded;
    return defaultValue;
}

QFont previewFont(const QString &nameKey, const QString &defaultName, const QString &sizeKey, double defaultSize)
{
    QString name = GetSetting(App, Section, nameKey, defaultName);
    if (name.trimmed().isEmpty())
        name = defaultName;
    QFont font(name);
    font.setPointSizeF(readNumber(sizeKey, defaultSize, 1, 999));
    return font;
}

}

void frmPenwick::LoadSettings()
{
    frmOptions &options = frmOptions::instance();
    frmOptions::setValue(options.chkWrap, readInt16(QStringLiteral("Wrap"), 0, {0, 1}));
    options.lblPrinter->setFont(previewFont(QStringLiteral("PrntFont"), QStringLiteral("Courier New"), QStringLiteral("PrntFontSize"), 12));
    options.lblScreen->setFont(previewFont(QStringLiteral("ScrnFont"), QStringLiteral("Fixedsys"), QStringLiteral("ScrnFontSize"), 9));
    options.cboTab->setEditText(GetSetting(App, Section, QStringLiteral("TabSize"), QStringLiteral("8")));
    frmOptions::setValue(options.chkStatus, readInt16(QStringLiteral("StatusBar"), 1, {0, 1}));
    // Sizes from a hand-edited store stay between an inch and ten times the screen.
    setWindowWidth(readNumber(QStringLiteral("Width"), 7470, 1440, 10 * ScreenWidthTwips()));
    setWindowHeight(readNumber(QStringLiteral("Height"), 6375, 1440, 10 * ScreenHeightTwips()));
    setWindowState(readInt16(QStringLiteral("Maximised"), 0, {0, 1, 2}));
    if (frmOptions::value(options.chkWrap) == 1)
        Wordwrap();
    if (frmOptions::value(options.chkStatus) == 0)
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
    const int frame = frameGeometry().width() - geometry().width();
    resize(qMax(1, twipsToPixels(twips) - frame), height());
}

void frmPenwick::setWindowHeight(double twips)
{
    const int frame = frameGeometry().height() - geometry().height();
    resize(width(), qMax(1, twipsToPixels(twips) - frame));
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
