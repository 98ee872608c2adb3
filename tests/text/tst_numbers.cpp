// The number at the start of a text, as the tab size and the modified flag are read, and its 16-bit form.
#include "text/numbers.h"

#include <QTest>

class tst_Numbers : public QObject
{
    Q_OBJECT

private slots:
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("blanks only") << " \t " << 0.0;
        QTest::newRow("plain") << "8" << 8.0;
        QTest::newRow("blanks before and inside") << "  1 2" << 12.0;
        QTest::newRow("plus") << "+4" << 4.0;
        QTest::newRow("minus") << "-5" << -5.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("two signs") << "--3" << 0.0;
        QTest::newRow("trailing garbage") << "3x" << 3.0;
        QTest::newRow("letters first") << "abc" << 0.0;
        QTest::newRow("fraction") << "2.5" << 2.5;
        QTest::newRow("second point ends it") << "1.2.3" << 1.2;
        QTest::newRow("a comma ends it, whatever the locale") << "3,5" << 3.0;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("exponent without digits") << "2e" << 2.0;
        QTest::newRow("overflow is no number") << "1e999" << 0.0;
        QTest::newRow("huge but finite") << "99999999" << 99999999.0;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(text::leadingNumber(text), value);
    }

    void toInt16_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("result");
        QTest::newRow("half to even, down") << 2.5 << 2;
        QTest::newRow("half to even, up") << 3.5 << 4;
        QTest::newRow("negative half") << -0.5 << 0;
        QTest::newRow("clamped high") << 1e9 << 32767;
        QTest::newRow("clamped low") << -1e9 << -32768;
        QTest::newRow("not a number") << qQNaN() << 0;
    }
    void toInt16()
    {
        QFETCH(double, value);
        QFETCH(int, result);
        QCOMPARE(int(text::toInt16(value)), result);
    }
};

QTEST_GUILESS_MAIN(tst_Numbers)
#include "tst_numbers.moc"
