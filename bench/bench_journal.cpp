// Undo, redo and rewind on a sheet with 10,000 registered paragraphs and 100,000 steps beside
// a small one, and the journal's cost of one step. Prints medians and heavy/small ratios.

#include "BenchCommon.h"
#include "HistoryWindow.h"
#include "IniData.h"
#include "Journal.h"
#include "Ledger.h"
#include "MainWindow.h"
#include "SheetHistory.h"
#include "SheetUndo.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUndoStack>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int Runs = 201;

struct Game
{
    SheetState initial;
    QList<SheetStep> steps;
    SheetState current;
};

// One step in ten registers a paragraph; the others type money, click an ability's spin
// button or tick a flag.
Game play(int stepCount, bool heavy)
{
    Game game;
    game.initial = SheetState::fresh();
    if (heavy) {
        fillHeavySheet(game.initial.record);
        game.initial.record.setRouteCount(0);
    } else {
        game.initial.record.setFlagCount(10);
    }
    for (int i = 0; i < 8; ++i) {
        game.initial.record.setOrigin(i, 20);
        game.initial.record.setCurrent(i, 10);
    }
    SheetState state = game.initial;
    game.steps.reserve(stepCount);
    for (int i = 0; i < stepCount; ++i) {
        SheetState next = state;
        CharacterRecord &r = next.record;
        SheetStep step;
        step.timeMs = 1796637600000 + i * 1000;
        switch (i % 10) {
        case 0: {
            auto paragraph = std::uint16_t((i * 37) % 400 + 1);
            if (paragraph == r.routeAt(r.routeCount()))
                ++paragraph;
            r.setRouteCount(r.routeCount() + 1);
            r.setRouteAt(r.routeCount(), paragraph);
            step.kind = SheetStep::Kind::Register;
            break;
        }
        case 3:
        case 6:
            r.setFlag(i % r.flagCount(), !r.flag(i % r.flagCount()));
            step.kind = SheetStep::Kind::Flag;
            break;
        case 1:
        case 4:
        case 7:
            r.setCurrent(i % 8, r.current(i % 8) == 10 ? 9 : 10);
            step.kind = SheetStep::Kind::Spin;
            step.field = u"EditAbl%1"_s.arg(i % 8 + 1);
            break;
        default:
            r.setMoney(r.money() + 1);
            step.kind = SheetStep::Kind::Typing;
            step.field = u"EditMoney"_s;
            break;
        }
        step.delta = SheetDelta::between(state, next);
        game.steps.append(step);
        state = std::move(next);
    }
    game.current = state;
    return game;
}

struct Figures
{
    double undoTyping = 0, redoTyping = 0, undoRegister = 0, redoRegister = 0, rewind = 0,
           append = 0, amend = 0, alone = 0, written = 0, load = 0, ledger = 0, resume = 0,
           openWithHistory = 0, history = 0;
    qint64 resumeGrowth = 0, bytesPerStep = 0;
};

qint64 journalBytes(const QString &dir)
{
    const QString path = QDir(dir).filePath(Journal::fileName());
    return QFileInfo(path).size() + QFileInfo(path + u"-wal"_s).size();
}

double elapsedUs(QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1000.0;
}

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

Figures measure(const Game &game, const QString &dir)
{
    Figures f;
    Journal journal;
    if (!journal.open(dir) || !journal.beginSession(game.initial)) {
        std::fprintf(stderr, "journal unavailable: %s\n", qPrintable(journal.statusText()));
        return f;
    }
    for (const SheetStep &step : game.steps)
        journal.appendStep(step);
    journal.flush();
    const int n = int(game.steps.size());
    SheetState state = game.current;

    // Undo and redo of one step: the state and the journal's undo index, as the stack does it.
    const auto undoRedo = [&](int index, double &undo, double &redo) {
        std::vector<double> undos, redos;
        const SheetDelta &delta = game.steps[index].delta;
        for (int run = 0; run < Runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            state = delta.applyTo(std::move(state), SheetDelta::Direction::Back);
            journal.setUndoIndex(index);
            undos.push_back(elapsedUs(timer));
            timer.restart();
            state = delta.applyTo(std::move(state), SheetDelta::Direction::Forward);
            journal.setUndoIndex(index + 1);
            redos.push_back(elapsedUs(timer));
        }
        undo = median(undos);
        redo = median(redos);
    };
    undoRedo(n - 1, f.undoTyping, f.redoTyping);
    int lastRegister = n - 1;
    while (game.steps[lastRegister].kind != SheetStep::Kind::Register)
        --lastRegister;
    // Undo the steps after the registration first, untimed, then time the registration's.
    for (int i = n - 1; i > lastRegister; --i)
        state = game.steps[i].delta.applyTo(std::move(state), SheetDelta::Direction::Back);
    journal.setUndoIndex(lastRegister + 1);
    undoRedo(lastRegister, f.undoRegister, f.redoRegister);
    for (int i = lastRegister + 1; i < n; ++i)
        state = game.steps[i].delta.applyTo(std::move(state), SheetDelta::Direction::Forward);
    journal.setUndoIndex(n);

    journal.flush();
    QElapsedTimer timer;
    timer.start();
    const auto session = journal.loadSession(journal.currentSession());
    f.load = elapsedUs(timer) / 1000.0;
    timer.restart();
    const Ledger loaded(session->initial, session->steps, {}, {}, {});
    f.ledger = elapsedUs(timer) / 1000.0;
    // The history window builds its ledger from the undo stack's steps, whose texts and lists
    // the sheet shares as long as they are unchanged; one from the journal would make the
    // rewind compare the 64 KB inventory with an equal copy of itself.
    const Ledger ledger(game.initial, game.steps, {}, {}, {});
    if (!(loaded.stateAtRow(int(loaded.rows().size()) - 2) ==
          ledger.stateAtRow(int(ledger.rows().size()) - 2)))
        std::fprintf(stderr, "the ledger from the journal differs\n");

    // A rewind to the paragraph before the last: the step from the ledger, the state it gives
    // and its journal entry. Undoing it afterwards (untimed) makes the next run start from the
    // same sheet.
    std::vector<double> rewinds, appends, amends;
    const int target = int(ledger.rows().size()) - 2;
    for (int run = 0; run < Runs; ++run) {
        timer.restart();
        const SheetStep rewind{SheetStep::Kind::Rewind, QString(), 0,
                               ledger.rewindDelta(state, target)};
        const SheetState rewound = rewind.delta.applyTo(state, SheetDelta::Direction::Forward);
        journal.appendStep(rewind);
        rewinds.push_back(elapsedUs(timer));
        if (run == 0 && !(rewound == ledger.stateAtRow(target)))
            std::fprintf(stderr, "the rewind missed its target\n");
        journal.setUndoIndex(n);

        timer.restart();
        journal.appendStep(game.steps[n - 1]);
        appends.push_back(elapsedUs(timer));
        timer.restart();
        journal.amendLastStep(game.steps[n - 1]);
        amends.push_back(elapsedUs(timer));
        journal.setUndoIndex(n);
    }
    f.rewind = median(rewinds);
    f.append = median(appends);
    f.amend = median(amends);
    journal.flush();

    // One step from the window thread to the disk while the journal has nothing else to do.
    std::vector<double> alone;
    for (int run = 0; run < 21; ++run) {
        timer.restart();
        journal.appendStep(game.steps[n - 1]);
        journal.flush();
        alone.push_back(elapsedUs(timer));
        journal.setUndoIndex(n);
    }
    f.alone = median(alone);
    journal.flush();

    // A burst of steps queued at once, then waited for: they share one transaction.
    constexpr int Burst = 200;
    timer.restart();
    for (int run = 0; run < Burst; ++run)
        journal.appendStep(game.steps[n - 1]);
    journal.flush();
    f.written = elapsedUs(timer) / Burst;
    if (!journal.isAvailable())
        std::fprintf(stderr, "journal failed: %s\n", qPrintable(journal.statusText()));

    // The game's program ends without a save; it leaves the file it wrote last. Another program
    // takes the sheet up, then opens the file: both stand on the steps already there.
    const QString file = QDir(dir).filePath(u"game.pkd"_s);
    journal.noteSaved(file, "the game's bytes");
    journal.setUndoIndex(n, game.current);
    journal.appendStep(game.steps[n - 1], game.current);
    journal.close();
    f.bytesPerStep = journalBytes(dir) / qint64(n + 2 * Runs + 21 + Burst);
    Journal other;
    other.open(dir);
    other.beginSession(SheetState::fresh());
    other.flush();
    const qint64 before = journalBytes(dir);
    timer.restart();
    const QList<Journal::UnsavedSheet> offered = other.unsavedSheets();
    const auto taken = offered.isEmpty() ? std::nullopt : other.takeSheet(offered[0].session);
    if (!taken || !(taken->state == game.current))
        std::fprintf(stderr, "the sheet taken up is not the game's\n");
    f.resume = elapsedUs(timer);
    f.resumeGrowth = journalBytes(dir) - before;
    std::vector<double> opens;
    for (int run = 0; run < 21; ++run) {
        timer.restart();
        const auto step = other.stepForSaveFile(file, "the game's bytes");
        other.appendStep({SheetStep::Kind::Open, QString(), 0, {}}, game.current);
        if (step)
            other.setOrigin(*step);
        other.flush();
        opens.push_back(elapsedUs(timer));
        if (!step)
            std::fprintf(stderr, "the file's history was not found\n");
    }
    f.openWithHistory = median(opens);
    timer.restart();
    const auto history = other.historyTo(other.currentStep());
    f.history = elapsedUs(timer) / 1000.0;
    if (!history || history->steps.size() <= n)
        std::fprintf(stderr, "the history the file continues is not the game's\n");
    return f;
}

struct WindowFigures
{
    double undoTyping = 0, redoTyping = 0, undoRegister = 0, redoRegister = 0, rewind = 0,
           rewindClosed = 0;
};

// The same steps through the real main window: the menu's undo and redo items and a rewind
// from the history window, each with the window's refresh (boxes, flags, route view) and the
// pending events.
WindowFigures measureWindow(const Game &game)
{
    WindowFigures f;
    QTemporaryDir dir;
    QFile(dir.filePath(u"diceroll.wav"_s)).open(QIODevice::WriteOnly);
    SettingsValues ini;
    ini.flagNumber = game.initial.record.flagCount();
    for (int i = 1; i <= ini.flagNumber; ++i)
        ini.flagText += u"旗%1\r\n"_s.arg(i);
    saveSettingsFile(ini, dir.filePath(u"Default.ini"_s));
    IniSettings settings(dir.path() + u'/');
    MainWindow form(settings, settings.programDir());
    form.show();
    while (!form.history().journal())
        QCoreApplication::processEvents();
    SheetUndo &undo = form.history().undo();
    undo.restore(game.initial, game.steps, int(game.steps.size()), {}, 0, true);
    QCoreApplication::processEvents();
    if (!(form.sheet().state().record == game.current.record))
        std::fprintf(stderr, "the window does not show the game's sheet\n");
    auto *undoItem = form.findChild<QAction *>(u"Undo1"_s);
    auto *redoItem = form.findChild<QAction *>(u"Redo1"_s);
    const auto timed = [](QAction *item) {
        QElapsedTimer timer;
        timer.start();
        item->trigger();
        QCoreApplication::processEvents();
        return elapsedUs(timer);
    };
    const auto undoRedo = [&](double &undoTime, double &redoTime) {
        std::vector<double> undos, redos;
        for (int run = 0; run < Runs; ++run) {
            undos.push_back(timed(undoItem));
            redos.push_back(timed(redoItem));
        }
        undoTime = median(undos);
        redoTime = median(redos);
    };
    undoRedo(f.undoTyping, f.redoTyping);
    const int n = int(game.steps.size());
    int lastRegister = n - 1;
    while (game.steps[lastRegister].kind != SheetStep::Kind::Register)
        --lastRegister;
    undo.stack()->setIndex(lastRegister + 1);
    QCoreApplication::processEvents();
    undoRedo(f.undoRegister, f.redoRegister);
    undo.stack()->setIndex(n);
    QCoreApplication::processEvents();

    // The history window builds its ledger once, as it opens; the rewind is timed with the
    // window open (it shows the new row) and again once it is closed.
    form.findChild<QAction *>(u"History1"_s)->trigger();
    QCoreApplication::processEvents();
    for (double *figure : {&f.rewind, &f.rewindClosed}) {
        std::vector<double> rewinds;
        for (int run = 0; run < Runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            form.history().rewindToRow(n / 10 - 1); // the paragraph before the last
            QCoreApplication::processEvents();
            rewinds.push_back(elapsedUs(timer));
            undoItem->trigger();
            QCoreApplication::processEvents();
        }
        *figure = median(rewinds);
        form.history().historyWindow()->close();
    }
    return f;
}

void row(const char *what, double small, double heavy, const char *unit = "us")
{
    std::printf("%-34s %10.1f %10.1f %s %7.2fx\n", what, small, heavy, unit, heavy / small);
}

} // namespace

int main(int argc, char *argv[])
{
    useOffscreenUnlessChosen();
    QApplication app(argc, argv);
    const int heavySteps = argc > 1 ? std::max(QByteArray(argv[1]).toInt(), 10) : 100000;
    QTemporaryDir smallDir;
    QTemporaryDir heavyDir;
    const Game small = play(10, false);
    QElapsedTimer timer;
    timer.start();
    const Game heavy = play(heavySteps, true);
    std::printf("heavy game: %d paragraphs, %lld steps, made in %.0f ms\n",
                heavy.current.record.routeCount(), qint64(heavy.steps.size()),
                double(timer.elapsed()));
    const Figures s = measure(small, smallDir.path());
    timer.restart();
    const Figures h = measure(heavy, heavyDir.path());
    std::printf("heavy journal written and measured in %.1f s\n\n", double(timer.elapsed()) / 1000);
    std::printf("%-34s %10s %10s    %8s\n", "median of 201", "small", "heavy", "ratio");
    row("undo of typed money", s.undoTyping, h.undoTyping);
    row("redo of typed money", s.redoTyping, h.redoTyping);
    row("undo of a registration", s.undoRegister, h.undoRegister);
    row("redo of a registration", s.redoRegister, h.redoRegister);
    row("rewind one paragraph back", s.rewind, h.rewind);
    row("append one step (window thread)", s.append, h.append);
    row("amend the last step (window thread)", s.amend, h.amend);
    row("one step on the disk (median of 21)", s.alone, h.alone);
    row("each of 200 steps in a burst", s.written, h.written);
    row("load the session (once)", s.load, h.load, "ms");
    row("build the ledger (once)", s.ledger, h.ledger, "ms");
    row("take the sheet up (once, to the disk)", s.resume, h.resume);
    row("open a file with history (to the disk)", s.openWithHistory, h.openWithHistory);
    row("the history an Open continues (once)", s.history, h.history, "ms");
    std::printf("journal growth taking the sheet up   %10lld %10lld bytes\n", s.resumeGrowth,
                h.resumeGrowth);
    std::printf("journal bytes per step                %10lld %10lld bytes\n", s.bytesPerStep,
                h.bytesPerStep);

    const WindowFigures ws = measureWindow(small);
    const WindowFigures wh = measureWindow(heavy);
    std::printf("\nthrough the main window, refresh included\n");
    row("undo of typed money (menu item)", ws.undoTyping, wh.undoTyping);
    row("redo of typed money (menu item)", ws.redoTyping, wh.redoTyping);
    row("undo of a registration (menu item)", ws.undoRegister, wh.undoRegister);
    row("redo of a registration (menu item)", ws.redoRegister, wh.redoRegister);
    row("rewind, history window open", ws.rewind, wh.rewind);
    row("rewind, history window closed", ws.rewindClosed, wh.rewindClosed);
    // The small game's history fits in the window; a game of 40 paragraphs fills it, so that
    // the list scrolls as the heavy one does. Against it the heavy game shows what the length
    // of the history itself costs.
    const WindowFigures wf = measureWindow(play(400, false));
    std::printf(
        "\nthe same, a game of 40 paragraphs (the history window full) against the heavy one\n");
    row("rewind, history window open", wf.rewind, wh.rewind);
    row("rewind, history window closed", wf.rewindClosed, wh.rewindClosed);
    return 0;
}
