// The own view's line layout: rows from its breaker against a plain greedy model, widths past Qt's limit,
// tab stops, and edits that keep part of a line's layout against a view that lays it out afresh.
#include <QApplication>
#include <QInputMethodEvent>
#include <QAbstractScrollArea>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>

#include "platform/view/linelayout.h"
#include "platform/view/ownengine.h"

using namespace platform;

namespace {

struct Quiet : TextEngineClient
{
    int changes = 0;
    bool keyPressed(QKeyEvent *) override { return false; }
    void keyReleased(QKeyEvent *) override {}
    void mouseReleased(QMouseEvent *) override {}
    void dropped(const QMimeData *) override {}
    void pasted(const QString &) override {}
    void textChanged() override { ++changes; }
    void textEdited(int, int, const QString &) override {}
    void selectionChanged() override {}
};

// The reference: words and their trailing spaces placed greedily in a font whose characters all advance
// `cell`; a word longer than a row is cut wherever the row is full.
std::vector<int> greedyRows(const QString &line, int columns)
{
    std::vector<int> rows{0};
    int column = 0;
    for (int i = 0; i < line.size();) {
        int end = i;
        while (end < line.size() && line[end] != QLatin1Char(' '))
            ++end;
        int spaces = end;
        while (spaces < line.size() && line[spaces] == QLatin1Char(' '))
            ++spaces;
        const int word = end - i;
        if (column + word > columns && i != rows.back()) {
            rows.push_back(i);
            column = 0;
        }
        for (int k = i; k < end; ++k) {
            if (column + 1 > columns && k != rows.back()) {
                rows.push_back(k);
                column = 0;
            }
            ++column;
        }
        column += spaces - end;
        i = spaces;
    }
    return rows;
}

// The caret's rectangle in the text's own coordinates, whatever the view has scrolled to.
QRectF caretInText(OwnEngine &engine)
{
    auto *view = qobject_cast<QAbstractScrollArea *>(engine.widget());
    return view->inputMethodQuery(Qt::ImCursorRectangle)
        .toRectF()
        .translated(view->horizontalScrollBar()->value(), view->verticalScrollBar()->value() * engine.metrics().lineHeight());
}

}

class tst_LineLayout : public QObject
{
    Q_OBJECT

    Quiet client;
    LineMetrics metrics;   // in a fixed-pitch face

private slots:
    void initTestCase() { metrics.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 10)); }
    void rowsMatchTheGreedyModel()
    {
        const double cell = metrics.width(QStringLiteral("x"));
        QVERIFY2(metrics.width(QStringLiteral("iW.m")) == 4 * cell, "the test needs a fixed-pitch face");
        QRandomGenerator random(7);
        const QStringList words = {"a", "lorem", "ipsum", "x", "consectetur", "supercalifragilisticexpialidocious", " ", "  "};
        for (int round = 0; round < 300; ++round) {
            QString line;
            const int count = random.bounded(0, 40);
            for (int i = 0; i < count; ++i)
                line += words[random.bounded(int(words.size()))] + (random.bounded(3) ? QStringLiteral(" ") : QString());
            const int columns = random.bounded(3, 40);
            const std::vector<int> rows = breakRows(line, metrics, columns * cell + cell / 2);
            QVERIFY2(rows == greedyRows(line, columns), qPrintable(QStringLiteral("\"%1\" at %2 columns").arg(line).arg(columns)));
        }
    }

    // A line separator is one mark wide and the text after it is drawn on the same row.
    void lineSeparatorIsAMarkInTheRow()
    {
        const QString line = QStringLiteral("ab\u2028cd");
        const std::vector<LinePiece> pieces = rowPieces(line, 0, int(line.size()), metrics);
        QCOMPARE(pieces.back().end, 5);
        QCOMPARE(pieces.back().x + pieces.back().width, metrics.width(QStringLiteral("ab\u21b5cd")));
        const auto layout = metrics.layOut(line);
        QCOMPARE(layout->lineCount(), 1);
        QCOMPARE(layout->lineAt(0).textLength(), 5);
    }

    void longLineWidthsPassQtsLimit()
    {
        const double cell = metrics.width(QStringLiteral("x"));
        // Qt's 26.6 fixed point in an int wraps past 2^25 pixels; the sum of pieces must not.
        const int length = int(std::ceil((double(1 << 25) + 1e6) / cell));
        const QString line(length, QLatin1Char('x'));
        const std::vector<LinePiece> pieces = rowPieces(line, 0, length, metrics);
        QVERIFY(pieces.size() > 1000);
        QCOMPARE(pieces.back().end, length);
        QCOMPARE(pieces.back().x + pieces.back().width, length * cell);
    }

    void tabsAdvanceAtLeastASpace_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("expected");
        // Stops at 40, 80, 90, then every 30; a space is 10 wide here.
        QTest::newRow("|text  |stop: the next stop") << 10.0 << 40.0;
        QTest::newRow("|text |stop closer than a space: the one after") << 35.0 << 80.0;
        QTest::newRow("exactly a space before a stop") << 30.0 << 40.0;
        QTest::newRow("past the last stop: the distance repeats") << 95.0 << 120.0;
        QTest::newRow("a space before a repeated stop") << 115.0 << 150.0;
    }

    void tabsAdvanceAtLeastASpace()
    {
        QFETCH(double, x);
        QFETCH(double, expected);
        const double space = metrics.space();
        metrics.setTabStops({40 * space / 10, 80 * space / 10, 90 * space / 10}, 30 * space / 10);
        QCOMPARE(metrics.tabEnd(x * space / 10), expected * space / 10);
    }

    // Single-line edits keep the rows and pieces before them; the caret must land where a fresh layout puts it.
    void editedLongLineLaysOutAsAFreshOne()
    {
        QWidget top;
        OwnEngine edited(client, &top), fresh(client, &top);
        for (OwnEngine *engine : {&edited, &fresh}) {
            engine->widget()->setGeometry(0, 0, 300, 200);
            engine->setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
            engine->setTabStops({}, 50);
        }
        top.show();
        QRandomGenerator random(11);
        const QStringList bits = {"word ", "w", " ", "\t", "longerword", "\u00e9", "e\u0301 "};
        QString seed;
        for (int i = 0; i < 3000; ++i)
            seed += bits[random.bounded(int(bits.size()))];
        edited.reset(seed);
        for (int round = 0; round < 120; ++round) {
            edited.setWrap(round >= 40);
            fresh.setWrap(round >= 40);
            const int at = random.bounded(edited.length() + 1);
            edited.select(at, qMin(edited.length(), at + random.bounded(4)));
            edited.widget()->grab();   // lays out the rows in view, which the edit must then keep right
            edited.type(edited.selectionStart(), edited.selectionEnd() - edited.selectionStart(), bits[random.bounded(int(bits.size()))]);
            fresh.reset(edited.text(0, edited.length()));
            for (int p = 0; p <= edited.length(); p += 41)
                QCOMPARE(edited.lineFromPosition(p), fresh.lineFromPosition(p));
            for (const int probe : {at, random.bounded(edited.length() + 1)}) {
                edited.select(probe, probe);
                fresh.select(probe, probe);
                QCOMPARE(caretInText(edited), caretInText(fresh));
            }
        }
    }

    // A preedit is drawn, never stored; the commit is one edit and one undo step; a long line is never handed over whole.
    void inputMethodsSeeAWindowAndCommitOnce()
    {
        QWidget top;
        OwnEngine engine(client, &top);
        engine.widget()->setGeometry(0, 0, 300, 200);
        top.show();
        engine.reset(QString(100000, QLatin1Char('a')) + QStringLiteral("\nnext"));
        engine.select(50000, 50000);
        engine.type(50000, 0, QStringLiteral("x"));   // typing before the commit: the commit must not merge into it
        const int before = client.changes;
        QInputMethodEvent preedit(QStringLiteral("\u304b"), {});
        QApplication::sendEvent(engine.widget(), &preedit);
        QCOMPARE(client.changes, before);
        QCOMPARE(engine.length(), 100006);
        const QString around = engine.widget()->inputMethodQuery(Qt::ImSurroundingText).toString();
        QVERIFY2(around.size() <= 1000, qPrintable(QString::number(around.size())));
        QCOMPARE(around.mid(engine.widget()->inputMethodQuery(Qt::ImCursorPosition).toInt() - 1, 2), QStringLiteral("xa"));
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("\u304b\u306a"));
        QApplication::sendEvent(engine.widget(), &commit);
        QCOMPARE(client.changes, before + 1);
        QCOMPARE(engine.text(50000, 3), QStringLiteral("x\u304b\u306a"));
        engine.undo();
        QCOMPARE(engine.text(50000, 2), QStringLiteral("xa"));
    }
};

QTEST_MAIN(tst_LineLayout)
#include "tst_linelayout.moc"
