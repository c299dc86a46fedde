// Times one keystroke into an origin box with link mode on, as bench_editing does, four ways:
// with the sheet's history switched off (the change handlers alone), with the undo stack but no
// journal (its file cannot be made), with both, and with both while the history window is open
// (it follows every step). Prints the medians and the ratio of the journalled keystroke to the
// bare one, in elapsed time and in processor time of the window's thread (the journal writes on
// a thread of its own, which a busy machine may not run beside it).

#include "BenchCommon.h"
#include "IniData.h"
#include "Journal.h"
#include "MainWindow.h"
#include "SheetHistory.h"
#include "SheetUndo.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

enum class Mode { Off, UndoOnly, Journal, Window };

struct Figures
{
    double wall = 0;   // median microseconds from the key press to the last pending event
    double thread = 0; // median microseconds of processor time of the window's thread
};

double threadMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

void press(QWidget *widget, Qt::Key key, const QString &text)
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &up);
}

Figures medianKeystroke(Mode mode)
{
    QTemporaryDir dir;
    QFile(dir.filePath(u"diceroll.wav"_s)).open(QIODevice::WriteOnly);
    if (mode != Mode::Journal) // a folder where the journal would be: it cannot open
        QDir(dir.path()).mkdir(Journal::fileName());
    IniSettings settings(dir.path() + u'/');
    MainWindow form(settings, settings.programDir());
    form.show();
    while (!form.history().journal())
        QCoreApplication::processEvents();
    form.history().undo().setRecording(mode != Mode::Off);
    if (mode == Mode::Window) {
        form.history().showHistory();
        form.activateWindow();
    }
    auto *origin = form.findChild<QLineEdit *>(u"EditAbl1Max"_s);
    origin->setFocus();

    constexpr int Runs = 2001;
    std::vector<double> times;
    std::vector<double> cpu;
    for (int i = 0; i < Runs; ++i) {
        const double cpuStart = threadMicroseconds();
        // A digit and a backspace in turn, 0 -> 07 -> 7 -> 0: a step, then one merged away.
        QElapsedTimer timer;
        timer.start();
        if (i % 2 == 0)
            press(origin, Qt::Key_7, u"7"_s);
        else
            press(origin, Qt::Key_Backspace, u"\b"_s);
        QCoreApplication::processEvents();
        times.push_back(timer.nsecsElapsed() / 1e3);
        cpu.push_back(threadMicroseconds() - cpuStart);
    }
    form.history().journal()->flush();
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    return {times[Runs / 2], cpu[Runs / 2]};
}

} // namespace

int main(int argc, char **argv)
{
    useOffscreenUnlessChosen();
    QApplication app(argc, argv);
    // "off", "undo", "journal" or "window" measures that way alone, for counting instructions.
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (!only.isEmpty()) {
        const Mode mode = only == u"off"_s      ? Mode::Off
                          : only == u"undo"_s   ? Mode::UndoOnly
                          : only == u"window"_s ? Mode::Window
                                                : Mode::Journal;
        const Figures figures = medianKeystroke(mode);
        std::printf("%s: %.1f us elapsed, %.1f us processor time\n", qPrintable(only), figures.wall,
                    figures.thread);
        return 0;
    }
    // Warm up once, then measure; each figure is the median of 2001 keystrokes.
    medianKeystroke(Mode::Off);
    const Figures off = medianKeystroke(Mode::Off);
    const Figures undo = medianKeystroke(Mode::UndoOnly);
    const Figures journal = medianKeystroke(Mode::Journal);
    const Figures window = medianKeystroke(Mode::Window);
    std::printf("one keystroke into an origin box with link mode on (median of 2001)\n");
    std::printf("                          elapsed    window thread's processor time\n");
    std::printf("  history off            %7.1f us  %7.1f us\n", off.wall, off.thread);
    std::printf("  undo stack, no journal %7.1f us  %7.1f us\n", undo.wall, undo.thread);
    std::printf("  undo stack and journal %7.1f us  %7.1f us\n", journal.wall, journal.thread);
    std::printf("  and the history open   %7.1f us  %7.1f us\n", window.wall, window.thread);
    std::printf("  ratio journal / off:   %7.2f     %7.2f    (target at most 1.10)\n",
                journal.wall / off.wall, journal.thread / off.thread);
    return 0;
}
