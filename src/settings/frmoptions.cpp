// The Default Options window's controls with their design values.
#include "settings/frmoptions.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include "app/frmpenwick.h"
#include "platform/richtextbox.h"
#include "platform/services.h"
#include "platform/twips.h"
#include "platform/twipslayout.h"
#include "settings/optionsstore.h"

#include <iterator>

namespace {

// "Fixedsys 9": the font's name and its size as the shortest decimal text.
QString previewCaption(const QFont &font)
{
    return font.family() + QLatin1Char(' ') + platform::numberToText(font.pointSizeF());
}

void setPreview(QLabel *label, const QString &name, double size)
{
    QFont font(name);
    font.setPointSizeF(size);
    label->setFont(font);
}

}

int frmOptions::value(const QCheckBox *box)
{
    return box->isChecked() ? 1 : 0;
}

void frmOptions::setValue(QCheckBox *box, int value)
{
    box->setChecked(value == 1);
}

frmOptions::frmOptions()
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Default Options"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    platform::TwipsLayout &layout = m_layout;

    Frame2 = layout.add<QGroupBox>(this, "Frame2", QStringLiteral("Default Options"), 120, 0, 2955, 1815);
    Label4 = layout.add<QLabel>(this, "Label4", QStringLiteral("&Tab Stop size"), 360, 360, 1155, 195);
    cboTab = new QComboBox(this);
    cboTab->setObjectName(QStringLiteral("cboTab"));
    cboTab->setEditable(true);
    cboTab->addItems({QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("8")});
    layout.place(cboTab, 1560, 360, 615, 315);
    cboTab->setEditText(QString());
    Label4->setBuddy(cboTab);
    chkWrap = layout.add<QCheckBox>(this, "chkWrap", QStringLiteral("&Wordwrap"), 360, 720, 1935, 255);
    chkScreen = layout.add<QCheckBox>(this, "chkScreen", QStringLiteral("Always use this &Screen Size"), 360, 1080, 2295, 255);
    chkStatus = layout.add<QCheckBox>(this, "chkStatus", QStringLiteral("Show Status Bar"), 360, 1440, 1695, 255);
    chkStatus->setChecked(true);

    Frame1 = layout.add<QGroupBox>(this, "Frame1", QStringLiteral("&Fonts"), 120, 1920, 2955, 2175);
    Label1 = layout.add<QLabel>(this, "Label1", QStringLiteral("Screen"), 300, 2160, 855, 255);
    lblScreen = layout.add<platform::FontPreview>(this, "lblScreen", QStringLiteral("Fixedsys 9"), 300, 2400, 2175, 315);
    lblScreen->setFont(QFont(QStringLiteral("Fixedsys"), 9));
    lblScreen->setAutoFillBackground(true);
    lblScreen->setStyleSheet(QStringLiteral("background: white"));
    cmdScreen = layout.add<QPushButton>(this, "cmdScreen", QStringLiteral("..."), 2520, 2400, 435, 315);
    Label2 = layout.add<QLabel>(this, "Label2", QStringLiteral("Printer"), 300, 2880, 735, 255);
    lblPrinter = layout.add<platform::FontPreview>(this, "lblPrinter", QStringLiteral("Courier New 12"), 300, 3120, 2175, 315);
    lblPrinter->setFont(QFont(QStringLiteral("Courier New"), 12));
    lblPrinter->setStyleSheet(QStringLiteral("background: white"));
    cmdPrinter = layout.add<QPushButton>(this, "cmdPrinter", QStringLiteral("..."), 2520, 3120, 435, 315);
    cmdDefaults = layout.add<QPushButton>(this, "cmdDefaults", QStringLiteral("Restore &Default Fonts"), 1020, 3600, 1935, 375);
    cmdOK = layout.add<QPushButton>(this, "cmdOK", QStringLiteral("&OK"), 720, 4260, 1035, 375);
    cmdOK->setDefault(true);
    cmdCancel = layout.add<QPushButton>(this, "cmdCancel", QStringLiteral("&Cancel"), 1920, 4260, 990, 375);
    layOut();
    Frame2->lower();
    Frame1->lower();

    // Focus order: OK, Cancel, Wordwrap, the font buttons, Defaults, tab size, screen size, status bar.
    QWidget *order[] = {cmdOK, cmdCancel, chkWrap, cmdScreen, cmdPrinter, cmdDefaults, cboTab, chkScreen, chkStatus};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(cmdScreen, &QPushButton::clicked, this, &frmOptions::cmdScreen_Click);
    connect(cmdPrinter, &QPushButton::clicked, this, &frmOptions::cmdPrinter_Click);
    connect(cmdDefaults, &QPushButton::clicked, this, &frmOptions::cmdDefaults_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
}

frmOptions::~frmOptions() = default;

void frmOptions::layOut()
{
    m_layout.apply(*this, 3180, 4785);
}

void frmOptions::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Form_Activate();
}

void frmOptions::Form_Activate()
{
    lblScreen->setText(previewCaption(lblScreen->font()));
    lblPrinter->setText(previewCaption(lblPrinter->font()));
    layOut();
    const frmPenwick *main = frmPenwick::instance();
    const float width = float(options::storedNumber(QStringLiteral("Width"), frmPenwick::DefaultWidth, -1e30, 1e30));
    const float height = float(options::storedNumber(QStringLiteral("Height"), frmPenwick::DefaultHeight, -1e30, 1e30));
    const int state = options::storedInt16(QStringLiteral("Maximised"), 0, {0, 1, 2});
    // Storing the size only makes sense when the window differs from what is stored.
    chkScreen->setEnabled(main && (width != float(main->windowWidth()) || height != float(main->windowHeight())
                                   || state != main->WindowState()));
    cmdOK->setFocus();
}

void frmOptions::chooseFont(QLabel *preview)
{
    CommonDialog.Flags = 0x10003;
    if (CommonDialog.ShowFont() != 0)
        return;
    // Only the name and size make the setting: bold and italic chosen in the dialog are dropped.
    setPreview(preview, CommonDialog.FontName, CommonDialog.FontSize);
    preview->setText(CommonDialog.FontName + QLatin1Char(' ') + platform::numberToText(CommonDialog.FontSize));
    layOut();
}

void frmOptions::cmdScreen_Click()
{
    chooseFont(lblScreen);
}

void frmOptions::cmdPrinter_Click()
{
    chooseFont(lblPrinter);
}

void frmOptions::cmdDefaults_Click()
{
    setPreview(lblScreen, QStringLiteral("Fixedsys"), 9);
    setPreview(lblPrinter, QStringLiteral("Courier New"), 12);
    lblScreen->setText(previewCaption(lblScreen->font()));
    lblPrinter->setText(previewCaption(lblPrinter->font()));
    layOut();
}

void frmOptions::cmdOK_Click()
{
    if (frmPenwick *main = frmPenwick::instance()) {
        main->RichTextBox->setFontName(lblScreen->font().family());
        main->RichTextBox->setFontSize(float(lblScreen->font().pointSizeF()));
        main->RichTextBox->setFontBold(false);
        main->RichTextBox->setFontItalic(false);
    }
    options::storeFields(*this);
    if (value(chkScreen) == 1 && frmPenwick::instance()) {
        const frmPenwick *main = frmPenwick::instance();
        options::store(QStringLiteral("Width"), platform::numberToText(float(main->windowWidth())));
        options::store(QStringLiteral("Height"), platform::numberToText(float(main->windowHeight())));
        options::store(QStringLiteral("Maximised"), QString::number(main->WindowState()));
    }
    setValue(chkScreen, 0);
    hide();
}

void frmOptions::cmdCancel_Click()
{
    options::loadFields(*this);
    setValue(chkScreen, 0);
    hide();
}

void frmOptions::reject()
{
    // Esc does nothing here: no button is the cancel button.
}

void frmOptions::closeEvent(QCloseEvent *event)
{
    // Closed from its title bar, the window acts as Cancel and keeps the live settings.
    cmdCancel_Click();
    event->accept();
}
