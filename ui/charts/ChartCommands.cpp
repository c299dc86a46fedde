#include "ChartCommands.h"

#include "ChartsModule.h"
#include "DiceStatistics.h"
#include "EditingKeys.h"
#include "ErrorReport.h"
#include "Fonts.h"
#include "MainMenus.h"
#include "PrintedSheet.h"
#include "Sheet.h"
#include "SheetHistory.h"
#include "SheetUndo.h"

#include <QAction>
#include <QDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>
#include <QWindow>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The point size the printed sheet's text starts from; the module scales it for the page.
constexpr int PrintPixelSize = 14;
// How long after it is shown a window system activates a window it maps by itself, at most.
constexpr int MappingActivatesWithin = 500;

} // namespace

ChartCommands::ChartCommands(const MainMenus &menus, Sheet &sheet, SheetHistory &history,
                             QWidget *window)
    : QObject(window), m_sheet(sheet), m_history(history), m_window(window)
{
    // "グラフ" right after "履歴", printing right before "終了".
    QMenu *edit = menus.edit;
    const QList<QAction *> editItems = edit->actions();
    const qsizetype after = editItems.indexOf(history.historyAction());
    m_chartsAction = new QAction(u"グラフ(&G)"_s, edit);
    m_chartsAction->setObjectName(u"Charts1"_s);
    edit->insertAction(editItems.value(after + 1), m_chartsAction);
    m_printAction = new QAction(u"印刷(&P)..."_s, menus.file);
    m_printAction->setObjectName(u"Print1"_s);
    m_printAction->setShortcuts(
        EditingKeys::commandKeys(QKeySequence::Print, Qt::CTRL | Qt::Key_P));
    menus.file->insertAction(menus.exit, m_printAction);
    menus.file->insertSeparator(menus.exit)->setObjectName(u"PrintSeparator"_s);
    connect(m_chartsAction, &QAction::triggered, this, &ChartCommands::showCharts);
    connect(m_printAction, &QAction::triggered, this, &ChartCommands::print);

    SheetUndo &undo = history.undo();
    connect(&undo, &SheetUndo::stepsChanged, this, &ChartCommands::followSteps);
    connect(&undo, &SheetUndo::diceAdded, this, [this] {
        m_diceChanged = true;
        scheduleRefresh();
    });
    // New names or shown abilities change the lines, not the values.
    connect(&sheet, &Sheet::changed, this, [this](Sheet::Parts parts) {
        if (parts & Sheet::Settings)
            m_firstPoint = 0;
    });
}

ChartCommands::~ChartCommands()
{
    // The window outlives these commands when both go with the main window.
    if (m_dialog)
        m_view->whenTabShown({});
}

bool ChartCommands::moduleLoaded()
{
    if (loadChartsModule())
        return true;
    PelkoApplication::showError(
        u"グラフと印刷のモジュール %1 を読み込めません。"_s.arg(chartsModuleFileName()));
    return false;
}

bool ChartCommands::showCharts()
{
    if (!m_view) {
        if (!moduleLoaded())
            return false;
        m_view = loadChartsModule()->createChartWindow(m_window);
        m_dialog = m_view->dialog();
        m_view->whenTabShown([this] { refresh(); });
        m_firstPoint = 0;
        m_diceChanged = true;
    }
    refresh();
    // The window opens beside the sheet and leaves it the keyboard: the reader types on. A
    // window system that activates every window it maps gives the keyboard to it at once: the
    // sheet takes it back then, but not from a window the reader chose later.
    if (m_window->isActiveWindow() && !m_dialog->isVisible()) {
        disconnect(m_mappingWatch);
        m_mappingWatch =
            connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *focus) {
                disconnect(m_mappingWatch);
                if (focus && m_dialog && focus == m_dialog->windowHandle())
                    m_window->activateWindow();
            });
        QTimer::singleShot(MappingActivatesWithin, this, [this] { disconnect(m_mappingWatch); });
    }
    m_view->dialog()->show();
    m_view->dialog()->raise();
    return true;
}

void ChartCommands::followSteps(int first)
{
    m_changedFrom = m_changedFrom < 0 ? first : std::min(m_changedFrom, first);
    // Undo and rewind take rolls out of the history, redo brings them back: only rolls on the
    // steps that changed.
    const QList<DiceEvent> &dice = m_history.undo().dice();
    if (std::any_of(dice.cbegin(), dice.cend(),
                    [first](const DiceEvent &roll) { return roll.atStep >= first; }))
        m_diceChanged = true;
    scheduleRefresh();
}

void ChartCommands::scheduleRefresh()
{
    if (m_refreshQueued || !m_view || !m_view->dialog()->isVisible())
        return;
    m_refreshQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshQueued = false;
        refresh();
    });
}

void ChartCommands::rebuild()
{
    SheetHistory::Told told = m_history.toldHistory();
    m_track.reset(told.history.initial);
    const QList<SheetStep> &steps = told.history.steps;
    m_track.update(0, int(steps.size()), [&steps](int i) -> const SheetStep & { return steps[i]; });
    m_grafted = steps.first(told.base);
    m_from = told.from;
    m_key = std::tuple(m_history.undo().generation(), told.graftIndex, told.origin);
    m_firstPoint = 0;
}

const AbilityTrack &ChartCommands::track()
{
    const SheetUndo &undo = m_history.undo();
    const int graftIndex = undo.lastGraft();
    const qint64 origin = graftIndex >= 0 ? undo.stepAt(graftIndex).origin : undo.initialOrigin();
    const auto key = std::tuple(undo.generation(), graftIndex, origin);
    const int base = int(m_grafted.size());
    if (m_key != key || (m_changedFrom >= 0 && m_changedFrom < m_from + (graftIndex >= 0))) {
        rebuild();
    } else if (m_changedFrom >= 0) {
        // Only the steps from the one that changed are followed again.
        const int first =
            m_track.update(base + m_changedFrom - m_from, base + undo.stepCount() - m_from,
                           [this, base, &undo](int i) -> const SheetStep & {
                               return i < base ? m_grafted[i] : undo.stepAt(m_from + i - base);
                           });
        m_firstPoint = std::min(m_firstPoint, first);
    }
    m_changedFrom = -1;
    return m_track;
}

void ChartCommands::refresh()
{
    // The tab not shown waits until it is.
    if (!m_view)
        return;
    if (m_view->abilitiesShown()) {
        const int points = int(track().points().size());
        const CharacterRecord &record = m_sheet.record();
        m_view->showTrack(PrintedSheet::chartLines(m_sheet.settings(), record.abilityCount()),
                          m_track.points(), std::min(m_firstPoint, points));
        m_firstPoint = points;
    }
    if (m_diceChanged && m_view->diceShown()) {
        m_diceChanged = false;
        const SheetHistory::Told told = m_history.toldHistory();
        QList<DiceEvent> rolls;
        for (const DiceEvent &roll : told.history.dice) {
            if (roll.atStep <= told.history.steps.size())
                rolls.append(roll);
        }
        m_view->showDice(DiceStatistics(rolls));
    }
}

PrintedSheet ChartCommands::printedSheet()
{
    return PrintedSheet::of(m_sheet.state(), track());
}

void ChartCommands::print()
{
    if (!moduleLoaded())
        return;
    loadChartsModule()->print(printedSheet(), Fonts::proportional(PrintPixelSize), m_window);
}
