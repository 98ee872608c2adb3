// Find over raw text: searching block by block finds what one naive search over the whole string finds.
#include <QRandomGenerator>
#include <QTest>

#include "text/search.h"

class tst_Search : public QObject
{
    Q_OBJECT

private slots:
    // Searching line by line must find exactly what one search over the whole string finds.
    void blocksAgreeWithOneString()
    {
        const QString alphabet = QStringLiteral("aAb _\n");
        QRandomGenerator random(7);
        for (int round = 0; round < 10000; ++round) {
            QString hay, needle;
            for (int i = random.bounded(30); i > 0; --i)
                hay += alphabet[random.bounded(int(alphabet.size()))];
            for (int i = 1 + random.bounded(3); i > 0; --i)
                needle += alphabet[random.bounded(int(alphabet.size()))];
            // Starts and ends one beyond the text on both sides; needles across line breaks.
            int start = random.bounded(int(hay.size()) + 3) - 1;
            // Now and then a line long enough to be read in windows, with words where a window starts or ends.
            if (round % 8 == 0) {
                start = random.bounded(int(hay.size()) + 1);
                hay += QString(1100 + random.bounded(3000), QLatin1Char(' '));
                for (int i = random.bounded(12); i >= 0; --i) {
                    const int at = i == 0 ? start + 250 + random.bounded(12) : i == 1 ? start : random.bounded(int(hay.size()));
                    for (int k = 0, n = 1 + random.bounded(3); k < n && at + k < hay.size(); ++k)
                        hay[at + k] = QLatin1Char("aAb_"[random.bounded(4)]);
                }
            }
            const int end = random.bounded(int(hay.size()) + 3) - 1;
            const int options = random.bounded(2) * 2 + random.bounded(2) * 4;
            int expected = -1;
            const int limit = end < 0 ? int(hay.size()) : qMin(end, int(hay.size()));
            for (int at = qMax(start, 0); at + needle.size() <= limit && expected < 0; ++at) {
                const Qt::CaseSensitivity cs = options & 4 ? Qt::CaseSensitive : Qt::CaseInsensitive;
                if (QStringView(hay).mid(at, needle.size()).compare(needle, cs) != 0)
                    continue;
                const bool before = at > 0 && text::isWordChar(hay[at - 1].unicode());
                const bool after = at + needle.size() < hay.size() && text::isWordChar(hay[at + needle.size()].unicode());
                if (!(options & 2) || (!before && !after))
                    expected = at;
            }
            QVERIFY2(text::find(text::StringSource(hay), needle, start, end, options) == expected,
                     qPrintable(QStringLiteral("\"%1\" in \"%2\" from %3 to %4, options %5").arg(needle, hay).arg(start).arg(end).arg(options)));
        }
    }
};

QTEST_GUILESS_MAIN(tst_Search)
#include "tst_search.moc"
