#pragma once

#include "AbilityTrack.h"

#include <QList>
#include <QPointF>

// One line of the chart along the route, drawn with few points however long the route: at most
// four for each run of paragraphs (its first and last value, its lowest and its highest, in their
// order on the route, so that no peak or dip is lost and the line ends at the value the sheet
// holds now), and a level stretch by its two ends. The runs
// begin at the start of the route, so a change late on the route leaves the points of the
// earlier runs as they were: bringing the line up to date costs the runs from the first point
// that changed, not the whole route.
class ThinnedLine
{
public:
    static constexpr int PointsPerRun = 4;

    struct Thinning
    {
        qsizetype run = 1;       // paragraphs per run
        bool joinLevels = false; // a level stretch is drawn by its ends only
        bool operator==(const Thinning &) const = default;
    };
    // How a route of count points is drawn with about maxDrawn points: every point while the
    // route has no more than everyPointUpTo, so that each can be marked.
    static Thinning thinningFor(qsizetype count, int maxDrawn, int everyPointUpTo);

    // Brings the drawn points to those of points (values at valueIndex), where the points
    // before firstChanged are those of the last update. Returns the first drawn point that
    // changed (a point removed counts from where it was), or -1 when none did.
    qsizetype update(const QList<AbilityTrack::Point> &points, int valueIndex, Thinning thinning,
                     qsizetype firstChanged);
    const QList<QPointF> &points() const { return m_drawn; }

private:
    QList<QPointF> m_drawn; // x is the point's place on the route, in ascending order
    Thinning m_thinning{0, false};
    int m_valueIndex = -1;
};
