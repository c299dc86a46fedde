// How long one step of a ten-dice roll takes on the window thread: new faces drawn into the
// picture and the picture repainted at once, as every 50 ms tick of a roll does.

#include "BenchCommon.h"
#include "DiceFaces.h"
#include "DiceStrip.h"
#include "IniData.h"
#include "SoundPlayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Figures
{
    double median;
    double p90;
    double best;
};

Figures measure(int rounds, const std::function<void()> &step)
{
    for (int i = 0; i < rounds / 10; ++i)
        step();
    std::vector<double> micros;
    micros.reserve(std::size_t(rounds));
    QElapsedTimer clock;
    for (int i = 0; i < rounds; ++i) {
        clock.start();
        step();
        micros.push_back(double(clock.nsecsElapsed()) / 1000.0);
    }
    std::sort(micros.begin(), micros.end());
    return {micros[micros.size() / 2], micros[micros.size() * 9 / 10], micros.front()};
}

void print(const char *what, const Figures &f)
{
    // A roll step comes every 50 ms; the share says how much of that the step itself takes.
    std::printf("%-44s median %8.1f us  p90 %8.1f us  best %8.1f us  %5.2f %% of a 50 ms step\n",
                what, f.median, f.p90, f.best, f.median / 500.0);
}

} // namespace

int main(int argc, char **argv)
{
    useOffscreenUnlessChosen();
    // Measured without a sound server, so that a run makes no noise; play() only queues work
    // for the sound thread either way.
    qputenv("PULSE_SERVER", "unix:/nonexistent/pelko-bench");
    QApplication app(argc, argv);
    constexpr int Rounds = 2000;

    SettingsValues settings;
    settings.soundEffect = false;
    DiceStrip strip(settings);
    strip.setSeed(1);
    strip.show();
    // Steps only paint once the window is on screen.
    QElapsedTimer waiting;
    waiting.start();
    while (!(strip.windowHandle() && strip.windowHandle()->isExposed()) && waiting.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents();
    strip.clearFaces();
    strip.diceCountChosen(9);
    std::printf("ten dice, pixel ratio %.1f, %d rounds\n", strip.devicePixelRatioF(), Rounds);

    print("step, pip faces", measure(Rounds, [&] { strip.drawFaces(false); }));
    settings.numberDice = true;
    print("step, digit faces", measure(Rounds, [&] { strip.drawFaces(false); }));
    settings.numberDice = false;

    QFile wav(QCoreApplication::applicationDirPath() + QStringLiteral("/../app/diceroll.wav"));
    if (wav.open(QIODevice::ReadOnly)) {
        strip.setSound(wav.readAll());
        settings.soundEffect = true;
        print("timer tick with the sound queued", measure(Rounds, [&] { strip.rollStep(); }));
        settings.soundEffect = false;
    }

    print("drawing all twenty faces", measure(Rounds / 20, [&] {
              const DiceFaces faces(strip.devicePixelRatioF());
              for (int face = 0; face < DiceFaces::Count; ++face)
                  faces.picture(face);
          }));
    return 0;
}
