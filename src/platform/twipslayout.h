// Controls placed from twips that grow where the desktop font needs more room, pushing their neighbours.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

class QDialog;

namespace platform {

// A captioned control that carries its name as its objectName.
template <class W>
W *makeControl(QWidget *parent, const char *name, const QString &caption)
{
    W *w = new W(caption, parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

// Controls placed at their design rectangles in twips; one whose caption needs more room than the design gave
// grows, pushing the controls right of or below it, and the window grows with them.
class TwipsLayout
{
public:
    void place(QWidget *control, int left, int top, int width, int height);
    // A line centred on the window's middle: it grows both ways, pushing what flanks it outwards, and the
    // window grows on both sides so that it stays in the middle.
    void placeCentred(QWidget *control, int left, int top, int width, int height);
    // makeControl, then place.
    template <class W>
    W *add(QWidget *parent, const char *name, const QString &caption, int left, int top, int width, int height)
    {
        W *w = makeControl<W>(parent, name, caption);
        place(w, left, top, width, height);
        return w;
    }
    // Lays everything out and fixes the window's client size; returns it in pixels.
    QSize apply(QDialog &dialog, int clientWidth, int clientHeight);

    static QSize neededSize(const QWidget *control);

private:
    struct Item
    {
        QWidget *control;
        QRect design;   // pixels
        QRect now;
        bool centred = false;
    };
    bool pushApart();
    bool pushOutwards();
    void centre(QSize &client, const QSize &designClient);
    bool alignEdges();
    bool encloseChildren();

    QList<Item> m_items;
};

}
