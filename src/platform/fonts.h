// Fonts as the program names them and as the desktop draws them: one substitution rule for screen, preview and paper.
#pragma once

#include <QFont>
#include <QLabel>

class QPaintDevice;

namespace platform {

// A face this desktop lacks is drawn by a fixed-pitch one; the family name asked for stays first in the list.
// "Fixedsys" was an 8-pixel cell: its stand-in is sized so that a character advances 8 pixels at 96 dpi.
// On a device (the printer), the font as that device draws it.
QFont resolveFont(const QString &name, double points, bool bold = false, bool italic = false, QPaintDevice *device = nullptr);
QFont resolveFont(const QFont &named, QPaintDevice *device = nullptr);

// A label that shows its text in the font it names, drawn as the edit control and the printer would draw it.
// font() stays the font as named (the setting); shownFont() is what the eye sees.
class FontPreview : public QLabel
{
public:
    FontPreview(const QString &text, QWidget *parent) : QLabel(text, parent) {}
    QFont shownFont() const { return resolveFont(font()); }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
};

}
