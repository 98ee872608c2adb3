// Reading and writing the seven option keys, with the defaults and conversions of start-up.
#include "settings/optionsstore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include "platform/services.h"
#include "settings/frmoptions.h"

#include <cmath>

using namespace platform;

namespace options {

namespace {

const QString App = QStringLiteral("Penwick");
const QString Section = QStringLiteral("Options");

QFont storedFont(const QString &nameKey, const QString &defaultName, const QString &sizeKey, double defaultSize)
{
    QString name = GetSetting(App, Section, nameKey, defaultName);
    if (name.trimmed().isEmpty())
        name = defaultName;
    QFont font(name);
    font.setPointSizeF(storedNumber(sizeKey, defaultSize, 1, 999));
    return font;
}

}

double storedNumber(const QString &key, double defaultValue, double lowest, double highest)
{
    double value = 0;
    const QString text = GetSetting(App, Section, key, numberToText(defaultValue));
    if (!textToNumber(text, value) || value < lowest || value > highest)
        return defaultValue;
    return value;
}

int storedInt16(const QString &key, int defaultValue, std::initializer_list<int> allowed)
{
    const int value = int(std::nearbyint(storedNumber(key, defaultValue, -32768.5, 32767.5)));
    for (const int a : allowed)
        if (a == value)
            return value;
    return defaultValue;
}

void loadFields(frmOptions &o)
{
    frmOptions::setValue(o.chkWrap, storedInt16(QStringLiteral("Wrap"), 0, {0, 1}));
    o.lblPrinter->setFont(storedFont(QStringLiteral("PrntFont"), QStringLiteral("Courier New"), QStringLiteral("PrntFontSize"), 12));
    o.lblScreen->setFont(storedFont(QStringLiteral("ScrnFont"), QStringLiteral("Fixedsys"), QStringLiteral("ScrnFontSize"), 9));
    o.cboTab->setEditText(GetSetting(App, Section, QStringLiteral("TabSize"), QStringLiteral("8")));
    frmOptions::setValue(o.chkStatus, storedInt16(QStringLiteral("StatusBar"), 1, {0, 1}));
}

void store(const QString &key, const QString &value)
{
    SaveSetting(App, Section, key, value);
}

void storeFields(const frmOptions &o)
{
    store(QStringLiteral("Wrap"), QString::number(frmOptions::value(o.chkWrap)));
    store(QStringLiteral("PrntFont"), o.lblPrinter->font().family());
    store(QStringLiteral("PrntFontSize"), numberToText(o.lblPrinter->font().pointSizeF()));
    store(QStringLiteral("ScrnFont"), o.lblScreen->font().family());
    store(QStringLiteral("ScrnFontSize"), numberToText(o.lblScreen->font().pointSizeF()));
    store(QStringLiteral("TabSize"), o.cboTab->currentText());
    store(QStringLiteral("StatusBar"), QString::number(frmOptions::value(o.chkStatus)));
}

}
