// Window placement: four strict tests, each moving to 0 at most.
#include "settings/placement.h"

WindowRect placeWindow(WindowRect w, double screenWidth, double screenHeight)
{
    const double usableHeight = screenHeight - 400;
    if (w.width > screenWidth) {
        w.left = 0;
        w.width = screenWidth;
    }
    if (w.height > usableHeight) {
        w.top = 0;
        w.height = usableHeight;
    }
    if (w.left + w.width > screenWidth)
        w.left = 0;
    if (w.top + w.height > usableHeight)
        w.top = 0;
    return w;
}
