#include "AxisScale.h"
#include "ThinnedLine.h"

#include <QTest>

#include <climits>
#include <random>

using namespace Qt::StringLiterals;

namespace {

using Points = QList<AbilityTrack::Point>;

// A route whose first value is its stamina; -1 for a point whose values no history told.
Points route(const QList<int> &values)
{
    Points points;
    for (int value : values) {
        AbilityTrack::Point point;
        point.known = value >= 0;
        point.values[0] = std::max(value, 0);
        points.append(point);
    }
    return points;
}

QString drawnText(const ThinnedLine &line)
{
    QStringList out;
    for (const QPointF &p : line.points())
        out.append(u"%1:%2"_s.arg(p.x()).arg(p.y()));
    return out.join(u' ');
}

QString thinned(const Points &points, ThinnedLine::Thinning thinning)
{
    ThinnedLine line;
    line.update(points, 0, thinning, 0);
    return drawnText(line);
}

} // namespace

class TestThinnedLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drawnPoints_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<int>("run");
        QTest::addColumn<bool>("joinLevels");
        QTest::addColumn<QString>("drawn");
        QTest::newRow("every point, unknown ones left out")
            << QList<int>{3, -1, 5, 5} << 1 << false << u"0:3 2:5 3:5"_s;
        QTest::newRow("first, lowest, highest and last of each run, in route order")
            << QList<int>{5, 1, 7, 9, 3, 6, 2, 4, 8, 5} << 5 << false
            << u"0:5 1:1 3:9 4:3 5:6 6:2 8:8 9:5"_s;
        QTest::newRow("a run at one value by its ends")
            << QList<int>{4, 4, 4, 7, 7, 7} << 3 << false << u"0:4 2:4 3:7 5:7"_s;
        QTest::newRow("the line ends at the last value")
            << QList<int>{3, 9, 1, 1, 5} << 5 << true << u"0:3 1:9 2:1 4:5"_s;
        QTest::newRow("a step between runs stays a step")
            << QList<int>{2, 2, 2, 2, 8, 8, 8, 8} << 4 << true << u"0:2 3:2 4:8 7:8"_s;
        QTest::newRow("a run no history told draws nothing")
            << QList<int>{-1, -1, 6, 2} << 2 << false << u"2:6 3:2"_s;
        QTest::newRow("a last run shorter than the others")
            << QList<int>{1, 2, 3, 4, 0} << 2 << false << u"0:1 1:2 2:3 3:4 4:0"_s;
        QTest::newRow("a level stretch by its ends")
            << QList<int>{4, 4, 4, 4, 6, 6, 6} << 1 << true << u"0:4 3:4 4:6 6:6"_s;
        QTest::newRow("levels joined across runs")
            << QList<int>{2, 2, 2, 2, 2, 2, 9} << 2 << true << u"0:2 5:2 6:9"_s;
        QTest::newRow("a dip inside a level stretch stays")
            << QList<int>{5, 5, 1, 5, 5} << 1 << true << u"0:5 1:5 2:1 3:5 4:5"_s;
    }
    void drawnPoints()
    {
        QFETCH(QList<int>, values);
        QFETCH(int, run);
        QFETCH(bool, joinLevels);
        QFETCH(QString, drawn);
        QCOMPARE(thinned(route(values), {run, joinLevels}), drawn);
    }

    void thinningForARoute_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("maxDrawn");
        QTest::addColumn<int>("run");
        QTest::addColumn<bool>("joinLevels");
        QTest::newRow("short: every point") << 60 << 800 << 1 << false;
        QTest::newRow("past the marked points, levels joined") << 61 << 800 << 1 << true;
        QTest::newRow("up to four points per run") << 200 << 800 << 1 << true;
        QTest::newRow("one more point, runs of two") << 201 << 800 << 2 << true;
        QTest::newRow("a long route") << 10000 << 640 << 63 << true;
        QTest::newRow("no width: runs of the whole route") << 500 << 0 << 500 << true;
    }
    void thinningForARoute()
    {
        QFETCH(int, count);
        QFETCH(int, maxDrawn);
        QFETCH(int, run);
        QFETCH(bool, joinLevels);
        const ThinnedLine::Thinning thinning = ThinnedLine::thinningFor(count, maxDrawn, 60);
        QCOMPARE(thinning.run, run);
        QCOMPARE(thinning.joinLevels, joinLevels);
    }

    // Brought up to date step by step, the line is the one drawn at once from the same points,
    // and the change it reports starts where the points first differ.
    void followingStepsDrawsWhatAFreshLineDraws_data()
    {
        QTest::addColumn<int>("appendPercent");
        QTest::addColumn<int>("deepestChange");
        QTest::addColumn<int>("run");
        QTest::addColumn<bool>("joinLevels");
        QTest::newRow("registrations, every point") << 100 << 1 << 1 << false;
        QTest::newRow("registrations, runs, levels") << 100 << 1 << 7 << true;
        QTest::newRow("undo and rewinds near the end") << 60 << 30 << 5 << true;
        QTest::newRow("changes deep in the route") << 50 << 400 << 16 << true;
    }
    void followingStepsDrawsWhatAFreshLineDraws()
    {
        QFETCH(int, appendPercent);
        QFETCH(int, deepestChange);
        QFETCH(int, run);
        QFETCH(bool, joinLevels);
        std::mt19937 random(20261208);
        Points points = route({10});
        ThinnedLine line;
        line.update(points, 0, {run, joinLevels}, 0);
        for (int step = 0; step < 1000; ++step) {
            qsizetype first = points.size();
            if (points.size() < 2 || int(random() % 100) < appendPercent) {
                // Level stretches, now and then a jump: the values a run has.
                const int last = int(points.last().values[0]);
                const int value = random() % 4 == 0 ? int(random() % 20) : last;
                points.append(route({random() % 9 == 0 ? -1 : value}));
            } else {
                const auto back = qsizetype(random() % qsizetype(deepestChange)) + 1;
                first = std::max<qsizetype>(1, points.size() - back);
                if (random() % 2 == 0)
                    points.resize(first); // a rewind
                else
                    points[first].values[0] = int(random() % 20); // an edit there
            }
            const QList<QPointF> before = line.points();
            const qsizetype changed = line.update(points, 0, {run, joinLevels}, first);
            const QString fresh = thinned(points, {run, joinLevels});
            QCOMPARE(drawnText(line), fresh);
            if (changed < 0) {
                QCOMPARE(line.points(), before);
                continue;
            }
            QVERIFY(line.points().first(std::min(changed, line.points().size())) ==
                    before.first(std::min(changed, before.size())));
            QVERIFY(changed >= line.points().size() || changed >= before.size() ||
                    line.points()[changed] != before[changed]);
        }
    }

    // However thin, the lowest and the highest value of the route are drawn, and the number of
    // points stays within what was asked for.
    void aLongRouteKeepsItsPeaksAndDips()
    {
        std::mt19937 random(7);
        QList<int> values;
        for (int i = 0; i < 10000; ++i)
            values.append(int(random() % 1000));
        values[4321] = 5000;
        values[9876] = -1;
        values[7777] = 0;
        const Points points = route(values);
        const ThinnedLine::Thinning thinning = ThinnedLine::thinningFor(points.size(), 600, 60);
        ThinnedLine line;
        line.update(points, 0, thinning, 0);
        QVERIFY(line.points().size() <= 600);
        double lowest = 1e9;
        double highest = -1e9;
        for (const QPointF &p : line.points()) {
            lowest = std::min(lowest, p.y());
            highest = std::max(highest, p.y());
        }
        QCOMPARE(lowest, 0.0);
        QCOMPARE(highest, 5000.0);
        QVERIFY(line.points().contains(QPointF(4321, 5000)));
    }

    // The value axis reads distinct whole numbers a whole step apart, holding the values however
    // near the ends of int they are; a level line stands between two ticks.
    void valueAxisLabels_data()
    {
        QTest::addColumn<double>("lowest");
        QTest::addColumn<double>("highest");
        QTest::addColumn<QString>("labels");
        QTest::newRow("counts up to 5.5") << 0.0 << 5.5 << u"0 2 4 6"_s;
        QTest::newRow("the ends of int") << double(INT_MIN) << double(INT_MAX)
                                         << u"-4000000000 -2000000000 0 2000000000 4000000000"_s;
        QTest::newRow("level at the top of int")
            << double(INT_MAX) << double(INT_MAX) << u"2147483646 2147483647 2147483648"_s;
    }
    void valueAxisLabels()
    {
        QFETCH(double, lowest);
        QFETCH(double, highest);
        QFETCH(QString, labels);
        const AxisScale scale = AxisScale::wholeNumbers(lowest, highest, 6);
        QStringList shown;
        for (int tick = 0; tick < scale.tickCount; ++tick)
            shown.append(QString::asprintf("%.0f", scale.low + tick * scale.step()));
        QCOMPARE(shown.join(u' '), labels);
    }
};

QTEST_APPLESS_MAIN(TestThinnedLine)
#include "tst_thinnedline.moc"
