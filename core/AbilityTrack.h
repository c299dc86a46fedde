#pragma once

#include "SheetState.h"
#include "SheetStep.h"

#include <QList>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>

struct SettingsValues;

// The values of the abilities and the money along the route of the sheet, as its history tells
// them: one point for the start and one for each paragraph on the route, holding the values the
// sheet had when the reader left it (for the last paragraph, the values it has now). A rewind or
// a cleared route takes the points of the paragraphs it removes off; an Open or New that replaces
// the route brings paragraphs whose values no history told, which stay unknown but for the last.
//
// It follows a history step by step: bringing it to a changed history costs what the changed
// steps did, not the route's length, so that a chart can follow play on a long route.
class AbilityTrack
{
public:
    static constexpr int MoneyIndex = 8; // after the abilities
    static constexpr int ValueCount = MoneyIndex + 1;
    using Values = std::array<int, ValueCount>;

    struct Point
    {
        std::uint16_t paragraph = 0; // 0 for the start, before the first paragraph
        bool known = false;          // the history told the values at this point
        Values values{};
        bool operator==(const Point &) const = default;
    };

    explicit AbilityTrack(const SheetState &initial = SheetState::fresh());

    // Starts again from initial, without steps.
    void reset(const SheetState &initial);
    // Brings the track to the first count steps of a history whose first `unchanged` steps are
    // those it follows already. Returns the first point that changed (points().size() when none).
    int update(int unchanged, int count, const std::function<const SheetStep &(int)> &stepAt);

    const QList<Point> &points() const { return m_points; }
    int stepCount() const { return int(m_log.size()); }

    // The abilities worth a line: those the settings show and name, within the record's count.
    static QList<int> chartedAbilities(const SettingsValues &settings, int abilityCount);
    // The line names: the ability's name, or "所持金" for the money.
    static QString lineName(const SettingsValues &settings, int index);

private:
    // What one step did to the points, so that it can be taken back.
    struct StepUndo
    {
        QList<Point> popped; // in their order on the route
        int pushed = 0;
        bool topChanged = false;
        Point topBefore;
    };

    void apply(const SheetStep &step);
    void revert(StepUndo &undo);
    void popTo(qsizetype size, StepUndo &undo);
    void touched(qsizetype index);

    QList<Point> m_points; // never empty
    QList<StepUndo> m_log;
    int m_firstChanged = 0;
};
