#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class DiceStatistics;
class QChart;

// The charts of the dice tab: the count of each face against the count a fair die would give,
// the totals of the summed rolls against the totals fair dice would give, and the readings of a
// hundred-sided pair by tens against the even share fair dice give each.
namespace DiceCharts {

struct Bars
{
    QString title;
    QStringList categories;
    QList<double> rolled;
    QList<double> fair;
};

enum Chart { Faces, Totals, Hundreds, ChartCount };

// The bars of each chart, in the order of Chart; a chart with nothing to show has no
// categories (the faces always have theirs).
QList<Bars> barsOf(const DiceStatistics &statistics);
// Replaces what chart shows by the two bar sets of bars.
void show(QChart *chart, const Bars &bars);

} // namespace DiceCharts
