#pragma once

#include "AbilityTrack.h"

#include <QObject>
#include <QPointer>

#include <optional>
#include <tuple>

class ChartWindowView;
class QAction;
class QDialog;
class QWidget;
class Sheet;
class SheetHistory;
struct MainMenus;
struct PrintedSheet;

// "グラフ(&G)" and "印刷(&P)...": the window of charts along the route and of the dice, and the
// printed sheet. The values along the route are followed step by step as the history changes,
// and the window is brought up to date once the event loop is free again, so that a burst of
// steps costs one redraw.
class ChartCommands : public QObject
{
    Q_OBJECT

public:
    ChartCommands(const MainMenus &menus, Sheet &sheet, SheetHistory &history, QWidget *window);
    ~ChartCommands() override;

    // "グラフ"; false when the module is missing.
    bool showCharts();
    void print();
    ChartWindowView *chartWindow() const { return m_view; }
    // The values along the route of the sheet as its history tells them now.
    const AbilityTrack &track();
    PrintedSheet printedSheet();

private:
    void followSteps(int first);
    void scheduleRefresh();
    void refresh();
    void rebuild();
    bool moduleLoaded();

    Sheet &m_sheet;
    SheetHistory &m_history;
    QWidget *m_window;
    QAction *m_chartsAction = nullptr;
    QAction *m_printAction = nullptr;
    ChartWindowView *m_view = nullptr;
    QPointer<QDialog> m_dialog; // the view's window, while it lives
    AbilityTrack m_track;
    QList<SheetStep> m_grafted; // the steps of the history the sheet continues, told first
    int m_from = 0;             // the first of the sheet's own steps that is told
    // Which history the track follows (its generation, the step continuing another history and
    // that history's step); none: it must be built again.
    std::optional<std::tuple<int, int, qint64>> m_key;
    int m_changedFrom = -1; // the first of the sheet's steps changed since; -1 for none
    int m_firstPoint = 0;   // the first point the window has not shown yet
    bool m_diceChanged = true;
    bool m_refreshQueued = false;
    // While the window system may still activate the window just shown by itself.
    QMetaObject::Connection m_mappingWatch;
};
