// Leading-number parsing for the tab size and the modified flag.
#include "text/numbers.h"

#include <cmath>
#include <limits>

namespace text {

double leadingNumber(const QString &text)
{
    QString digits;
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
            ++i;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        digits += text[i++];
    bool point = false, any = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t'))
            continue;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits += c;
            any = true;
        } else if (c == QLatin1Char('.') && !point) {
            digits += c;
            point = true;
        } else {
            break;
        }
    }
    if (!any)
        return 0;
    if (i < text.size() && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        QString exponent = QStringLiteral("e");
        qsizetype j = i + 1;
        if (j < text.size() && (text[j] == QLatin1Char('-') || text[j] == QLatin1Char('+')))
            exponent += text[j++];
        const qsizetype digitsStart = j;
        while (j < text.size() && text[j].isDigit())
            exponent += text[j++];
        if (j > digitsStart)
            digits += exponent;
    }
    bool ok = false;
    const double value = digits.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

short toInt16(double value)
{
    if (!(value == value))
        return 0;
    const double rounded = std::nearbyint(value);
    if (rounded > std::numeric_limits<short>::max())
        return std::numeric_limits<short>::max();
    if (rounded < std::numeric_limits<short>::min())
        return std::numeric_limits<short>::min();
    return short(rounded);
}

}
