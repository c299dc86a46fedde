#pragma once

class DiceStatistics;
class QChart;

// The charts of the dice tab: the count of each face against the count a fair die would give,
// and the totals rolled against the totals fair dice would give.
namespace DiceCharts {

void showFaces(QChart *chart, const DiceStatistics &statistics);
void showTotals(QChart *chart, const DiceStatistics &statistics);

} // namespace DiceCharts
