// The one font substitution rule, and the preview label that draws with it.
#include "platform/fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QStyle>

#include "platform/twips.h"

namespace platform {

namespace {

// Points at which the face's character advance is `pixels` at 96 dpi (so it scales with the screen's DPI).
double sizeForAdvance(QFont font, double pixels)
{
    constexpr double probe = 72;
    font.setPointSizeF(probe);
    const double advance = QFontMetricsF(font).horizontalAdvance(QLatin1Char('0')) * 96.0 / logicalDpi();
    return advance > 0 ? probe * pixels / advance : probe / 9;
}

}

QFont resolveFont(const QString &name, double points, bool bold, bool italic, QPaintDevice *device)
{
    QFont font(name);
    bool cell = false;
    if (!QFontDatabase::hasFamily(name)) {
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
        font.setFamilies({name, QStringLiteral("monospace")});
        cell = name.compare(QLatin1String("Fixedsys"), Qt::CaseInsensitive) == 0;
        if (cell)
            points = sizeForAdvance(font, 8);
    }
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    if (device)
        font = QFont(font, device);
    if (cell) {
        // Faces come in whole pixel sizes, so the size alone misses the cell by a fraction of a pixel a
        // character, which adds up along a line; the spacing makes up the rest.
        const double dpi = device ? device->logicalDpiX() : logicalDpi();
        const double advance = (device ? QFontMetricsF(font, device) : QFontMetricsF(font)).horizontalAdvance(QStringLiteral("0"));
        font.setLetterSpacing(QFont::AbsoluteSpacing, 8 * dpi / 96 - advance);
    }
    return font;
}

QFont resolveFont(const QFont &named, QPaintDevice *device)
{
    return resolveFont(named.family(), named.pointSizeF(), named.bold(), named.italic(), device);
}

QSize FontPreview::sizeHint() const
{
    const QSize text = QFontMetrics(shownFont()).size(Qt::TextSingleLine, QLabel::text());
    const int margin = 2 * (frameWidth() + QLabel::margin()) + 4;
    return {text.width() + margin, text.height() + margin};
}

void FontPreview::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setFont(shownFont());
    style()->drawItemText(&painter, contentsRect().adjusted(2, 0, 0, 0), int(Qt::AlignLeft | Qt::AlignVCenter),
                          palette(), isEnabled(), QLabel::text(), foregroundRole());
}

}
