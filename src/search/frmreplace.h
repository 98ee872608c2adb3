// The Replace window.
#pragma once

#include <QDialog>

#include "platform/loadedonce.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmReplace : public QDialog, public platform::LoadedOnce<frmReplace>
{
    Q_OBJECT

public:
    QLabel *lblReplace;
    QLineEdit *txtReplace;
    QLineEdit *txtWith;
    QPushButton *cmdReplace;
    QPushButton *cmdAll;
    QPushButton *cmdCancel;
    QCheckBox *chkCase;
    QCheckBox *chkWhole;
    QLabel *lblWith;

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class platform::LoadedOnce<frmReplace>;
    frmReplace();
    ~frmReplace() override;

    void Form_Activate();
    void cmdReplace_Click();
    void cmdAll_Click();
    void cmdCancel_Click();
    int GetOptions();
    int ConfirmReplace(const int &endIndex, const int &options);

    bool m_shown = false;
};
