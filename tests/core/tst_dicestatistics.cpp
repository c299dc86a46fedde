#include "DiceStatistics.h"

#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// One roll per list of faces, each totalled as a sum.
QList<DiceEvent> rolls(const QList<QList<int>> &faces)
{
    QList<DiceEvent> out;
    for (const QList<int> &roll : faces) {
        DiceEvent event;
        event.faces = roll;
        for (int face : roll)
            event.total += face;
        out.append(event);
    }
    return out;
}

// count single-die rolls of each face.
QList<DiceEvent> singleRolls(const QList<int> &countOfFace, int lowest = 1)
{
    QList<QList<int>> faces;
    for (qsizetype f = 0; f < countOfFace.size(); ++f)
        for (int i = 0; i < countOfFace[f]; ++i)
            faces.append(QList<int>{lowest + int(f)});
    return rolls(faces);
}

} // namespace

class TestDiceStatistics : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Closed forms: Q(1, x) = e^-x, Q(1/2, x) = erfc(sqrt x), Q(3, x) = e^-x (1 + x + x²/2),
    // on both sides of the point where the series gives way to the continued fraction.
    void theIncompleteGammaMatchesClosedForms_data()
    {
        QTest::addColumn<double>("a");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("q");
        for (double x : {0.01, 0.5, 1.9, 2.1, 7.5, 40.0}) {
            const QByteArray at = QByteArray::number(x);
            QTest::addRow("a = 1, x = %s", at.constData()) << 1.0 << x << std::exp(-x);
            QTest::addRow("a = 1/2, x = %s", at.constData()) << 0.5 << x << std::erfc(std::sqrt(x));
            QTest::addRow("a = 3, x = %s", at.constData())
                << 3.0 << x << std::exp(-x) * (1 + x + x * x / 2);
        }
        QTest::newRow("x = 0") << 2.5 << 0.0 << 1.0;
    }
    void theIncompleteGammaMatchesClosedForms()
    {
        QFETCH(double, a);
        QFETCH(double, x);
        QFETCH(double, q);
        const double got = DiceStatistics::upperGammaQ(a, x);
        QVERIFY2(std::abs(got - q) <= 1e-12 * std::max(1.0, std::abs(q)) + 1e-300,
                 qPrintable(u"%1 instead of %2"_s.arg(got, 0, 'g', 17).arg(q, 0, 'g', 17)));
    }

    // The 1% and 5% points of the chi-square distribution with five degrees of freedom, as
    // every table gives them.
    void criticalValuesGiveTheirLevel_data()
    {
        QTest::addColumn<double>("chiSquare");
        QTest::addColumn<double>("p");
        QTest::newRow("5%") << 11.0705 << 0.05;
        QTest::newRow("1%") << 15.0863 << 0.01;
    }
    void criticalValuesGiveTheirLevel()
    {
        QFETCH(double, chiSquare);
        QFETCH(double, p);
        QVERIFY(std::abs(DiceStatistics::upperGammaQ(2.5, chiSquare / 2) - p) < 1e-5);
    }

    void aKnownHistoryGivesExactNumbers()
    {
        // Faces 1..5 once, 6 three times: eight throws, 4/3 expected of each face.
        const DiceStatistics stats(singleRolls({1, 1, 1, 1, 1, 3}));
        QCOMPARE(stats.throwCount(), 8);
        QCOMPARE(stats.faceCounts(), (QList<int>{1, 1, 1, 1, 1, 3}));
        QCOMPARE(stats.expectedPerFace(), 8.0 / 6);
        QCOMPARE(stats.chiSquare(), 2.5);
        QCOMPARE(stats.degreesOfFreedom(), 5);
        QCOMPARE(stats.pValue(), DiceStatistics::upperGammaQ(2.5, 1.25));
        // Eight throws say nothing about six faces.
        QCOMPARE(stats.verdict(), DiceStatistics::Verdict::TooFewRolls);
    }

    void verdicts_data()
    {
        QTest::addColumn<QList<int>>("countOfFace");
        QTest::addColumn<int>("verdict");
        QTest::newRow("even faces")
            << QList<int>{100, 100, 100, 100, 100, 100} << int(DiceStatistics::Verdict::Consistent);
        QTest::newRow("the wobble of a fair die")
            << QList<int>{95, 108, 97, 104, 93, 103} << int(DiceStatistics::Verdict::Consistent);
        QTest::newRow("a die that favours six")
            << QList<int>{90, 90, 90, 90, 90, 150} << int(DiceStatistics::Verdict::Suspicious);
        QTest::newRow("a die that never shows one")
            << QList<int>{0, 20, 20, 20, 20, 20} << int(DiceStatistics::Verdict::Suspicious);
        QTest::newRow("too few throws, however uneven")
            << QList<int>{0, 0, 0, 0, 0, 20} << int(DiceStatistics::Verdict::TooFewRolls);
    }
    void verdicts()
    {
        QFETCH(QList<int>, countOfFace);
        QFETCH(int, verdict);
        const DiceStatistics stats(singleRolls(countOfFace));
        QCOMPARE(int(stats.verdict()), verdict);
        QCOMPARE(stats.verdictText().isEmpty(), false);
    }

    void theFacesOfTheDieComeFromTheRolls_data()
    {
        QTest::addColumn<QList<QList<int>>>("faces");
        QTest::addColumn<int>("lowest");
        QTest::addColumn<int>("highest");
        QTest::newRow("an ordinary die, even before a six came up")
            << QList<QList<int>>{{1, 2}, {3}} << 1 << 6;
        QTest::newRow("a die that shows zero") << QList<QList<int>>{{0, 4}} << 0 << 6;
        QTest::newRow("a nine-sided die") << QList<QList<int>>{{9}, {1}} << 1 << 9;
    }
    void theFacesOfTheDieComeFromTheRolls()
    {
        QFETCH(QList<QList<int>>, faces);
        QFETCH(int, lowest);
        QFETCH(int, highest);
        const DiceStatistics stats(rolls(faces));
        QCOMPARE(stats.lowestFace(), lowest);
        QCOMPARE(stats.highestFace(), highest);
        QCOMPARE(stats.faceCounts().size(), highest - lowest + 1);
    }

    void totalsAreCountedAgainstTheChancesOfEachRoll()
    {
        QList<DiceEvent> history = rolls({{3, 4}, {6, 6}, {2}, {5, 1}});
        // A hundred-sided reading: its total is no sum of its faces.
        DiceEvent percentile;
        percentile.faces = {1, 2};
        percentile.total = 12;
        history.append(percentile);
        const DiceStatistics stats(history);
        QCOMPARE(stats.rollCount(), 5);
        QCOMPARE(stats.totals().value(12), 1);
        QCOMPARE(stats.hundredCounts().value(11), 1);
        QCOMPARE(stats.totals().value(6), 1);
        // Three two-dice rolls give a total of 7 once in six; the one-die roll never.
        QCOMPARE(stats.expectedTotals().value(7), 3.0 / 6);
        QCOMPARE(stats.expectedTotals().value(2), 3.0 / 36 + 1.0 / 6);
        double sum = 0;
        for (double expected : stats.expectedTotals())
            sum += expected;
        // Every summed roll counts once; the hundred-sided one not at all.
        QVERIFY(std::abs(sum - 4.0) < 1e-12);
    }

    // Two dice of 0..9 read as one hundred-sided die count among its readings, not the sums; a
    // roll that reads alike either way goes with the nearest that tells, the one before first.
    void hundredSidedReadingsAreNoSums_data()
    {
        QTest::addColumn<QString>("history");  // "faces=total" for each roll
        QTest::addColumn<QString>("readings"); // H and the reading, S and the sum
        QTest::newRow("tens 0 after a reading") << u"3,4=34 0,7=7"_s << u"H7 H34"_s;
        QTest::newRow("0 and 0 read 100") << u"0,0=100 5,0=5"_s << u"H100 S5"_s;
        QTest::newRow("nothing before, the next") << u"0,5=5 2,3=23"_s << u"H5 H23"_s;
        QTest::newRow("nothing tells: a sum") << u"0,5=5 6=6"_s << u"S5 S6"_s;
        QTest::newRow("the last before") << u"9,9=99 3,4=7 0,2=2 1,1=11"_s << u"H11 H99 S2 S7"_s;
    }
    void hundredSidedReadingsAreNoSums()
    {
        QFETCH(QString, history);
        QFETCH(QString, readings);
        QList<DiceEvent> events;
        for (const QString &roll : history.split(u' ')) {
            events.append({0, {}, roll.section(u'=', 1).toInt()});
            for (const QString &face : roll.section(u'=', 0, 0).split(u','))
                events.last().faces.append(face.toInt());
        }
        const DiceStatistics stats(events);
        QStringList read;
        for (int reading = 1; reading <= DiceStatistics::HundredReadings; ++reading)
            if (stats.hundredCounts()[reading - 1] > 0)
                read.append(u"H%1"_s.arg(reading));
        for (int total : stats.totals().keys())
            read.append(u"S%1"_s.arg(total));
        QCOMPARE(read.join(u' '), readings);
    }
};

QTEST_GUILESS_MAIN(TestDiceStatistics)
#include "tst_dicestatistics.moc"
