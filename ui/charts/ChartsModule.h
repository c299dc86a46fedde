#pragma once

#include "AbilityTrack.h"
#include "PrintedSheet.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class DiceStatistics;
class QDialog;
class QFont;
class QWidget;

// The charts and printing live in a module of their own (pelko_charts), with Qt Charts, Qt Print
// Support and Qt SVG under it, loaded when a chart or a print is first asked for: the window
// starts without them.

// The window "グラフ" as the program drives it.
class ChartWindowView
{
public:
    virtual ~ChartWindowView() = default;
    virtual QDialog *dialog() = 0;
    // The values along the route; the points before firstChanged are those shown already.
    virtual void showTrack(const QList<PrintedSheet::Line> &lines,
                           const QList<AbilityTrack::Point> &points, int firstChanged) = 0;
    virtual void showDice(const DiceStatistics &statistics) = 0;
    // Which tab is shown: the program brings only that one up to date, and the other when it is
    // shown (shown is called then).
    virtual bool abilitiesShown() const = 0;
    virtual bool diceShown() const = 0;
    virtual void whenTabShown(std::function<void()> shown) = 0;
    // Writes the chart of the tab shown as a PNG or, for a name ending in ".svg", an SVG
    // picture; the failure's text, or nothing.
    virtual QString saveImage(const QString &path) = 0;
};

class ChartsModule
{
public:
    virtual ~ChartsModule() = default;
    // A new window over parent, which owns it.
    virtual ChartWindowView *createChartWindow(QWidget *parent) = 0;
    // The print dialog with its preview; the pages are drawn in font's family.
    virtual void print(const PrintedSheet &sheet, const QFont &font, QWidget *parent) = 0;
    // The same pages as a PDF document.
    virtual QByteArray pdf(const PrintedSheet &sheet, const QFont &font) = 0;
};

// The module's one entry point, resolved by name: the module's object, which lives as long as
// the module stays loaded (for the rest of the run).
using ChartsModuleFactory = ChartsModule *(*)();
inline constexpr char ChartsModuleFactoryName[] = "pelkoChartsModule";

// Loads the module from the running program's own layout at the first call (never where it was
// built); nothing when it cannot be loaded.
ChartsModule *loadChartsModule();
// The module's file name, as a message names it.
QString chartsModuleFileName();
