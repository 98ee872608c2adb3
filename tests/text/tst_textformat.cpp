// Tests of the file codec: decoding, encoding and the byte-exact round trip. Detection, and decoding as far as
// the document's own scan counts it, are checked against that scan in tst_document; the rules both follow, here.
#include "text/textformat.h"
#include "text/filename.h"

#include "fixtures.h"

#include <QRandomGenerator>
#include <QTest>

using text::Encoding;
using text::LineEnd;
using text::TextFormat;

Q_DECLARE_METATYPE(text::TextFormat)
Q_DECLARE_METATYPE(text::Encoding)

namespace text {
static const char *const kEncodingNames[] = {"Utf8", "Utf16LE", "Utf16BE", "Latin8"};
static const char *const kEndNames[] = {"LF", "CRLF", "CR", "PS"};

static QByteArray describe(const TextFormat &f)
{
    return QByteArray(kEncodingNames[int(f.encoding)]) + (f.bom ? "+bom " : " ") + kEndNames[int(f.lineEnd)];
}

}

namespace {

QString endNames(const std::vector<LineEnd> &ends)
{
    QStringList names;
    for (LineEnd end : ends)
        names << QLatin1String(text::kEndNames[int(end)]);
    return names.join(u' ');
}

TextFormat fmt(Encoding encoding, bool bom = false, LineEnd end = LineEnd::LF) { return {encoding, bom, end}; }

// A C++ literal with surrogates, sized by the compiler.
template<size_t N> QString str(const char16_t (&s)[N]) { return QStringView(s, N - 1).toString(); }

} // namespace

class TestTextFormat : public QObject
{
    Q_OBJECT

private slots:
    void detect_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<TextFormat>("format");
        QTest::newRow("empty: UTF-8, LF") << bytes("") << fmt(Encoding::Utf8);
        QTest::newRow("BOMs win") << bytes("\xFF\xFE" "a\0\r\0\n\0") << fmt(Encoding::Utf16LE, true, LineEnd::CRLF);
        QTest::newRow("big-endian BOM") << bytes("\xFE\xFF\0a") << fmt(Encoding::Utf16BE, true);
        QTest::newRow("valid UTF-8, CR the most") << bytes("\xC3\xA9\r\r\n\r") << fmt(Encoding::Utf8, false, LineEnd::CR);
        QTest::newRow("as many high bytes invalid as valid: UTF-8") << bytes("\xC3\xA9\xFF\xFE") << fmt(Encoding::Utf8);
        QTest::newRow("more invalid: 8-bit") << bytes("\xC3\xA9\xE9\xFF\xFE\r\n") << fmt(Encoding::Latin8, false, LineEnd::CRLF);
        QTest::newRow("paragraph separators") << bytes("a\xE2\x80\xA9" "b\xE2\x80\xA9") << fmt(Encoding::Utf8, false, LineEnd::PS);
    }

    void detect()
    {
        QFETCH(QByteArray, input);
        QFETCH(TextFormat, format);
        QCOMPARE(text::describe(text::detect(input)), text::describe(format));
    }

    // What neither the round trip nor the document's scan can judge: characters kept as they are,
    // the bytes that are not UTF-8, the 8-bit table, a CR before half a UTF-16 unit.
    void decode_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<TextFormat>("format");
        QTest::addColumn<QString>("expectedText");
        QTest::addColumn<QString>("expectedEnds");

        const TextFormat utf8 = fmt(Encoding::Utf8);
        QTest::newRow("nbsp, u+2028, mid u+feff, u+fffc, four bytes stay")
            << bytes("\xC2\xA0\xE2\x80\xA8\xEF\xBB\xBF\xEF\xBF\xBC\xF0\x9F\x98\x80") << utf8 << str(u"\x00A0\x2028\xFEFF\xFFFC\xD83D\xDE00") << "";
        QTest::newRow("truncated, overlong, surrogate, stray, cut at the end")
            << bytes("\xE2\x82" "a\xC0\xAF\xE0\x80\xAF\xED\xA0\x80\x80\xF4\x90\x80\x80" "a\xF0\x9F\x98") << utf8
            << str(u"\xDCE2\xDC82" u"a\xDCC0\xDCAF\xDCE0\xDC80\xDCAF\xDCED\xDCA0\xDC80\xDC80\xDCF4\xDC90\xDC80\xDC80" u"a\xDCF0\xDC9F\xDC98") << "";
        QTest::newRow("latin8") << bytes("\x80\x81\x8D\x93\x94\x9F\xA0\xE9\r\n") << fmt(Encoding::Latin8)
                                << str(u"\x20AC\x0081\x008D\x201C\x201D\x0178\x00A0\x00E9\n") << "CRLF";
        QTest::newRow("utf-16le cr then odd lf byte") << bytes("\r\0\n") << fmt(Encoding::Utf16LE) << str(u"\n\xDC0A") << "CR";
    }

    void decode()
    {
        QFETCH(QByteArray, input);
        QFETCH(TextFormat, format);
        QFETCH(QString, expectedText);
        QFETCH(QString, expectedEnds);

        const text::Decoded decoded = text::decode(input, format);
        QCOMPARE(decoded.text, expectedText);
        QCOMPARE(endNames(decoded.ends), expectedEnds);
    }

    // What has no bytes in the encoding is written visibly and counted, never dropped or mangled.
    void canEncode_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<Encoding>("encoding");
        QTest::addColumn<bool>("expected");
        QTest::addColumn<QByteArray>("written");

        QTest::newRow("latin8: euro, quotes, e acute, kept holes") << str(u"\x20AC\x201C\x201D\x00E9\x0081\x008D\x008F\x0090\x009D")
                                                                  << Encoding::Latin8 << true << bytes("\x80\x93\x94\xE9\x81\x8D\x8F\x90\x9D");
        QTest::newRow("latin8: typed arrow") << str(u"a\x2192") << Encoding::Latin8 << false << bytes("a?");
        QTest::newRow("latin8: u+0080 has no byte") << str(u"\x0080") << Encoding::Latin8 << false << bytes("?");
        QTest::newRow("latin8: emoji") << str(u"\xD83D\xDE00" u"b") << Encoding::Latin8 << false << bytes("?b");
        // Its byte is kept, but would read back as a character: the file turns UTF-8 first.
        QTest::newRow("latin8: placeholder") << str(u"\xDCFF") << Encoding::Latin8 << false << bytes("\xFF");
        QTest::newRow("utf-8: lone high surrogate") << str(u"a\xD800" u"b") << Encoding::Utf8 << false << bytes("a\xEF\xBF\xBD" "b");
        QTest::newRow("utf-8: high surrogate at the end") << str(u"a\xD800") << Encoding::Utf8 << false << bytes("a\xEF\xBF\xBD");
        QTest::newRow("utf-8: lone low beyond placeholders") << str(u"\xDD00") << Encoding::Utf8 << false << bytes("\xEF\xBF\xBD");
        QTest::newRow("utf-16le: lone high surrogate") << str(u"\xDBFF") << Encoding::Utf16LE << false << bytes("\xFD\xFF");
    }

    void canEncode()
    {
        QFETCH(QString, input);
        QFETCH(Encoding, encoding);
        QFETCH(bool, expected);
        QFETCH(QByteArray, written);
        QCOMPARE(text::canEncode(input, encoding), expected);
        text::Encoder encoder(fmt(encoding));
        encoder.appendLine(input);
        QCOMPARE(encoder.take(), written);
        QCOMPARE(encoder.substitutions(), qsizetype(expected ? 0 : 1));
    }

    // Latin8 has no paragraph separator: the break stays a break, in the main end, and is counted.
    void latin8WritesNoParagraphSeparator()
    {
        text::Encoder latin8(fmt(Encoding::Latin8, false, LineEnd::CRLF));
        latin8.appendEnd(LineEnd::PS);
        QCOMPARE(latin8.take(), bytes("\r\n"));
        QCOMPARE(latin8.substitutions(), qsizetype(1));
        QVERIFY(!text::canEncode(u"x\ny", {LineEnd::PS}, fmt(Encoding::Latin8)));
    }

    // File names: valid UTF-8 reads as text, any other byte as its placeholder, shown as U+FFFD.
    void names()
    {
        QCOMPARE(text::decodeName("caf\xC3\xA9\r"), QStringLiteral("caf\u00e9\r"));
        const QString latin1 = text::decodeName("caf\xE9 notes.txt");
        QCOMPARE(latin1, QStringLiteral("caf") + text::placeholder(0xE9) + QStringLiteral(" notes.txt"));
        QCOMPARE(text::displayName(latin1), QStringLiteral("caf\uFFFD notes.txt"));
        QCOMPARE(text::encodeName(latin1), QByteArray("caf\xE9 notes.txt"));
    }

    void roundTrip()
    {
        QRandomGenerator random(20240611);
        for (int round = 0; round < 4000; ++round) {
            const QByteArray input = randomBytes(random, random.bounded(40));
            QCOMPARE(text::encodeName(text::decodeName(input)).toHex(' '), input.toHex(' '));
            // detect()'s pick (with a BOM when the input starts with one) and each encoding without a BOM.
            for (const TextFormat &format : {text::detect(input), fmt(Encoding::Utf8), fmt(Encoding::Utf16LE),
                                             fmt(Encoding::Utf16BE), fmt(Encoding::Latin8)}) {
                // A save asks for another format exactly when detect() would take the bytes for another.
                const TextFormat seen = text::detect(input);
                const bool same = seen.encoding == format.encoding && (format.encoding == Encoding::Latin8 || seen.bom == format.bom);
                QCOMPARE(text::readableFormat(format, input) == format, same);
                // The same when a save streams the bytes in pieces that may cut a sequence or a mark.
                text::ReadBack streamed;
                for (qsizetype at = 0, n; at < input.size(); at += n) {
                    n = 1 + random.bounded(4);
                    streamed.feed(QByteArrayView(input).sliced(at, qMin(n, input.size() - at)));
                }
                QCOMPARE(streamed.format(format), text::readableFormat(format, input));
                const text::Decoded decoded = text::decode(input, format);
                QCOMPARE(qsizetype(decoded.ends.size()), decoded.text.count(u'\n'));
                QVERIFY2(text::canEncode(decoded.text, decoded.ends, format), text::describe(format).constData());
                const QByteArray output = text::encode(decoded.text, decoded.ends, format);
                QCOMPARE(text::describe(format) + ": " + output.toHex(' '), text::describe(format) + ": " + input.toHex(' '));
                // A line beyond the recorded ends is written with the main end (CR LF right after a CR end).
                // An odd last byte of UTF-16 that is no longer last can stay only as U+FFFD.
                QByteArray before = output;
                if ((format.encoding == Encoding::Utf16LE || format.encoding == Encoding::Utf16BE) && output.size() % 2)
                    before = output.chopped(1) + (format.encoding == Encoding::Utf16LE ? bytes("\xFD\xFF") : bytes("\xFF\xFD"));
                text::Encoder added(fmt(format.encoding, false, format.lineEnd));
                added.wroteRaw(before);
                added.appendEnd(format.lineEnd);
                added.appendLine(u"new");
                QCOMPARE(text::encode(decoded.text + QStringLiteral("\nnew"), decoded.ends, format).toHex(' '), (before + added.take()).toHex(' '));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestTextFormat)
#include "tst_textformat.moc"
