// The common dialog component: file, font, print and help dialogs through the desktop seam.
#pragma once

#include <QString>

#include <memory>

class QPrinter;

namespace platform {

constexpr int cdlOFNOverwritePrompt = 0x2;
constexpr int cdlOFNHideReadOnly = 0x4;
constexpr int cdlOFNPathMustExist = 0x800;

class CommonDialog
{
public:
    CommonDialog();
    ~CommonDialog();

    QString FileName;
    QString InitDir;
    QString Filter;
    QString DefaultExt;
    int Flags = 0;
    QString FontName;
    float FontSize = 0;

    // 0, cdlCancel (32755) when the user cancelled, or another error number.
    int ShowOpen();
    int ShowSave();
    int ShowPrinter();
    int ShowFont();
    int ShowHelp();
    QPrinter *hDC();

private:
    std::unique_ptr<QPrinter> m_printer;
};

}
