// Messages to native windows: EM_LINEINDEX to the edit control.
#pragma once

#include <cstdint>

class QWidget;

namespace APIDeclarations {

constexpr unsigned EM_LINEINDEX = 0x00BB;

// The first character position of display line wParam, -1 beyond the last line.
std::intptr_t SendMessageA(QWidget *hWnd, unsigned msg, std::intptr_t wParam, std::intptr_t lParam);

}
