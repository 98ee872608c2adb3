// The Default Options window: while hidden it holds the live settings that the rest of the program reads.
#pragma once

#include <QDialog>

#include "platform/loadedonce.h"

#include "platform/commondialog.h"
#include "platform/fonts.h"
#include "platform/twipslayout.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

class frmOptions : public QDialog, public platform::LoadedOnce<frmOptions>
{
    Q_OBJECT

public:
    QGroupBox *Frame2;
    QLabel *Label4;
    QComboBox *cboTab;
    QCheckBox *chkWrap;
    QCheckBox *chkScreen;
    QCheckBox *chkStatus;
    QGroupBox *Frame1;
    QLabel *Label1;
    platform::FontPreview *lblScreen;
    QPushButton *cmdScreen;
    QLabel *Label2;
    platform::FontPreview *lblPrinter;
    QPushButton *cmdPrinter;
    QPushButton *cmdDefaults;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

    // Check boxes as the numbers the settings store holds: 1 checked, 0 not.
    static int value(const QCheckBox *box);
    static void setValue(QCheckBox *box, int value);

    // The font dialog of this window, keeping the last font chosen through either button.
    platform::CommonDialog CommonDialog;

    void Form_Activate();
    void cmdScreen_Click();
    void cmdPrinter_Click();
    void cmdDefaults_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    friend class platform::LoadedOnce<frmOptions>;
    void chooseFont(QLabel *preview);
    void layOut();   // again whenever a preview's caption changes, so no caption is clipped

    platform::TwipsLayout m_layout;
    frmOptions();
    ~frmOptions() override;
};
