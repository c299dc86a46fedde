#include "DiceCharts.h"

#include "AxisScale.h"
#include "DiceStatistics.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QValueAxis>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int CountTicks = 6;
// Past this many bars, only every so many is labelled: the others are too narrow for their
// label, which would be cut short or run into its neighbours. The table names every bar.
constexpr qsizetype MostLabels = 12;
// The readings 1..100 of a hundred-sided pair are charted by tens: a hundred bars are too thin
// to read or label.
constexpr int HundredsPerBar = 10;

DiceCharts::Bars faceBars(const DiceStatistics &statistics)
{
    DiceCharts::Bars bars{u"出た目"_s, {}, {}, {}};
    for (int face = statistics.lowestFace(); face <= statistics.highestFace(); ++face) {
        bars.categories.append(QString::number(face));
        bars.rolled.append(statistics.faceCounts().value(face - statistics.lowestFace()));
        bars.fair.append(statistics.expectedPerFace());
    }
    return bars;
}

DiceCharts::Bars totalBars(const DiceStatistics &statistics)
{
    QList<int> totals = statistics.totals().keys();
    for (int total : statistics.expectedTotals().keys())
        if (!statistics.totals().contains(total))
            totals.append(total);
    std::sort(totals.begin(), totals.end());
    DiceCharts::Bars bars{u"合計の分布"_s, {}, {}, {}};
    for (int total : std::as_const(totals)) {
        bars.categories.append(QString::number(total));
        bars.rolled.append(statistics.totals().value(total));
        bars.fair.append(statistics.expectedTotals().value(total));
    }
    return bars;
}

DiceCharts::Bars hundredBars(const DiceStatistics &statistics)
{
    DiceCharts::Bars bars{u"百面ダイスの出目"_s, {}, {}, {}};
    if (statistics.hundredRolls() == 0)
        return bars;
    for (int first = 1; first <= DiceStatistics::HundredReadings; first += HundredsPerBar) {
        const int last = first + HundredsPerBar - 1;
        bars.categories.append(u"%1–%2"_s.arg(first).arg(last));
        int count = 0;
        for (int reading = first; reading <= last; ++reading)
            count += statistics.hundredCounts()[reading - 1];
        bars.rolled.append(count);
        bars.fair.append(statistics.expectedPerHundred() * HundredsPerBar);
    }
    return bars;
}

} // namespace

namespace DiceCharts {

QList<Bars> barsOf(const DiceStatistics &statistics)
{
    return {faceBars(statistics), totalBars(statistics), hundredBars(statistics)};
}

void show(QChart *chart, const Bars &bars)
{
    chart->setTitle(bars.title);
    chart->removeAllSeries();
    // A removed axis is the caller's to delete.
    for (QAbstractAxis *axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    auto *series = new QBarSeries;
    auto *rolledSet = new QBarSet(u"出た回数"_s);
    rolledSet->append(bars.rolled);
    // Short, so that the legend of a narrow chart is not cut: the table says it in full.
    auto *fairSet = new QBarSet(u"期待値"_s);
    fairSet->append(bars.fair);
    series->append(rolledSet);
    series->append(fairSet);
    chart->addSeries(series);
    auto *x = new QBarCategoryAxis;
    x->setTruncateLabels(false);
    const qsizetype stride = (bars.categories.size() + MostLabels - 1) / MostLabels;
    for (qsizetype i = 0; i < bars.categories.size(); ++i) {
        // The axis keeps one bar per text, and shows it as rich text: an unlabelled bar gets a
        // comment of its own, which shows nothing.
        x->append(i % stride == 0 ? bars.categories[i] : u"<!--%1-->"_s.arg(i));
    }
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    // Counts are whole numbers: so are the labels, a whole step apart.
    double top = 1;
    for (const QList<double> *values : {&bars.rolled, &bars.fair})
        for (double value : *values)
            top = std::max(top, value);
    const AxisScale scale = AxisScale::wholeNumbers(0, top, CountTicks);
    auto *y = new QValueAxis;
    y->setRange(scale.low, scale.high);
    y->setTickCount(scale.tickCount);
    y->setLabelFormat(u"%.0f"_s);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    chart->legend()->setAlignment(Qt::AlignBottom);
}

} // namespace DiceCharts
