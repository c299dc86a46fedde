#include "AxisScale.h"

#include <QTest>

#include <climits>

using namespace Qt::StringLiterals;

class TestAxisScale : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The labels read whole numbers a whole step apart, no two alike, and the range holds the
    // values however near the ends of int they are.
    void wholeNumberLabels_data()
    {
        QTest::addColumn<double>("lowest");
        QTest::addColumn<double>("highest");
        QTest::addColumn<QString>("labels");
        QTest::newRow("a flat line at 0") << 0.0 << 0.0 << u"-1 0 1"_s;
        QTest::newRow("a flat line at 7") << 7.0 << 7.0 << u"6 7 8"_s;
        QTest::newRow("counts up to 2") << 0.0 << 2.0 << u"0 1 2"_s;
        QTest::newRow("counts up to 5.5") << 0.0 << 5.5 << u"0 2 4 6"_s;
        QTest::newRow("stamina 0 to 22 and its margin") << -2.0 << 24.0 << u"-10 0 10 20 30"_s;
        QTest::newRow("the ends of int") << double(INT_MIN) << double(INT_MAX)
                                         << u"-4000000000 -2000000000 0 2000000000 4000000000"_s;
        QTest::newRow("a flat line at the top of int")
            << double(INT_MAX) << double(INT_MAX) << u"2147483646 2147483647 2147483648"_s;
    }
    void wholeNumberLabels()
    {
        QFETCH(double, lowest);
        QFETCH(double, highest);
        QFETCH(QString, labels);
        const AxisScale scale = AxisScale::wholeNumbers(lowest, highest, 6);
        QVERIFY(scale.tickCount >= 2 && scale.tickCount <= 6);
        QVERIFY(scale.low <= lowest && scale.high >= highest);
        QStringList shown;
        for (int tick = 0; tick < scale.tickCount; ++tick)
            shown.append(QString::asprintf("%.0f", scale.low + tick * scale.step()));
        QCOMPARE(shown.join(u' '), labels);
    }
};

QTEST_APPLESS_MAIN(TestAxisScale)
#include "tst_axisscale.moc"
