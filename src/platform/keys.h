// The editor's key codes and modifier states (Shift 1, Ctrl 2, Alt 4), translated from Qt's once, here.
#pragma once

#include <Qt>

namespace platform {

enum KeyCodes {
    vbKeyBack = 8, vbKeyTab = 9, vbKeyReturn = 13, vbKeyEscape = 27, vbKeySpace = 32,
    vbKeyInsert = 45, vbKeyDelete = 46,
    vbKeyA = 65, vbKeyC = 67, vbKeyV = 86, vbKeyX = 88, vbKeyZ = 90,
    vbKeyF1 = 112, vbKeyF3 = 114, vbKeyF5 = 116,
};
enum ShiftStates { vbShiftMask = 1, vbCtrlMask = 2, vbAltMask = 4 };

int keyCodeFromQt(int qtKey);
int shiftFromQt(Qt::KeyboardModifiers modifiers);

}
