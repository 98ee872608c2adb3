// What the Find and Replace windows share: their window style, first placement and a twips layout that grows.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

class QDialog;
class QWidget;

namespace platform {
class RichTextBox;
}

namespace search {

// Fixed-size tool dialog with a title-bar close box only and the program's icon.
void setUpWindow(QDialog &dialog, const QString &caption);

// Before a showing: stay off the taskbar over the main window, centred over it the first time.
void prepareShowing(QDialog &dialog, bool first);

// The edit control every search works on.
platform::RichTextBox &editControl();

// Option value passed to Find: 2 whole words, plus 4 match case.
int findOptions(bool wholeWord, bool matchCase);

// Controls placed at their design rectangles in twips; one whose caption needs more room than the design gave
// grows, pushing the controls right of or below it, and the window grows with them.
class TwipsLayout
{
public:
    void place(QWidget *control, int left, int top, int width, int height);
    // Lays everything out and fixes the window's client size; returns it in pixels.
    QSize apply(QDialog &dialog, int clientWidth, int clientHeight);

    static QSize neededSize(const QWidget *control);

private:
    struct Item
    {
        QWidget *control;
        QRect design;   // pixels
        QRect now;
    };
    bool pushApart();
    bool alignEdges();

    QList<Item> m_items;
};

}
