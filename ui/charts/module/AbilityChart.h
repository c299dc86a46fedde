#pragma once

#include "AbilityTrack.h"
#include "PrintedSheet.h"

#include <QList>
#include <QPointF>
#include <QString>

class QCategoryAxis;
class QChart;
class QLineSeries;
class QValueAxis;

// The chart of the abilities and the money along the route: the x axis is the order of the
// paragraphs, labelled with their numbers, the y axis the value; one line each. A long route is
// drawn with at most two points per step of the chart's resolution (the lowest and the highest
// value of each run of paragraphs), so that a redraw costs the same on a route of ten thousand
// paragraphs as on one of a few hundred, and no peak or dip is lost.
class AbilityChart
{
public:
    static constexpr int MaxDrawnPoints = 800;
    static constexpr int AxisLabels = 8;
    static constexpr int ShownPointsUpTo = 60;

    // Fills chart, which the caller owns.
    explicit AbilityChart(QChart *chart);

    void show(const QList<PrintedSheet::Line> &lines, const QList<AbilityTrack::Point> &points,
              int firstChanged);
    const QList<QLineSeries *> &series() const { return m_series; }
    // What a hover or a click on a line at x shows: paragraph, line name and value; empty away
    // from a known point.
    QString pointText(const QLineSeries *series, double x) const;

private:
    void showLabels(int firstChanged);
    QList<QPointF> drawnPoints(int valueIndex, int &lowest, int &highest) const;

    QChart *m_chart;
    QCategoryAxis *m_xAxis;
    QValueAxis *m_yAxis;
    QList<QLineSeries *> m_series;
    QList<PrintedSheet::Line> m_lines;
    QList<AbilityTrack::Point> m_points;
    qsizetype m_labelledCount = -1; // the last point when the labels were made
    qsizetype m_labelStride = 0;
};
