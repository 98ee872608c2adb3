// The About box: product, version, and links to the author's mail and the product's web page.
#pragma once

#include <QDialog>

#include "platform/loadedonce.h"

class QLabel;
class QPushButton;

class frmAbout : public QDialog, public platform::LoadedOnce<frmAbout>
{
    Q_OBJECT

public:
    static const QString &mailAddress();
    static const QString &webAddress();

    QLabel *Label1;
    QLabel *Image1;
    QLabel *Image2;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *Label5;
    QLabel *lblMail;
    QLabel *Label7;
    QLabel *lblWeb;
    QPushButton *cmdOK;

    void cmdOK_Click();
    void lblMail_Click();
    void lblWeb_Click();

    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    friend class platform::LoadedOnce<frmAbout>;
    frmAbout();
    ~frmAbout() override;

    bool m_shown = false;
    QLabel *m_pressed = nullptr;   // the link a left button went down on
};
