// Window placement: strict tests, 400 twips free at the bottom, each step seeing the one before.
#include <QTest>

#include "settings/placement.h"

class tst_Placement : public QObject
{
    Q_OBJECT

private slots:
    void place_data()
    {
        QTest::addColumn<QRectF>("window");   // left, top, width, height in twips
        QTest::addColumn<QRectF>("expected");
        // The screen is 15360 x 11520 twips, so 11120 are usable in height.
        QTest::newRow("fits: stays") << QRectF(1000, 1000, 7470, 6375) << QRectF(1000, 1000, 7470, 6375);
        QTest::newRow("wider than the screen") << QRectF(500, 700, 20000, 6000) << QRectF(0, 700, 15360, 6000);
        QTest::newRow("exactly as wide: stays") << QRectF(0, 700, 15360, 6000) << QRectF(0, 700, 15360, 6000);
        QTest::newRow("taller than screen - 400") << QRectF(300, 800, 6000, 11121) << QRectF(300, 0, 6000, 11120);
        QTest::newRow("exactly screen - 400 tall: stays") << QRectF(300, 0, 6000, 11120) << QRectF(300, 0, 6000, 11120);
        QTest::newRow("right edge beyond") << QRectF(9000, 500, 7000, 5000) << QRectF(0, 500, 7000, 5000);
        QTest::newRow("right edge exactly at the screen's") << QRectF(8360, 500, 7000, 5000) << QRectF(8360, 500, 7000, 5000);
        QTest::newRow("bottom beyond the free band") << QRectF(100, 7000, 7000, 5000) << QRectF(100, 0, 7000, 5000);
        QTest::newRow("bottom exactly 400 above the screen's") << QRectF(100, 6120, 7000, 5000) << QRectF(100, 6120, 7000, 5000);
        QTest::newRow("both too big") << QRectF(100, 100, 99999, 99999) << QRectF(0, 0, 15360, 11120);
    }

    void place()
    {
        QFETCH(QRectF, window);
        QFETCH(QRectF, expected);
        const WindowRect placed = placeWindow({window.x(), window.y(), window.width(), window.height()}, 15360, 11520);
        QCOMPARE(QRectF(placed.left, placed.top, placed.width, placed.height), expected);
    }
};

QTEST_GUILESS_MAIN(tst_Placement)
#include "tst_placement.moc"
