// The Find window and Find Next.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmFind : public QDialog
{
    Q_OBJECT

public:
    static frmFind &instance();   // created hidden on first touch
    static bool isLoaded();
    static void unload();

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
    frmFind();
    ~frmFind() override;

    void Form_Activate();
    void cmdCancel_Click();

    bool m_shown = false;
};
