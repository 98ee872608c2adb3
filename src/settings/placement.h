// Keeping the main window inside the screen, in twips.
#pragma once

struct WindowRect
{
    double left = 0, top = 0, width = 0, height = 0;
};

// 400 twips stay free at the bottom of the screen; each test is strict and sees the step before it.
WindowRect placeWindow(WindowRect window, double screenWidth, double screenHeight);
