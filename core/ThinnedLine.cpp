#include "ThinnedLine.h"

#include <algorithm>
#include <array>

ThinnedLine::Thinning ThinnedLine::thinningFor(qsizetype count, int maxDrawn, int everyPointUpTo)
{
    if (count <= everyPointUpTo)
        return {1, false};
    const qsizetype runs = std::max(1, maxDrawn / PointsPerRun);
    return {std::max<qsizetype>(1, (count + runs - 1) / runs), true};
}

qsizetype ThinnedLine::update(const QList<AbilityTrack::Point> &points, int valueIndex,
                              Thinning thinning, qsizetype firstChanged)
{
    thinning.run = std::max<qsizetype>(1, thinning.run);
    if (thinning != m_thinning || valueIndex != m_valueIndex) {
        firstChanged = 0;
        m_thinning = thinning;
        m_valueIndex = valueIndex;
    }
    const qsizetype run = thinning.run;
    const qsizetype count = points.size();
    qsizetype first = std::clamp<qsizetype>(firstChanged, 0, count) / run * run;
    const auto valueAt = [&points, valueIndex](qsizetype i) {
        return points[i].values[size_t(valueIndex)];
    };
    // The points of the runs from the first changed one are made again after those kept.
    const auto keptBefore = [this](qsizetype x) {
        return std::lower_bound(m_drawn.cbegin(), m_drawn.cend(), double(x),
                                [](const QPointF &p, double at) { return p.x() < at; });
    };
    auto kept = keptBefore(first);
    // A level stretch that went on past the first changed run lost the points inside it: it is
    // made again from the run where it began.
    while (kept != m_drawn.cbegin() && kept != m_drawn.cend() && (kept - 1)->y() == kept->y()) {
        first = qsizetype((kept - 1)->x()) / run * run;
        kept = keptBefore(first);
    }
    QList<QPointF> drawn(m_drawn.cbegin(), kept);
    const auto add = [&drawn, &thinning](qsizetype i, int value) {
        const QPointF point(double(i), value);
        const qsizetype n = drawn.size();
        // The middle one of three level points lies on the line between the other two.
        if (thinning.joinLevels && n >= 2 && drawn[n - 1].y() == point.y() &&
            drawn[n - 2].y() == point.y())
            drawn[n - 1] = point;
        else
            drawn.append(point);
    };
    for (qsizetype start = first; start < count; start += run) {
        const qsizetype end = std::min(count, start + run);
        // The first and the last known point of the run, its lowest and its highest, in their
        // order on the route: a change at either end of the run keeps its turning point, and the
        // line ends at the route's last value.
        std::array<qsizetype, PointsPerRun> shown{-1, -1, -1, -1};
        auto &[firstKnown, low, high, lastKnown] = shown;
        for (qsizetype i = start; i < end; ++i) {
            if (!points[i].known)
                continue;
            if (firstKnown < 0)
                firstKnown = i;
            lastKnown = i;
            if (low < 0 || valueAt(i) < valueAt(low))
                low = i;
            if (high < 0 || valueAt(i) > valueAt(high))
                high = i;
        }
        if (firstKnown < 0)
            continue;
        std::sort(shown.begin(), shown.end());
        for (auto i = shown.cbegin(); i != shown.cend(); ++i) {
            if (i == shown.cbegin() || *i != *(i - 1))
                add(*i, valueAt(*i));
        }
    }
    const auto differ =
        std::mismatch(drawn.cbegin(), drawn.cend(), m_drawn.cbegin(), m_drawn.cend());
    if (differ.first == drawn.cend() && differ.second == m_drawn.cend())
        return -1;
    const qsizetype changed = differ.first - drawn.cbegin();
    m_drawn = std::move(drawn);
    return changed;
}
