// Times one keystroke into an origin box while link mode is on: the key filter, the origin's
// change handler, the nested run it starts by writing the box back, and the current value's
// handler, up to the repaint. Prints the median and the spread.

#include "BenchCommon.h"
#include "IniData.h"
#include "MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

void press(QWidget *widget, Qt::Key key, const QString &text)
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &up);
}

} // namespace

int main(int argc, char **argv)
{
    useOffscreenUnlessChosen();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QFile(dir.filePath(u"diceroll.wav"_s)).open(QIODevice::WriteOnly);
    IniSettings settings(dir.path() + u'/');
    MainWindow form(settings, settings.programDir());
    form.show();
    auto *origin = form.findChild<QLineEdit *>(u"EditAbl1Max"_s);
    origin->setFocus();

    constexpr int Runs = 2001;
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
        // Alternate a digit and a backspace so the box stays short: 0 -> 07 -> 7 -> 0 ...
        const bool digit = i % 2 == 0;
        QElapsedTimer timer;
        timer.start();
        if (digit)
            press(origin, Qt::Key_7, u"7"_s);
        else
            press(origin, Qt::Key_Backspace, u"\b"_s);
        QCoreApplication::processEvents();
        times.push_back(timer.nsecsElapsed() / 1e3);
    }
    std::sort(times.begin(), times.end());
    std::printf("one keystroke into an origin box with link mode on (median of %d)\n", Runs);
    std::printf("  median %8.1f us   10%% %8.1f us   90%% %8.1f us\n", times[Runs / 2],
                times[Runs / 10], times[Runs * 9 / 10]);
    return 0;
}
