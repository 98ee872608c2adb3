// Printing with the own engine: the text wrapped at the printable width by the same breaker, page by page.
#include "platform/view/ownengine.h"

#include <QPainter>
#include <QPrinter>

namespace platform {

bool OwnEngine::print(QPrinter &printer, const QFont &font, const QString &text) const
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    LineMetrics paper;
    paper.setFont(QFont(font, &printer), &printer);
    paper.setTabStops(m_stops, m_tabDistance);
    // Stops were set in screen pixels; on paper they keep their length.
    paper.scaleTabStops(double(printer.logicalDpiX()) / qMax(1, m_view->logicalDpiX()));
    const double width = printer.width();
    const double height = printer.height();
    const int rowHeight = paper.lineHeight();
    painter.setPen(Qt::black);
    double y = 0;
    for (const QStringView line : QStringView(text).split(u'\n')) {
        const std::vector<int> rows = breakRows(line, paper, width);
        for (size_t r = 0; r < rows.size(); ++r) {
            if (y > 0 && y + rowHeight > height) {
                if (!printer.newPage())
                    return false;
                y = 0;
            }
            const int end = r + 1 < rows.size() ? rows[r + 1] : int(line.size());
            for (const LinePiece &p : rowPieces(line, rows[r], end, paper)) {
                if (!p.tab)
                    paper.layOut(line.mid(p.start, p.end - p.start).toString())->draw(&painter, QPointF(p.x, y));
            }
            y += rowHeight;
        }
    }
    painter.end();
    return printer.printerState() != QPrinter::Error;
}

}
