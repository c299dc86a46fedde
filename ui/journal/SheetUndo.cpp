#include "SheetUndo.h"

#include "Journal.h"

#include <QDateTime>
#include <QUndoCommand>
#include <QUndoStack>

namespace {

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

// One step on the undo stack. Its first redo comes as it is pushed, when the window already
// shows the change: that one does nothing.
class SheetUndo::Command : public QUndoCommand
{
public:
    Command(SheetUndo &owner, SheetStep step) : m_owner(owner), m_step(std::move(step)) {}
    // A command pushed only to take an empty run off the stack by merging into it.
    static Command *closer(SheetUndo &owner)
    {
        auto *command = new Command(owner, SheetStep{SheetStep::Kind::Typing, {}, 0, {}});
        command->m_closer = true;
        return command;
    }

    const SheetStep &step() const { return m_step; }
    bool isSealed() const { return m_sealed; }
    void seal() { m_sealed = true; }
    void setOrigin(qint64 origin) { m_step.origin = origin; }
    // Folds the next keystrokes of the run in.
    bool fold(const SheetStep &later) { return m_step.mergeWith(later); }

    void redo() override
    {
        if (m_pushed) {
            m_owner.applyDelta(m_step.delta, SheetDelta::Direction::Forward);
            return;
        }
        m_pushed = true;
    }
    void undo() override { m_owner.applyDelta(m_step.delta, SheetDelta::Direction::Back); }

    int id() const override { return m_step.kind == SheetStep::Kind::Typing ? 1 : -1; }

    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *later = static_cast<const Command *>(other);
        if (!later->m_closer || !m_step.delta.isEmpty())
            return false;
        setObsolete(true);
        return true;
    }

private:
    SheetUndo &m_owner;
    SheetStep m_step;
    bool m_pushed = false;
    bool m_sealed = false;
    bool m_closer = false;
};

SheetUndo::SheetUndo(Capture capture, Apply apply, QObject *parent)
    : QObject(parent), m_capture(std::move(capture)), m_apply(std::move(apply)),
      m_stack(new QUndoStack(this))
{
    connect(m_stack, &QUndoStack::indexChanged, this, &SheetUndo::indexChanged);
}

SheetUndo::~SheetUndo()
{
    // The stack goes after the states it would report on: nobody hears of it any more.
    disconnect(m_stack, nullptr, nullptr, nullptr);
}

void SheetUndo::reset()
{
    m_restoring = true;
    m_stack->clear();
    m_restoring = false;
    m_lastTyped.clear();
    m_initial = m_capture();
    m_baseline = m_initial;
    m_startedMs = nowMs();
    m_dice.clear();
    m_grafts.clear();
    m_initialOrigin = 0;
    m_shownIndex = 0;
    ++m_generation;
    Q_EMIT stepsChanged(0);
}

bool SheetUndo::journalling() const
{
    return m_journal && m_journal->isAvailable();
}

void SheetUndo::commit(SheetStep::Kind kind, const QString &field, qint64 origin)
{
    m_tookStep = false;
    if (m_applying || m_restoring || m_depth > 0 || !m_recording)
        return;
    SheetState now = m_capture();
    SheetStep step{kind, field, nowMs(), SheetDelta::between(m_baseline, now), origin};
    // A test or a round that changed nothing still happened: it is a step of the story.
    if (step.delta.isEmpty() && kind != SheetStep::Kind::Test && kind != SheetStep::Kind::Round)
        return;
    m_baseline = std::move(now);
    m_tookStep = true;
    m_lastTyped = kind == SheetStep::Kind::Typing ? field : QString();
    if (Command *run = openRun(); run && run->step().canMerge(step)) {
        mergeIntoRun(run, step);
        return;
    }
    dropEmptyRun();
    push(step);
}

void SheetUndo::commitRecorded(SheetStep::Kind kind, qint64 origin, qint64 timeMs)
{
    SheetState now = m_capture();
    const SheetStep step{kind, {}, timeMs, SheetDelta::between(m_baseline, now), origin};
    m_baseline = std::move(now);
    m_tookStep = true;
    m_lastTyped.clear();
    dropEmptyRun();
    push(step, false);
}

void SheetUndo::push(const SheetStep &step, bool toJournal)
{
    const int at = m_stack->index();
    if (at < m_stack->count()) {
        // The steps undone leave this history (the journal keeps them as a branch), and the
        // rolls made on them with them.
        m_dice.removeIf([at](const DiceEvent &event) { return event.atStep > at; });
        m_grafts.removeIf([at](int index) { return index >= at; });
    }
    if (step.origin != 0)
        m_grafts.append(at);
    m_pushing = true;
    m_stack->push(new Command(*this, step));
    m_pushing = false;
    if (step.origin != 0)
        sealGroup();
    if (toJournal && journalling())
        m_journal->appendStep(stepAt(stepCount() - 1), m_baseline);
    noteIndex(m_stack->index());
}

void SheetUndo::setTopOrigin(qint64 origin)
{
    const int count = stepCount();
    if (count == 0) {
        m_initialOrigin = origin;
    } else {
        // Every command on the stack is one of ours.
        auto *top = static_cast<Command *>(const_cast<QUndoCommand *>(m_stack->command(count - 1)));
        top->setOrigin(origin);
        top->seal();
        m_grafts.removeIf([count](int index) { return index >= count - 1; });
        m_grafts.append(count - 1);
    }
    if (journalling())
        m_journal->setOrigin(origin);
    ++m_generation;
    Q_EMIT stepsChanged(0);
}

int SheetUndo::lastGraft() const
{
    const int count = stepCount();
    for (qsizetype i = m_grafts.size() - 1; i >= 0; --i)
        if (m_grafts[i] < count)
            return m_grafts[i];
    return -1;
}

SheetUndo::Command *SheetUndo::openRun() const
{
    const int index = m_stack->index();
    if (index == 0 || index != m_stack->count())
        return nullptr;
    // Every command on the stack is one of ours.
    auto *top = static_cast<Command *>(const_cast<QUndoCommand *>(m_stack->command(index - 1)));
    return top->isSealed() ? nullptr : top;
}

bool SheetUndo::lastTypedInto(const QString &field) const
{
    return !field.isEmpty() && m_lastTyped == field;
}

void SheetUndo::mergeIntoRun(Command *run, const SheetStep &step)
{
    const bool wasEmpty = run->step().delta.isEmpty();
    if (!run->fold(step)) {
        // Two route changes in one run (no box makes them): the step stands alone.
        run->seal();
        dropEmptyRun();
        push(step);
        return;
    }
    const bool empty = run->step().delta.isEmpty();
    const int index = m_stack->index();
    if (journalling()) {
        // Typing that took a box back to where it was leaves no step behind.
        if (empty && !wasEmpty)
            m_journal->setUndoIndex(index - 1, m_baseline);
        else if (!empty && wasEmpty)
            m_journal->appendStep(run->step(), m_baseline);
        else if (!empty)
            m_journal->amendLastStep(run->step(), m_baseline);
    }
    if (!(empty && wasEmpty))
        Q_EMIT stepsChanged(index - 1);
}

void SheetUndo::dropEmptyRun()
{
    const int index = m_stack->index();
    if (index == 0 || index != m_stack->count())
        return;
    auto *top = static_cast<const Command *>(m_stack->command(index - 1));
    if (top->step().kind != SheetStep::Kind::Typing || !top->step().delta.isEmpty())
        return;
    // The stack takes a command off only when the one pushed after it merges it away.
    m_pushing = true;
    m_stack->push(Command::closer(*this));
    m_pushing = false;
    m_shownIndex = m_stack->index();
}

void SheetUndo::undo()
{
    dropEmptyRun();
    m_stack->undo();
}

void SheetUndo::redo()
{
    dropEmptyRun();
    m_stack->redo();
}

void SheetUndo::sealGroup()
{
    dropEmptyRun();
    if (m_stack->index() > 0) {
        // Every command on the stack is one of ours.
        auto *top = static_cast<const Command *>(m_stack->command(m_stack->index() - 1));
        const_cast<Command *>(top)->seal();
    }
}

void SheetUndo::indexChanged(int index)
{
    if (m_pushing || m_restoring)
        return;
    // Keystrokes after an undo or a redo never merge into a step from before it.
    sealGroup();
    if (journalling())
        m_journal->setUndoIndex(index, m_baseline);
    noteIndex(index);
}

void SheetUndo::noteIndex(int index)
{
    const int first = std::min(index, m_shownIndex);
    m_shownIndex = index;
    Q_EMIT stepsChanged(first);
}

void SheetUndo::applyDelta(const SheetDelta &delta, SheetDelta::Direction direction)
{
    if (m_restoring)
        return;
    const SheetState target = delta.applyTo(m_baseline, direction);
    m_lastTyped.clear();
    m_applying = true;
    m_apply(target, delta);
    m_applying = false;
    // What the window shows is what the next step starts from.
    m_baseline = m_capture();
}

void SheetUndo::moveBy(const SheetDelta &delta, SheetStep::Kind kind)
{
    if (delta.isEmpty())
        return;
    m_applying = true;
    m_apply(delta.applyTo(m_baseline, SheetDelta::Direction::Forward), delta);
    m_applying = false;
    // The step is what the window shows now, as for any other action.
    commit(kind);
}

SheetUndo::Scope::Scope(SheetUndo &undo, SheetStep::Kind kind) : m_undo(undo), m_kind(kind)
{
    ++m_undo.m_depth;
}

SheetUndo::Scope::~Scope()
{
    if (--m_undo.m_depth == 0)
        m_undo.commit(m_kind);
}

int SheetUndo::stepCount() const
{
    const int index = m_stack->index();
    if (index > 0 && index == m_stack->count() &&
        stepAt(index - 1).kind == SheetStep::Kind::Typing && stepAt(index - 1).delta.isEmpty())
        return index - 1; // a run typed back to where it began
    return index;
}

const SheetStep &SheetUndo::stepAt(int index) const
{
    // Every command on the stack is one of ours.
    return static_cast<const Command *>(m_stack->command(index))->step();
}

QList<SheetStep> SheetUndo::stepsInEffect() const
{
    QList<SheetStep> steps;
    const int count = stepCount();
    steps.reserve(count);
    for (int i = 0; i < count; ++i)
        steps.append(stepAt(i));
    return steps;
}

void SheetUndo::addDice(const QList<int> &faces, int total, bool entered)
{
    const DiceEvent event{nowMs(), faces, total, stepCount(), entered};
    m_dice.append(event);
    if (journalling())
        m_journal->appendDice(faces, total, event.timeMs, entered);
    Q_EMIT diceAdded(event);
}

void SheetUndo::attachJournal(Journal *journal)
{
    m_journal = journal;
    if (!journalling() || !m_journal->beginSession(m_initial))
        return;
    // An empty run on top is no step; a redo tail is kept as the journal's own.
    const int inEffect = stepCount();
    const int stored = inEffect < m_stack->index() ? inEffect : m_stack->count();
    for (int i = 0; i < stored; ++i)
        m_journal->appendStep(stepAt(i));
    m_journal->setUndoIndex(inEffect, m_baseline);
    for (const DiceEvent &event : std::as_const(m_dice))
        m_journal->appendDice(event.faces, event.total, event.timeMs, event.entered);
}

void SheetUndo::restore(const SheetState &initial, const QList<SheetStep> &steps, int undoIndex,
                        const QList<DiceEvent> &dice, qint64 startedMs, bool showState,
                        qint64 initialOrigin)
{
    undoIndex = std::clamp(undoIndex, 0, static_cast<int>(steps.size()));
    SheetState target = initial;
    for (int i = 0; i < undoIndex; ++i)
        target = steps[i].delta.applyTo(std::move(target), SheetDelta::Direction::Forward);

    // The commands are rebuilt without touching the window; it is brought to the end state
    // once, afterwards.
    m_lastTyped.clear();
    m_restoring = true;
    m_stack->clear();
    for (const SheetStep &step : steps)
        m_stack->push(new Command(*this, step));
    m_stack->setIndex(undoIndex);
    m_restoring = false;
    // Keystrokes from now on start a step of their own.
    if (undoIndex > 0)
        static_cast<Command *>(const_cast<QUndoCommand *>(m_stack->command(undoIndex - 1)))->seal();

    m_initial = initial;
    m_startedMs = startedMs;
    m_dice = dice;
    m_initialOrigin = initialOrigin;
    m_grafts.clear();
    for (qsizetype i = 0; i < steps.size(); ++i)
        if (steps[i].origin != 0)
            m_grafts.append(int(i));
    if (showState) {
        const SheetState shown = m_capture();
        const SheetDelta delta = SheetDelta::between(shown, target);
        if (!delta.isEmpty()) {
            m_applying = true;
            m_apply(target, delta);
            m_applying = false;
        }
    }
    m_baseline = m_capture();
    m_shownIndex = m_stack->index();
    ++m_generation;
    Q_EMIT stepsChanged(0);
}
