// Times what follows one registration on a route of 10,000 paragraphs told step by step, with
// the history window open and then with the chart window open: the step itself, the window's
// update and its repaint, up to the last pending event. Prints the medians and the ratio
// chart / history (target at most 1: the chart is no slower to follow play).

#include "BenchCommon.h"
#include "ChartCommands.h"
#include "IniData.h"
#include "Journal.h"
#include "MainWindow.h"
#include "SheetHistory.h"
#include "SheetUndo.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

enum class Shown { History, Charts };

constexpr int RouteLength = 10000;
constexpr int Runs = 101;

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

double medianStep(Shown shown)
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
    else if (!form.charts()->showCharts())
        return -1;
    QCoreApplication::processEvents();
    int next = RouteLength;
    return medianMicroseconds(Runs, [&] {
        registerOne(form, next++);
        QCoreApplication::processEvents();
    });
}

} // namespace

int main(int argc, char **argv)
{
    useOffscreenUnlessChosen();
    QApplication app(argc, argv);
    const double history = medianStep(Shown::History);
    const double charts = medianStep(Shown::Charts);
    std::printf("one registration on a route of %d paragraphs, the window's update and repaint "
                "included (median of %d)\n",
                RouteLength, Runs);
    std::printf("  history window open  %9.1f us\n", history);
    if (charts < 0) {
        std::printf("  chart window: the module pelko_charts.so is not beside the benchmark\n");
        return 1;
    }
    std::printf("  chart window open    %9.1f us\n", charts);
    std::printf("  ratio chart / history: %.2f (target at most 1)\n", charts / history);
    return 0;
}
