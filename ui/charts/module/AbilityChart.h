#pragma once

#include "AbilityTrack.h"
#include "PrintedSheet.h"
#include "ThinnedLine.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>
#include <utility>

class QCategoryAxis;
class QChart;
class QLineSeries;
class QValueAxis;

// The chart of the abilities and the money along the route: the x axis is the order of the
// paragraphs, labelled with their numbers, the y axis the value; one line each. A long route is
// drawn with at most four points per run of paragraphs (its first and last value, its lowest and
// its highest), so that a redraw costs the same on a route of ten thousand paragraphs as on one of
// a few hundred, no peak or dip is lost and each line ends at the value the sheet holds now.
//
// A step redraws what it changed: only the lines whose drawn points moved are handed to the
// chart again, and the axes keep their ranges while the values stay inside them (the x axis
// reaches a little past the end of a long route, so that a registration seldom widens it). The
// lines are drawn with about one point for each pixel of the plot's width.
class AbilityChart
{
public:
    // The drawn points of a line when the plot's width is not known yet.
    static constexpr int MaxDrawnPoints = 800;
    static constexpr int AxisLabels = 8;
    static constexpr int ValueTicks = 7;
    static constexpr int ShownPointsUpTo = 60;
    // A route longer than this many points leaves up to 1/64 of the x axis free past its end.
    static constexpr int ExactXUpTo = 128;

    // Fills chart, which the caller owns.
    explicit AbilityChart(QChart *chart);

    // What a call of show changed: nothing, the lines within areas (in the axes' values, one
    // for each line that changed), or more.
    struct Change
    {
        enum class Kind { Nothing, Lines, Everything };
        Kind kind = Kind::Nothing;
        QList<QRectF> areas;
    };

    Change show(const QList<PrintedSheet::Line> &lines, const QList<AbilityTrack::Point> &points,
                int firstChanged);
    // Where an area in the axes' values lies on the chart, in its own coordinates.
    QRectF chartArea(const QRectF &values) const;
    const QList<QLineSeries *> &series() const { return m_series; }
    // What a hover or a click on a line at x shows: paragraph, line name and value; empty away
    // from a known point.
    QString pointText(const QLineSeries *series, double x) const;

    // The end of the x axis for a route whose last point is at last.
    static qsizetype xAxisEnd(qsizetype last);
    // The distance between the x axis's labels.
    static qsizetype labelStride(qsizetype last);

private:
    void replaceLines(const QList<PrintedSheet::Line> &lines);
    int drawnPoints() const;
    bool showRanges();
    bool showLabels(int firstChanged);

    QChart *m_chart;
    QCategoryAxis *m_xAxis;
    QValueAxis *m_yAxis;
    QList<QLineSeries *> m_series;
    QList<ThinnedLine> m_drawn; // one for each series
    QList<PrintedSheet::Line> m_lines;
    QList<AbilityTrack::Point> m_points;
    qsizetype m_labelledCount = -1; // the last point when the labels were made
    qsizetype m_labelStride = 0;
    std::pair<int, int> m_valueRange{1, 0}; // the lowest and highest values the y axis shows
    qsizetype m_xEnd = -1;
    std::optional<bool> m_few; // the points are marked and the lines wide; none before a show
};
