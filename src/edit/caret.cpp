// The caret's line and column in the status bar.
#include "app/frmpenwick.h"

#include "platform/apideclarations.h"
#include "platform/richtextbox.h"
#include "platform/statusbar.h"

void frmPenwick::Coords()
{
    if (!StatusBar->Visible())
        return;
    const int line = RichTextBox->GetLineFromChar(RichTextBox->SelStart());
    StatusBar->setPanelText(1, QStringLiteral("Line: ") + QString::number(line + 1));
    QWidget *window = RichTextBox->hWnd();
    const int caretLine = RichTextBox->GetLineFromChar(RichTextBox->SelStart());
    const auto lineStart = int(APIDeclarations::SendMessageA(window, APIDeclarations::EM_LINEINDEX, caretLine, 0));
    const int column = RichTextBox->SelStart() - lineStart + 1;
    StatusBar->setPanelText(2, QStringLiteral("Col: ") + QString::number(column));
}
