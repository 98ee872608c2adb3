// The Replace window.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmReplace : public QDialog
{
    Q_OBJECT

public:
    static frmReplace &instance();   // created hidden on first touch
    static bool isLoaded();
    static void unload();

    QLabel *lblReplace;
    QLineEdit *txtReplace;
    QLineEdit *txtWith;
    QPushButton *cmdReplace;
    QPushButton *cmdAll;
    QPushButton *cmdCancel;
    QCheckBox *chkCase;
    QCheckBox *chkWhole;
    QLabel *lblWith;

private:
    frmReplace();
    ~frmReplace() override;
};
