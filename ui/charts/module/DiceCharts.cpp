#include "DiceCharts.h"

#include "DiceStatistics.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Replaces what chart shows by two bar sets over categories: what came up and what fair dice
// would give.
void showBars(QChart *chart, const QStringList &categories, const QList<double> &rolled,
              const QList<double> &fair)
{
    chart->removeAllSeries();
    // A removed axis is the caller's to delete.
    for (QAbstractAxis *axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    auto *series = new QBarSeries;
    auto *rolledSet = new QBarSet(u"出た回数"_s);
    rolledSet->append(rolled);
    auto *fairSet = new QBarSet(u"公平なダイスの期待値"_s);
    fairSet->append(fair);
    series->append(rolledSet);
    series->append(fairSet);
    chart->addSeries(series);
    auto *x = new QBarCategoryAxis;
    x->append(categories);
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    auto *y = new QValueAxis;
    double top = 1;
    for (const QList<double> *values : {&rolled, &fair})
        for (double value : *values)
            top = std::max(top, value);
    y->setRange(0, std::ceil(top * 1.1));
    y->applyNiceNumbers();
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    chart->legend()->setAlignment(Qt::AlignBottom);
}

} // namespace

namespace DiceCharts {

void showFaces(QChart *chart, const DiceStatistics &statistics)
{
    QStringList faces;
    QList<double> rolled;
    QList<double> fair;
    for (int face = statistics.lowestFace(); face <= statistics.highestFace(); ++face) {
        faces.append(QString::number(face));
        rolled.append(statistics.faceCounts().value(face - statistics.lowestFace()));
        fair.append(statistics.expectedPerFace());
    }
    chart->setTitle(u"出た目"_s);
    showBars(chart, faces, rolled, fair);
}

void showTotals(QChart *chart, const DiceStatistics &statistics)
{
    QList<int> totals = statistics.totals().keys();
    for (int total : statistics.expectedTotals().keys())
        if (!statistics.totals().contains(total))
            totals.append(total);
    std::sort(totals.begin(), totals.end());
    QStringList names;
    QList<double> rolled;
    QList<double> fair;
    for (int total : std::as_const(totals)) {
        names.append(QString::number(total));
        rolled.append(statistics.totals().value(total));
        fair.append(statistics.expectedTotals().value(total));
    }
    chart->setTitle(u"合計の分布"_s);
    showBars(chart, names, rolled, fair);
}

} // namespace DiceCharts
