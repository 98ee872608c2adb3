// The Default Options window: while hidden it holds the live settings that the rest of the program reads.
#pragma once

#include <QDialog>

#include "platform/commondialog.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

class frmOptions : public QDialog
{
    Q_OBJECT

public:
    // The one instance, created hidden on first touch, destroyed by unload().
    static frmOptions &instance();
    static bool isLoaded();
    static void unload();

    QGroupBox *Frame2;
    QLabel *Label4;
    QComboBox *cboTab;
    QCheckBox *chkWrap;
    QCheckBox *chkScreen;
    QCheckBox *chkStatus;
    QGroupBox *Frame1;
    QLabel *Label1;
    QLabel *lblScreen;
    QPushButton *cmdScreen;
    QLabel *Label2;
    QLabel *lblPrinter;
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
    void chooseFont(QLabel *preview);
    frmOptions();
    ~frmOptions() override;
};
