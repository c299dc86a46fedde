// Registering a paragraph appends one line pair to the route panel. This measures one append,
// layout and painting included, on a short route and on a long one: the cost should not grow
// with the route (ratio at most 2).
#include "BenchCommon.h"
#include "RoutePanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Samples = 200;

QList<std::uint16_t> routeOf(int count)
{
    QList<std::uint16_t> route;
    for (int i = 1; i <= count; ++i)
        route.append(std::uint16_t(i * 37 % 10000));
    return route;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Figures
{
    double rebuildMs;
    double appendUs;
};

Figures measure(int entries)
{
    QMainWindow window;
    auto *sheet = new QWidget;
    sheet->setFixedSize(496, RoutePanel::PanelHeight);
    window.setCentralWidget(sheet);
    auto *panel = new RoutePanel(&window);
    window.addDockWidget(Qt::RightDockWidgetArea, panel);
    window.show();
    QElapsedTimer waited;
    waited.start();
    while (!window.windowHandle()->isExposed() && waited.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    QElapsedTimer timer;
    timer.start();
    panel->setRoute(routeOf(entries));
    QApplication::processEvents();
    const double rebuildMs = timer.nsecsElapsed() / 1e6;

    std::vector<double> appends;
    appends.reserve(Samples);
    for (int i = 0; i < Samples; ++i) {
        timer.restart();
        panel->appendParagraph(std::uint16_t(1 + i % 9999));
        window.repaint();
        QApplication::processEvents();
        appends.push_back(timer.nsecsElapsed() / 1e3);
    }
    return {rebuildMs, median(appends)};
}

} // namespace

int main(int argc, char **argv)
{
    useOffscreenUnlessChosen();
    QApplication app(argc, argv);

    measure(10); // warm-up: fonts, style, first layout
    const Figures small = measure(10);
    const Figures large = measure(10000);
    std::printf("route panel, one append (median of %d, layout and painting included)\n", Samples);
    std::printf("  route of    10 entries: %8.1f us   (rebuild %7.2f ms)\n", small.appendUs,
                small.rebuildMs);
    std::printf("  route of 10000 entries: %8.1f us   (rebuild %7.2f ms)\n", large.appendUs,
                large.rebuildMs);
    std::printf("  ratio 10000 / 10: %.2f (target at most 2)\n", large.appendUs / small.appendUs);
    return 0;
}
