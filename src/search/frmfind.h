// The Find window and Find Next.
#pragma once

#include <QDialog>

#include "platform/loadedonce.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmFind : public QDialog, public platform::LoadedOnce<frmFind>
{
    Q_OBJECT

public:
    QLabel *lblFind;
    QLineEdit *txtFind;
    QPushButton *cmdFind;
    QPushButton *cmdCancel;
    QCheckBox *chkCase;
    QCheckBox *chkWhole;

    void cmdFind_Click();

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    friend class platform::LoadedOnce<frmFind>;
    frmFind();
    ~frmFind() override;

    void Form_Activate();
    void cmdCancel_Click();

    bool m_shown = false;
};
