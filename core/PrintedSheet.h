#pragma once

#include "AbilityTrack.h"

#include <QList>
#include <QString>
#include <QStringList>

struct SheetState;

// What a printed character sheet shows: the name, each ability the settings show with its origin
// and current value, the money, the inventory, the flags that are set by their labels, the route,
// and the chart of the abilities along it.
struct PrintedSheet
{
    struct Ability
    {
        QString name;
        int origin = 0;
        int current = 0;
    };
    struct Line
    {
        QString name;
        int index = 0; // into AbilityTrack::Values
    };

    QString name;
    QList<Ability> abilities;
    int money = 0;
    QStringList inventory;
    QStringList flags;
    QList<std::uint16_t> route;
    QList<Line> lines;
    QList<AbilityTrack::Point> points;

    // The sheet of state; track tells the values along its route.
    static PrintedSheet of(const SheetState &state, const AbilityTrack &track);
    // The lines of the chart for the settings in force: one per charted ability, then money.
    static QList<Line> chartLines(const SettingsValues &settings, int abilityCount);
    // The route as printed: paragraphs joined by arrows.
    QString routeText() const;
};
