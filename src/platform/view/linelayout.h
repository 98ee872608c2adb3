// How a line lies on screen: rows where ICU allows a break, pieces between tabs, widths summed in doubles.
// Qt measures in 26.6 fixed point that wraps past ~33 million pixels, so a line is never measured whole.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>
#include <QTextLayout>

#include <memory>
#include <vector>

class QPaintDevice;

namespace platform {

// The font and tab stops of a view (or of the paper), and the widths of text in them.
class LineMetrics
{
public:
    LineMetrics();
    void setFont(const QFont &font, QPaintDevice *device = nullptr);
    // Stops in pixels; after the last one they repeat every `distance`.
    void setTabStops(const QList<qreal> &stops, qreal distance);
    void scaleTabStops(double factor);

    const QFont &font() const { return m_font; }
    double space() const { return m_space; }
    int lineHeight() const { return m_lineHeight; }
    double ascent() const { return m_ascent; }

    // The advance of text that holds no tab.
    double width(QStringView text) const;
    // Where a tab that starts at x ends: the first stop at least a space beyond x.
    double tabEnd(double x) const;
    // A laid-out single row of text without tabs, for drawing and for positions inside it; an input
    // method's preedit goes in at preeditAt without being part of the text.
    std::unique_ptr<QTextLayout> layOut(const QString &text, const QList<QTextLayout::FormatRange> &formats = {},
                                        int preeditAt = -1, const QString &preedit = {}) const;

private:
    QFont m_font;
    QPaintDevice *m_device = nullptr;
    double m_space = 8;
    double m_cell = 0;   // the advance of every printable ASCII character in a fixed-pitch face, else 0
    int m_lineHeight = 16;
    double m_ascent = 12;
    QList<qreal> m_stops;
    qreal m_distance = 80;
    mutable QHash<QString, double> m_words;   // short runs repeat: measured once
};

// A stretch of one row: text between tabs (at most a few thousand characters), or one tab.
struct LinePiece
{
    int start = 0;   // offsets in the line
    int end = 0;
    double x = 0;    // from the row's left edge
    double width = 0;
    bool tab = false;
    // Shaped once while the row stays as it is; drawing and caret positions reuse it.
    std::shared_ptr<QTextLayout> layout;
};

// Where rows of a line start, wrapping at `width` pixels; one row when width <= 0. `from` must be a row's
// start: what lies before it is not looked at, so an edit re-breaks a long line from its row on.
std::vector<int> breakRows(QStringView line, const LineMetrics &metrics, double width, int from = 0);
// The pieces of the row [start, end) of a line; `from` at a piece's start and `x` its place resume the row there.
std::vector<LinePiece> rowPieces(QStringView line, int start, int end, const LineMetrics &metrics);
void appendPieces(std::vector<LinePiece> &pieces, QStringView line, int from, int end, double x, const LineMetrics &metrics);

// A line separator inside a line is drawn as this mark: it breaks no row, as it ends no line in the file.
constexpr char16_t LineSeparatorMark = 0x21B5;

}
