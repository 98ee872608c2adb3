// The own view's breaks against Unicode's own test files: wrap breaks, caret stops by character and
// Ctrl+arrow stops, each case also placed at the end of a long line, where ICU sees only a window of it.
#include <QFile>
#include <QTest>

#include <functional>

#include "platform/view/breaks.h"

using namespace platform;

namespace {

enum Breaker { Wrap, Characters, Words };

// Cases that still fail, by line in the file. ICU 72 already reads a few rules as Unicode 15.1 does: it keeps
// a hyphen that starts a word with the word, and a full stop or comma with the digit after it.
const QList<int> knownLine = {2265, 2267, 2421, 2423, 2425, 2427, 2429, 2431, 2873, 2875, 7477,
                              7576, 7577, 7578, 7579, 7580, 7581, 7583, 7584, 7585, 7586, 7587};
// ICU's root rules end a word at ':', which the file joins letters with.
const QList<int> knownWord = {1253, 1254, 1267, 1268, 1283, 1284, 1285, 1286, 1287, 1288, 1289, 1290, 1291, 1292, 1712};

// Ahead of each case: far more text than a window holds, ending where every rule starts afresh (U+2028).
const QString lead = QStringLiteral("lorem ipsum ").repeated(300) + QChar(0x2028);

// Where Ctrl+arrows stop, from the file's words: a desktop moves past the spaces after a word, over a run of
// punctuation at once, and takes a symbol (emoji, a byte's placeholder) as part of the word it touches; a
// format character or a mark that is a character of its own after spaces or punctuation (U+FEFF after a
// full stop, a mark after a tab) starts what follows there, as Qt's widgets have it.
enum Kind { Space, Punctuation, Symbol, Word };
Kind kindOf(QStringView segment)
{
    const QList<uint> points = segment.toUcs4();
    const QChar::Category c = QChar::category(points[0]);
    if (QChar::isSpace(points[0]))
        return Space;
    if (std::any_of(points.begin(), points.end(), [](uint p) { return QChar::isLetterOrNumber(p); }))
        return Word;
    return (c >= QChar::Punctuation_Dash && c <= QChar::Punctuation_Other) || c == QChar::Symbol_Math
            || c == QChar::Symbol_Currency || c == QChar::Symbol_Modifier ? Punctuation : Symbol;
}

QList<int> wordStops(const QString &text, QList<int> bounds)
{
    const auto kindAt = [&](int k) { return kindOf(QStringView(text).sliced(k, text[k].isHighSurrogate() ? 2 : 1)); };
    for (int i = 0; i + 1 < bounds.size(); ++i) {
        const Kind kind = kindAt(bounds[i]);
        int k = nextCluster(text, bounds[i]);
        while (k < bounds[i + 1] && kindAt(k) == kind)
            k = nextCluster(text, k);
        if ((kind == Space || kind == Punctuation) && k < bounds[i + 1])
            bounds.insert(i + 1, k);
    }
    QList<int> stops;
    for (int i = 1; i + 1 < bounds.size(); ++i) {
        const Kind left = kindOf(QStringView(text).sliced(bounds[i - 1], bounds[i] - bounds[i - 1]));
        const Kind right = kindOf(QStringView(text).sliced(bounds[i], bounds[i + 1] - bounds[i]));
        const bool punctuation = left == Punctuation || right == Punctuation;
        if (right != Space && (punctuation ? left != right : left == Space || (left == Word && right == Word)))
            stops << bounds[i];
    }
    return stops;
}

// The stops a walk finds strictly inside [from, n), forward and back, as offsets from `from`; a walk
// that disagrees with the other gives a list no file has.
QList<int> walk(const QString &text, int from, const std::function<int(int)> &next, const std::function<int(int)> &previous)
{
    QList<int> forward, back;
    for (int at = next(from); at < text.size(); at = next(at))
        forward << at - from;
    for (int at = previous(int(text.size())); at > from; at = previous(at))
        back.prepend(at - from);
    return forward == back ? forward : QList<int>{-1};
}

QList<int> found(Breaker breaker, const QString &text, int from)
{
    switch (breaker) {
    case Wrap: {
        QList<int> breaks, walked;
        for (int at = from + 1; at < text.size(); ++at) {
            if (breakAllowedBefore(text, at))
                breaks << at - from;
        }
        LineBreaks breaksAlong(LineBreaks::Wrap, text);
        for (int at = breaksAlong.next(from); at < text.size(); at = breaksAlong.next(at))
            walked << at - from;
        return breaks == walked ? breaks : QList<int>{-1};
    }
    case Characters:
        return walk(text, from, [&](int at) { return nextCluster(text, at); }, [&](int at) { return previousCluster(text, at); });
    case Words:
        return walk(text, from, [&](int at) { return nextWordStop(text, at); }, [&](int at) { return previousWordStop(text, at); });
    }
    return {};
}

}

class tst_UnicodeBreaks : public QObject
{
    Q_OBJECT

private slots:
    void conformance_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("breaker");
        QTest::addColumn<QList<int>>("known");
        QTest::newRow("wrap breaks: LineBreakTest") << "LineBreakTest.txt" << int(Wrap) << knownLine;
        QTest::newRow("Left/Right: GraphemeBreakTest") << "GraphemeBreakTest.txt" << int(Characters) << QList<int>{};
        QTest::newRow("Ctrl+Left/Right: WordBreakTest") << "WordBreakTest.txt" << int(Words) << knownWord;
    }

    void conformance()
    {
        QFETCH(QString, file);
        QFETCH(int, breaker);
        QFETCH(QList<int>, known);
        QFile f(QStringLiteral("/usr/share/unicode/auxiliary/") + file);
        QVERIFY2(f.open(QIODevice::ReadOnly | QIODevice::Text), "unicode-data is missing: scripts/setup-deps installs it");
        QList<int> failing;
        int cases = 0;
        for (int number = 1; !f.atEnd(); ++number) {
            const QString line = QString::fromUtf8(f.readLine()).section(QLatin1Char('#'), 0, 0).trimmed();
            if (line.isEmpty())
                continue;
            ++cases;
            QString text;
            QList<int> bounds;
            for (const QString &token : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                if (token == QStringLiteral("÷"))
                    bounds << int(text.size());
                else if (token != QStringLiteral("×"))
                    text += QString::fromUcs4(std::array<char32_t, 1>{char32_t(token.toUInt(nullptr, 16))}.data(), 1);
            }
            // A row never starts at a line's start or end: the marks the file puts there do not count. Tabs
            // are breakRows' own (a row may start after each), so the breaker itself is held to ICU's rules.
            if (bounds.first() != 0)
                bounds.prepend(0);
            const QList<int> expected = breaker == Words ? wordStops(text, bounds) : bounds.mid(1, bounds.size() - 2);
            if (found(Breaker(breaker), text, 0) != expected || found(Breaker(breaker), lead + text, int(lead.size())) != expected)
                failing << number;
        }
        qInfo("%s: %lld of %d cases pass (%.2f %%)", qPrintable(file), cases - failing.size(), cases,
              100.0 * double(cases - failing.size()) / cases);
        QCOMPARE(failing, known);
    }

    void placeholdersStandAlone_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("stops");
        const QChar placeholder(0xDC80);
        QTest::newRow("a|P|mark: no mark on a byte") << QStringLiteral("a") + placeholder + QChar(0x301) << QList<int>{1, 2};
        QTest::newRow("prepend|P") << QChar(0x600) + QString(placeholder) << QList<int>{1};
        QTest::newRow("P|ZWJ|emoji: a byte joins nothing") << placeholder + QStringLiteral(u"\u200D\U0001F600") << QList<int>{1, 2};
        QTest::newRow("P|P") << QString(placeholder) + QChar(0xDC81) << QList<int>{1};
        QTest::newRow("pair+mark: no placeholder") << QStringLiteral(u"\U0001F480\u0301") << QList<int>{};
    }

    void placeholdersStandAlone()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, stops);
        QCOMPARE(found(Characters, text, 0), stops);
        QCOMPARE(found(Characters, lead + text, int(lead.size())), stops);
    }

    // SelStart may leave the caret inside a pair; Left and Right go to the pair's ends.
    void stopsFromInsideAPair()
    {
        const QString text = QStringLiteral(u"a\U0001F600b");
        QCOMPARE(previousCluster(text, 2), 1);
        QCOMPARE(nextCluster(text, 2), 3);
    }

    // Rules that look back past a long run of spaces still see what the run follows.
    void farContext_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("allowed");
        const QString run(300, QLatin1Char(' '));
        QTest::newRow("(___x: no break") << QStringLiteral("(") + run + QStringLiteral("x") << false;
        QTest::newRow("\u00a1___x: no break") << QChar(0xA1) + run + QStringLiteral("x") << false;
        QTest::newRow("a___x: a break") << QStringLiteral("a") + run + QStringLiteral("x") << true;
    }

    void farContext()
    {
        QFETCH(QString, text);
        QFETCH(bool, allowed);
        QCOMPARE(breakAllowedBefore(text, int(text.size()) - 1), allowed);
    }
};

QTEST_GUILESS_MAIN(tst_UnicodeBreaks)
#include "tst_unicodebreaks.moc"
