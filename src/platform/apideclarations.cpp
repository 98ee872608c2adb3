// EM_LINEINDEX answered by the edit control.
#include "platform/apideclarations.h"

#include "platform/richtextbox.h"

namespace APIDeclarations {

std::intptr_t SendMessageA(QWidget *hWnd, unsigned msg, std::intptr_t wParam, std::intptr_t)
{
    auto *box = qobject_cast<platform::RichTextBox *>(hWnd);
    if (!box || msg != EM_LINEINDEX)
        return 0;
    return box->lineIndex(int(wParam));
}

}
