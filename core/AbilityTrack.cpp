#include "AbilityTrack.h"

#include "IniData.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

AbilityTrack::Values valuesOf(const CharacterRecord &record)
{
    AbilityTrack::Values values{};
    for (int i = 0; i < AbilityTrack::MoneyIndex && i < record.abilityCount(); ++i)
        values[i] = record.current(i);
    values[AbilityTrack::MoneyIndex] = record.money();
    return values;
}

// The points of a route no history told: unknown, but for the last, which holds values.
QList<AbilityTrack::Point> untoldRoute(const QList<std::uint16_t> &entries,
                                       const AbilityTrack::Values &values)
{
    QList<AbilityTrack::Point> points;
    points.reserve(entries.size() + 1);
    points.append(AbilityTrack::Point{});
    for (std::uint16_t paragraph : entries)
        points.append(AbilityTrack::Point{paragraph, false, {}});
    points.last().known = true;
    points.last().values = values;
    return points;
}

} // namespace

AbilityTrack::AbilityTrack(const SheetState &initial)
{
    reset(initial);
}

void AbilityTrack::reset(const SheetState &initial)
{
    m_log.clear();
    m_points = untoldRoute(routeEntries(initial.record), valuesOf(initial.record));
    m_firstChanged = 0;
}

int AbilityTrack::update(int unchanged, int count,
                         const std::function<const SheetStep &(int)> &stepAt)
{
    m_firstChanged = int(m_points.size());
    unchanged = std::clamp(unchanged, 0, std::min(count, stepCount()));
    while (stepCount() > unchanged) {
        revert(m_log.last());
        m_log.removeLast();
    }
    for (int i = unchanged; i < count; ++i)
        apply(stepAt(i));
    return std::min(m_firstChanged, int(m_points.size()));
}

void AbilityTrack::touched(qsizetype index)
{
    m_firstChanged = std::min(m_firstChanged, int(index));
}

void AbilityTrack::popTo(qsizetype size, StepUndo &undo)
{
    size = std::max<qsizetype>(size, 1);
    if (m_points.size() <= size)
        return;
    undo.popped = m_points.mid(size);
    m_points.resize(size);
    touched(size);
}

void AbilityTrack::apply(const SheetStep &step)
{
    const SheetDelta &delta = step.delta;
    Values values = m_points.last().values;
    for (const SheetDelta::IndexedChange &change : delta.current) {
        if (change.index >= 0 && change.index < MoneyIndex)
            values[change.index] = change.after;
    }
    if (delta.money)
        values[MoneyIndex] = delta.money->after;

    StepUndo undo;
    if (delta.route) {
        const SheetDelta::RouteChange &route = *delta.route;
        switch (route.kind) {
        case SheetDelta::RouteChange::Kind::Append:
            popTo(route.baseCount + 1, undo);
            for (std::uint16_t paragraph : route.entries)
                m_points.append(Point{paragraph, true, values});
            undo.pushed = int(route.entries.size());
            break;
        case SheetDelta::RouteChange::Kind::Truncate:
            popTo(route.baseCount + 1, undo);
            break;
        case SheetDelta::RouteChange::Kind::Replace: {
            popTo(0, undo);
            // The start point is replaced too: it was the old sheet's.
            undo.popped.prepend(m_points.takeFirst());
            const QList<Point> told = untoldRoute(route.after, values);
            m_points.append(told);
            undo.pushed = int(told.size());
            touched(0);
            break;
        }
        }
    }
    // Points just added hold the values already; an earlier one takes the values it is left
    // with.
    if (Point &top = m_points.last(); undo.pushed == 0 && (!top.known || top.values != values)) {
        undo.topChanged = true;
        undo.topBefore = top;
        top.known = true;
        top.values = values;
        touched(m_points.size() - 1);
    }
    if (undo.pushed > 0)
        touched(m_points.size() - undo.pushed);
    m_log.append(std::move(undo));
}

void AbilityTrack::revert(StepUndo &undo)
{
    if (undo.topChanged) {
        m_points.last() = undo.topBefore;
        touched(m_points.size() - 1);
    }
    if (undo.pushed > 0) {
        m_points.resize(m_points.size() - undo.pushed);
        touched(m_points.size());
    }
    if (!undo.popped.isEmpty()) {
        touched(m_points.size());
        m_points.append(undo.popped);
    }
}

QList<int> AbilityTrack::chartedAbilities(const SettingsValues &settings, int abilityCount)
{
    QList<int> indexes;
    for (int i = 0; i < MoneyIndex && i < abilityCount; ++i) {
        if (settings.enabled[size_t(i)] && !settings.names[size_t(i)].trimmed().isEmpty())
            indexes.append(i);
    }
    return indexes;
}

QString AbilityTrack::lineName(const SettingsValues &settings, int index)
{
    if (index == MoneyIndex)
        return u"所持金"_s;
    return settings.names[size_t(std::clamp(index, 0, MoneyIndex - 1))];
}
