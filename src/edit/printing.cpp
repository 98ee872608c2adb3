// Printing the document or its selection in the printer font.
#include "app/frmpenwick.h"

#include <QLabel>

#include "platform/desktop.h"
#include "platform/richtextbox.h"
#include "settings/frmoptions.h"

void frmPenwick::mnuFilePrint_Click()
{
    const int savedLength = RichTextBox->SelLength();
    CommonDialog.Flags = savedLength == 0 ? 0x00100104 : 0x00100100;
    if (CommonDialog.ShowPrinter() == platform::cdlCancel)
        return;
    if (CommonDialog.Flags != 0x00100101)
        RichTextBox->setSelLength(0);
    RichTextBox->setVisible(false);
    const QFont printerFont = frmOptions::instance().lblPrinter->font();
    RichTextBox->setFontName(printerFont.family());
    RichTextBox->setFontSize(float(printerFont.pointSizeF()));
    int error = 482;
    if (QPrinter *printer = CommonDialog.hDC())
        error = RichTextBox->SelPrint(*printer);
    const QFont screenFont = frmOptions::instance().lblScreen->font();
    RichTextBox->setFontName(screenFont.family());
    RichTextBox->setFontSize(float(screenFont.pointSizeF()));
    RichTextBox->setFontBold(false);
    RichTextBox->setFontItalic(false);
    RichTextBox->setSelLength(savedLength);
    RichTextBox->setVisible(true);
    // A failed print is told, never passed over in silence.
    if (error != 0)
        platform::desktop().MsgBox(QStringLiteral("The document could not be printed."),
                                   platform::vbOKOnly + platform::vbExclamation, QStringLiteral("Penwick"));
}
