#pragma once

#include "SheetState.h"
#include "SheetStep.h"

#include <QList>
#include <QObject>

#include <functional>

class Journal;
class QUndoStack;

// The sheet's undo history on Qt's undo stack. The window tells it when a user action has
// ended (commit); it then compares the sheet with the state after the previous step, pushes
// the difference as one command (keystrokes typed into one box in a row merge into one) and
// hands the step to the journal, if there is one. Undo and redo give the window the state to
// show and the difference that leads there; the window writes the boxes through its own
// handlers, and no step is taken while it does.
//
// The keystrokes of a run are folded straight into the command on top, without going through
// the stack: the stack and the menu items then hear of a run once, not at every keystroke. A
// run typed back to where it began stays on top, empty, until it ends (the box loses the focus,
// the undo keys or the menu are reached, another step comes); it is no step of the history and
// the journal never holds it.
class SheetUndo : public QObject
{
    Q_OBJECT

public:
    using Capture = std::function<SheetState()>;
    // Brings the window to target; delta says which parts differ from what it shows.
    using Apply = std::function<void(const SheetState &target, const SheetDelta &delta)>;

    SheetUndo(Capture capture, Apply apply, QObject *parent = nullptr);
    ~SheetUndo() override;

    QUndoStack *stack() const { return m_stack; }

    // Takes the window as it stands as the start of a new history, without a step.
    void reset();
    // Ends a user action: the change since the last step, if any, becomes a step.
    // origin, when not 0, is the journal's step whose history the new step continues.
    void commit(SheetStep::Kind kind, const QString &field = {}, qint64 origin = 0);
    // A step the journal has written already (a sheet taken up, at timeMs): it is taken even
    // when the sheet did not change, and not handed to the journal again.
    void commitRecorded(SheetStep::Kind kind, qint64 origin, qint64 timeMs);
    // The next keystrokes start a step of their own, even in the same box.
    void sealGroup();
    // Whether typing into the box named field is the last thing done to the sheet: no other
    // step came after it, and no undo or redo of the history. A box's own undo and redo may
    // then go first, as they take back (or bring back) nothing but that typing.
    bool lastTypedInto(const QString &field) const;
    // Typing into a box that is no part of the sheet (a tool window's field) is now the last
    // thing done: that box's own undo goes first until the next step.
    void noteTyping(const QString &field) { m_lastTyped = field; }
    // Ends a run typed back to where it began: the empty step leaves the stack. Called before
    // anything that shows or uses the stack (undo, redo, the menu).
    void dropEmptyRun();
    void undo();
    void redo();
    // Brings the window from the state after the last step along delta, through the window's
    // handlers, as one step.
    void moveBy(const SheetDelta &delta, SheetStep::Kind kind);
    bool isApplying() const { return m_applying; }
    // Off, user actions leave no steps: for measuring what recording costs.
    void setRecording(bool on) { m_recording = on; }

    // While a scope lives, commits wait: its end commits once, as kind. Scopes nest.
    class Scope
    {
    public:
        Scope(SheetUndo &undo, SheetStep::Kind kind);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        SheetUndo &m_undo;
        SheetStep::Kind m_kind;
    };

    const SheetState &initial() const { return m_initial; }
    const SheetState &current() const { return m_baseline; }
    qint64 startedMs() const { return m_startedMs; }
    // Changes whenever the whole history is replaced (reset, restore).
    int generation() const { return m_generation; }
    QList<SheetStep> stepsInEffect() const;
    int stepCount() const; // the steps in effect
    const SheetStep &stepAt(int index) const;
    const QList<DiceEvent> &dice() const { return m_dice; }
    // entered: the faces were typed in from real dice.
    void addDice(const QList<int> &faces, int total, bool entered = false);

    // Whether the last commit took a step (or folded keystrokes into one).
    bool lastCommitTookStep() const { return m_tookStep; }
    // The last step in effect (the start, when none is) continues the history that led to the
    // journal's step origin: the history window tells that history before it.
    void setTopOrigin(qint64 origin);
    qint64 initialOrigin() const { return m_initialOrigin; }
    // The last step in effect that continues another history, -1 for none (the start may).
    int lastGraft() const;

    // From now on every step goes to journal too; the history so far starts its session.
    // A null or unavailable journal keeps the history in memory only.
    void attachJournal(Journal *journal);
    // Replaces the history by one read back from the journal (whose current session it is
    // already): initial, steps, the undo index and the dice. With showState the window is
    // brought to the state at the undo index; without, the window is taken as that state.
    void restore(const SheetState &initial, const QList<SheetStep> &steps, int undoIndex,
                 const QList<DiceEvent> &dice, qint64 startedMs, bool showState,
                 qint64 initialOrigin = 0);

Q_SIGNALS:
    // The steps in effect from first on were added, changed or taken back; stepCount() says
    // how many there are now. first is 0 when the whole history was replaced.
    void stepsChanged(int first);
    void diceAdded(const DiceEvent &event);

private:
    // One step on the undo stack; nested, it applies its delta through the private members.
    class Command;
    Command *openRun() const; // the command on top while keystrokes may still merge into it
    void mergeIntoRun(Command *run, const SheetStep &step);
    void noteIndex(int index);
    void applyDelta(const SheetDelta &delta, SheetDelta::Direction direction);
    void indexChanged(int index);
    bool journalling() const;
    const SheetStep &topStep() const; // the last step in effect; there must be one

    Capture m_capture;
    Apply m_apply;
    QUndoStack *m_stack;
    Journal *m_journal = nullptr;
    SheetState m_initial;
    SheetState m_baseline;
    qint64 m_startedMs = 0;
    QList<DiceEvent> m_dice;
    int m_depth = 0;
    bool m_applying = false;
    bool m_recording = true;
    bool m_restoring = false;
    bool m_pushing = false;
    int m_shownIndex = 0; // the stack's index as stepsChanged last told it
    int m_generation = 0;
    bool m_tookStep = false;
    QString m_lastTyped; // the box of lastTypedInto, empty for none
    qint64 m_initialOrigin = 0;
    QList<int> m_grafts; // the stack's steps that continue another history, in order
    void push(const SheetStep &step, bool toJournal = true);
};
