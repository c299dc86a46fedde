// Times what follows one registration on a route of 10,000 paragraphs told step by step, with
// the history window open and then with the chart window open: the step itself, the window's
// update and its repaint. Prints the median, the mean and the 90th percentile of each, and the
// ratio of the medians chart / history (target at most 1: the chart is no slower to follow
// play); for scale, the step with neither window open.
//
// A window asks to be repainted through a timer of the platform (a frame's time by default):
// the benchmark sets that time to nothing and lets the event loop turn a few times after each
// step, so that each run holds the repaints that step asked for.

#include "BenchCommon.h"
#include "ChartCommands.h"
#include "IniData.h"
#include "Journal.h"
#include "MainWindow.h"
#include "SheetHistory.h"
#include "SheetUndo.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

enum class Shown { Neither, History, Charts };

constexpr int RouteLength = 10000;
constexpr int Runs = 201;
constexpr int EventLoopTurns = 5;

struct Figures
{
    double median = -1;
    double mean = -1;
    double ninetieth = -1;
};

void registerOne(MainWindow &form, int i)
{
    Sheet &sheet = form.sheet();
    // The stamina wanders as a run does, so that the lines are no flat ones.
    sheet.setCurrent(0, 10 + (i * 7) % 13);
    form.history().undo().commit(SheetStep::Kind::Spin);
    sheet.setParagraph(1 + (i * 37) % 400);
    sheet.registerParagraph();
    form.history().undo().commit(SheetStep::Kind::Register);
}

void settle()
{
    for (int turn = 0; turn < EventLoopTurns; ++turn)
        QCoreApplication::processEvents();
}

Figures timeSteps(Shown shown)
{
    QTemporaryDir dir;
    QFile(dir.filePath(u"diceroll.wav"_s)).open(QIODevice::WriteOnly);
    // A folder where the journal would be: the history stays in memory, as both windows see it.
    QDir(dir.path()).mkdir(Journal::fileName());
    IniSettings settings(dir.path() + u'/');
    MainWindow form(settings, settings.programDir());
    form.show();
    while (!form.history().journal())
        QCoreApplication::processEvents();
    form.sheet().setOrigin(0, 30);
    for (int i = 0; i < RouteLength; ++i)
        registerOne(form, i);
    if (shown == Shown::History)
        form.history().showHistory();
    else if (shown == Shown::Charts && !form.charts()->showCharts())
        return {};
    settle();
    std::vector<double> times;
    times.reserve(Runs);
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        registerOne(form, RouteLength + run);
        settle();
        times.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    Figures figures;
    figures.mean = std::accumulate(times.cbegin(), times.cend(), 0.0) / double(times.size());
    std::sort(times.begin(), times.end());
    figures.median = times[times.size() / 2];
    figures.ninetieth = times[times.size() * 9 / 10];
    return figures;
}

void print(const char *what, const Figures &figures)
{
    std::printf("  %-20s %9.1f %9.1f %9.1f\n", what, figures.median, figures.mean,
                figures.ninetieth);
}

} // namespace

int main(int argc, char **argv)
{
    useOffscreenUnlessChosen();
    if (qEnvironmentVariableIsEmpty("QT_QPA_UPDATE_IDLE_TIME"))
        qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
    QApplication app(argc, argv);
    const Figures neither = timeSteps(Shown::Neither);
    const Figures history = timeSteps(Shown::History);
    const Figures charts = timeSteps(Shown::Charts);
    std::printf("one registration on a route of %d paragraphs, the window's update and repaint "
                "included (%d runs, microseconds)\n",
                RouteLength, Runs);
    std::printf("  %-20s %9s %9s %9s\n", "", "median", "mean", "90%");
    print("neither window open", neither);
    print("history window open", history);
    if (charts.median < 0) {
        std::printf("  chart window: the module pelko_charts.so is not beside the benchmark\n");
        return 1;
    }
    print("chart window open", charts);
    std::printf("  ratio chart / history: %.2f (target at most 1)\n",
                charts.median / history.median);
    return 0;
}
