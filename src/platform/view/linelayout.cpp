// Rows, pieces and widths of a line: the breaker measures words, the view draws pieces it shaped itself.
#include "platform/view/linelayout.h"

#include "platform/view/breaks.h"

#include <QFontInfo>
#include <QTextLayout>

#include <cmath>

namespace platform {

namespace {

// Long enough to shape naturally, short enough that shaping a screenful costs what a screenful costs.
constexpr int PieceChars = 1024;
constexpr int ShortRun = 32;

// What Qt is given to shape: a line separator would end Qt's one-row layout and hide the rest of the row, so it
// shows as a mark of one character, like the bytes that could not be decoded.
QString shaped(QStringView text)
{
    QString s = text.toString();
    s.replace(QChar(0x2028), QChar(LineSeparatorMark));
    return s;
}

bool printableAscii(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

}

// --- LineMetrics ---

LineMetrics::LineMetrics()
{
    setFont(QFont());
}

void LineMetrics::setFont(const QFont &font, QPaintDevice *device)
{
    m_font = font;
    m_device = device;
    const QFontMetricsF metrics = device ? QFontMetricsF(font, device) : QFontMetricsF(font);
    // Strings, not characters: only a string's advance holds the font's letter spacing.
    m_space = metrics.horizontalAdvance(QStringLiteral(" "));
    m_lineHeight = qMax(1, int(std::ceil(metrics.ascent() + metrics.descent())));
    m_ascent = metrics.ascent();
    m_cell = 0;
    const double x = metrics.horizontalAdvance(QStringLiteral("x"));
    // Shaping is only skipped where every printable ASCII character provably has one advance.
    if (QFontInfo(font).fixedPitch() && qFuzzyCompare(metrics.horizontalAdvance(QStringLiteral("iW.m@ ")), 6 * x)
        && metrics.horizontalAdvance(QStringLiteral("i")) == x && metrics.horizontalAdvance(QStringLiteral("W")) == x)
        m_cell = x;
    m_words.clear();
}

void LineMetrics::setTabStops(const QList<qreal> &stops, qreal distance)
{
    m_stops = stops;
    m_distance = distance > 0 ? distance : 80;
}

void LineMetrics::scaleTabStops(double factor)
{
    for (qreal &stop : m_stops)
        stop *= factor;
    m_distance *= factor;
}

double LineMetrics::width(QStringView text) const
{
    if (text.isEmpty())
        return 0;
    if (m_cell > 0 && printableAscii(text))
        return double(text.size()) * m_cell;
    const bool cached = text.size() <= ShortRun;
    if (cached) {
        const auto hit = m_words.constFind(text.toString());
        if (hit != m_words.constEnd())
            return *hit;
    }
    const QFontMetricsF metrics = m_device ? QFontMetricsF(m_font, m_device) : QFontMetricsF(m_font);
    const double w = metrics.horizontalAdvance(shaped(text));
    if (cached) {
        if (m_words.size() > 100000)
            m_words.clear();
        m_words.insert(text.toString(), w);
    }
    return w;
}

double LineMetrics::tabEnd(double x) const
{
    const double target = x + m_space - 1e-6;
    for (const qreal stop : m_stops) {
        if (stop >= target)
            return stop;
    }
    const double last = m_stops.isEmpty() ? 0 : m_stops.last();
    const double steps = std::max(1.0, std::ceil((target - last) / m_distance));
    return last + steps * m_distance;
}

std::unique_ptr<QTextLayout> LineMetrics::layOut(const QString &text, const QList<QTextLayout::FormatRange> &formats,
                                                 int preeditAt, const QString &preedit) const
{
    auto layout = std::make_unique<QTextLayout>(shaped(text), m_font, m_device);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    layout->setFormats(formats);
    if (preeditAt >= 0 && !preedit.isEmpty())
        layout->setPreeditArea(preeditAt, preedit);
    layout->beginLayout();
    QTextLine line = layout->createLine();
    if (line.isValid()) {
        line.setLineWidth(1e6);
        line.setPosition(QPointF(0, 0));
    }
    layout->endLayout();
    return layout;
}

// --- Rows and pieces ---

std::vector<int> breakRows(QStringView line, const LineMetrics &metrics, double width, int from)
{
    std::vector<int> rows{from};
    if (width <= 0)
        return rows;
    const int n = int(line.size());
    LineBreaks wraps(LineBreaks::Wrap, line), clusters(LineBreaks::Cluster, line);
    double x = 0;
    int i = from;
    while (i < n) {
        if (line[i] == QLatin1Char('\t')) {
            x = metrics.tabEnd(x);
            ++i;
            continue;
        }
        // A tab ends a word wherever it stands; a row may start after it, never before it.
        const int wrap = wraps.next(i);
        int j = i + 1;
        while (j < wrap && line[j] != QLatin1Char('\t'))
            ++j;
        int wordEnd = j;
        while (wordEnd > i && line[wordEnd - 1] == QLatin1Char(' '))
            --wordEnd;
        const double w = metrics.width(line.mid(i, wordEnd - i));
        if (x + w > width && i != rows.back()) {
            rows.push_back(i);
            x = 0;
        }
        if (x + w > width) {
            // A word wider than the row breaks between characters.
            for (int k = i; k < wordEnd;) {
                const int next = clusters.next(k);
                const double cw = metrics.width(line.mid(k, next - k));
                if (x + cw > width && k != rows.back()) {
                    rows.push_back(k);
                    x = 0;
                }
                x += cw;
                k = next;
            }
        } else {
            x += w;
        }
        x += (j - wordEnd) * metrics.space();   // trailing spaces hang past the edge
        i = j;
    }
    return rows;
}

std::vector<LinePiece> rowPieces(QStringView line, int start, int end, const LineMetrics &metrics)
{
    std::vector<LinePiece> pieces;
    appendPieces(pieces, line, start, end, 0, metrics);
    return pieces;
}

void appendPieces(std::vector<LinePiece> &pieces, QStringView line, int from, int end, double x, const LineMetrics &metrics)
{
    for (int i = from; i < end;) {
        if (line[i] == QLatin1Char('\t')) {
            const double tabEnd = metrics.tabEnd(x);
            pieces.push_back({i, i + 1, x, tabEnd - x, true, nullptr});
            x = tabEnd;
            ++i;
            continue;
        }
        int j = i;
        while (j < end && line[j] != QLatin1Char('\t') && j - i < PieceChars)
            ++j;
        if (j - i == PieceChars && j < end) {
            const int cut = previousCluster(line, j + 1);
            if (cut > i + PieceChars / 2)
                j = cut;
        }
        const double w = metrics.width(line.mid(i, j - i));
        pieces.push_back({i, j, x, w, false, nullptr});
        x += w;
        i = j;
    }
}

}
