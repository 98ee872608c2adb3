// The document's Find over its stored bytes against the search over its decoded text: random files in every
// encoding it reads, edited into many pieces, searched with and without Match Case and whole words.
#include <QRandomGenerator>
#include <QTest>

#include "text/document.h"
#include "text/search.h"

using namespace text;

namespace {

// Characters where byte forms and case folding part ways: ASCII that non-ASCII folds to (K, s), letters
// whose forms differ in size, sigma's three forms, dotted and dotless i, a pair, a mark, no-break space.
const QString alphabet = QStringLiteral("akKsSe_ 9\u212A\u017F\u00E9\u00C9\u03A3\u03C3\u03C2\u0130i\u0131I\u00DF"
                                        "\u00A0\u0301\u20AC\U0001F600\u0441\u0421");

QString randomText(QRandomGenerator &rng, int size)
{
    QString s;
    while (s.size() < size) {
        const int pick = int(rng.bounded(alphabet.size() + 2));
        if (pick >= alphabet.size()) {
            s += QLatin1Char('\n');
            continue;
        }
        const QChar c = alphabet[pick];
        s += c;
        if (c.isHighSurrogate())
            s += alphabet[pick + 1];
    }
    return s;
}

// A file of that text in a random format, with bytes the format cannot read spliced in.
QByteArray randomFile(QRandomGenerator &rng, const QString &text)
{
    static const TextFormat formats[] = {{Encoding::Utf8, false, LineEnd::LF}, {Encoding::Utf8, true, LineEnd::CRLF},
                                         {Encoding::Utf16LE, true, LineEnd::LF}, {Encoding::Utf16BE, true, LineEnd::CR},
                                         {Encoding::Latin8, false, LineEnd::CRLF}};
    const TextFormat format = formats[rng.bounded(5)];
    QString kept = text;
    if (format.encoding == Encoding::Latin8) {
        kept.removeIf([](QChar c) { return !canEncode(QStringView(&c, 1), Encoding::Latin8); });
    }
    std::vector<LineEnd> ends;
    for (QChar c : kept) {
        if (c == QLatin1Char('\n'))
            ends.push_back(LineEnd(rng.bounded(3)));
    }
    QByteArray bytes = encode(kept, ends, format);
    if (format.encoding == Encoding::Utf8) {
        for (int i = 0; i < 3; ++i)
            bytes.insert(qsizetype(rng.bounded(bytes.size() + 1)), "\xFF\xC3", rng.bounded(1, 3));
    }
    return bytes;
}

class tst_DocumentFind : public QObject
{
    Q_OBJECT

private slots:
    void againstDecodedText()
    {
        QRandomGenerator rng(2612);
        int matches = 0;
        for (int round = 0; round < 150; ++round) {
            Document::Limits limits;
            limits.pieceBytes = 1 + int(rng.bounded(40));
            limits.leafPieces = 4;
            Document doc(limits);
            doc.setBytes(randomFile(rng, randomText(rng, 20 + int(rng.bounded(200)))));
            // Edits leave added text between the file's pieces, and seams where matches may cross.
            for (int e = int(rng.bounded(8)); e > 0; --e) {
                const int at = int(rng.bounded(doc.length() + 1));
                if (rng.bounded(2))
                    doc.insert(at, randomText(rng, 1 + int(rng.bounded(6))));
                else
                    doc.remove(at, qMin(int(rng.bounded(4)), doc.length() - at));
            }
            const QString shown = doc.Text();
            const StringSource reference(shown);
            for (int q = 0; q < 40; ++q) {
                QString needle;
                if (rng.bounded(3) && shown.size() > 1) {
                    const int from = int(rng.bounded(shown.size() - 1));
                    needle = shown.mid(from, 1 + int(rng.bounded(5)));
                    if (rng.bounded(2))
                        needle = rng.bounded(2) ? needle.toUpper() : needle.toLower();
                } else {
                    needle = randomText(rng, 1 + int(rng.bounded(3)));
                }
                const int options = int(rng.bounded(4)) * 2;
                const int start = int(rng.bounded(shown.size() + 1));
                const int end = rng.bounded(3) ? -1 : int(rng.bounded(shown.size() + 1));
                const int expected = find(reference, needle, start, end, options);
                const int got = doc.find(needle, start, end, options);
                matches += expected >= 0;
                QVERIFY2(got == expected, qPrintable(QStringLiteral("round %1: \"%2\" from %3 to %4, options %5: %6, not %7")
                                                         .arg(round).arg(needle).arg(start).arg(end).arg(options)
                                                         .arg(got).arg(expected)));
            }
        }
        QVERIFY2(matches > 1000, "too few queries find something to compare");
    }
};

}

QTEST_GUILESS_MAIN(tst_DocumentFind)
#include "tst_documentfind.moc"
