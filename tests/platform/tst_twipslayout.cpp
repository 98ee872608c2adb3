// The growing twips layout against numbers worked out by hand (96 dpi: 15 twips a pixel). Controls are pictures,
// whose needed size is exactly their picture's.
#include <QDialog>
#include <QLabel>
#include <QPixmap>
#include <QTest>

#include "platform/twips.h"
#include "platform/twipslayout.h"

class tst_TwipsLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (platform::logicalDpi() != 96)
            QSKIP("the numbers below are worked out at 96 dpi");
    }
    void layout_data();
    void layout();
};

namespace {

struct Control
{
    QRect designTwips;
    QSize needs;   // pixels
    bool centred = false;
};

}

Q_DECLARE_METATYPE(QList<Control>)
Q_DECLARE_METATYPE(QList<QRect>)

void tst_TwipsLayout::layout_data()
{
    QTest::addColumn<QSize>("clientTwips");
    QTest::addColumn<QList<Control>>("controls");
    QTest::addColumn<QList<QRect>>("placed");   // pixels
    QTest::addColumn<QSize>("window");

    QTest::newRow("[A  ][B]: room enough, the design stands")
        << QSize(3000, 600) << QList<Control>{{{0, 0, 1500, 300}, {50, 10}}, {{1800, 0, 900, 300}, {10, 10}}}
        << QList<QRect>{{0, 0, 100, 20}, {120, 0, 60, 20}} << QSize(200, 40);
    QTest::newRow("[AAAAAA][B]: A grows, B moves right, the window keeps its right margin")
        << QSize(3000, 600) << QList<Control>{{{0, 0, 1500, 300}, {150, 20}}, {{1800, 0, 900, 300}, {10, 10}}}
        << QList<QRect>{{0, 0, 150, 20}, {156, 0, 60, 20}} << QSize(236, 40);
    QTest::newRow("A over B: A grows down, B moves down, the window keeps its bottom margin")
        << QSize(3000, 1200) << QList<Control>{{{0, 0, 1500, 300}, {50, 40}}, {{0, 450, 1500, 300}, {10, 10}}}
        << QList<QRect>{{0, 0, 100, 40}, {0, 46, 100, 20}} << QSize(200, 96);
    QTest::newRow("[F] [LLLLLL]: the centred line widens both ways, F makes way, the window grows on both sides")
        << QSize(3000, 600) << QList<Control>{{{150, 0, 450, 300}, {10, 10}}, {{750, 0, 1500, 300}, {160, 20}, true}}
        << QList<QRect>{{14, 0, 30, 20}, {50, 0, 160, 20}} << QSize(260, 40);
}

void tst_TwipsLayout::layout()
{
    QFETCH(QSize, clientTwips);
    QFETCH(QList<Control>, controls);
    QFETCH(QList<QRect>, placed);
    QFETCH(QSize, window);
    QDialog dialog;
    platform::TwipsLayout layout;
    QList<QLabel *> labels;
    for (const Control &c : controls) {
        auto *label = new QLabel(&dialog);
        QPixmap picture(c.needs);
        picture.fill(Qt::gray);
        label->setPixmap(picture);
        const QRect &d = c.designTwips;
        if (c.centred)
            layout.placeCentred(label, d.x(), d.y(), d.width(), d.height());
        else
            layout.place(label, d.x(), d.y(), d.width(), d.height());
        labels << label;
    }
    // Laid out a second time, it comes out the same: nothing creeps.
    for (int pass = 0; pass < 2; ++pass) {
        QCOMPARE(layout.apply(dialog, clientTwips.width(), clientTwips.height()), window);
        for (int i = 0; i < labels.size(); ++i)
            QCOMPARE(labels[i]->geometry(), placed[i]);
    }
}

QTEST_MAIN(tst_TwipsLayout)
#include "tst_twipslayout.moc"
