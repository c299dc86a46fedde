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
class SheetCommand : public QUndoCommand
{
public:
    SheetCommand(SheetUndo &owner, SheetStep step) : m_owner(owner), m_step(std::move(step)) {}

    const SheetStep &step() const { return m_step; }
    void seal() { m_sealed = true; }

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
        if (m_sealed || m_owner.m_restoring)
            return false;
        const auto *later = static_cast<const SheetCommand *>(other);
        if (!m_step.mergeWith(later->m_step))
            return false;
        // Typing that took a box back to where it was leaves no step behind.
        setObsolete(m_step.delta.isEmpty());
        m_owner.stepMerged(m_step);
        return true;
    }

private:
    SheetUndo &m_owner;
    SheetStep m_step;
    bool m_pushed = false;
    bool m_sealed = false;
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
    m_initial = m_capture();
    m_baseline = m_initial;
    m_startedMs = nowMs();
    m_dice.clear();
}

bool SheetUndo::journalling() const
{
    return m_journal && m_journal->isAvailable();
}

void SheetUndo::commit(SheetStep::Kind kind, const QString &field)
{
    if (m_applying || m_restoring || m_depth > 0 || !m_recording)
        return;
    SheetState now = m_capture();
    SheetStep step{kind, field, nowMs(), SheetDelta::between(m_baseline, now)};
    if (step.delta.isEmpty())
        return;
    m_baseline = std::move(now);
    const int before = m_stack->index();
    m_merged = false;
    m_pushing = true;
    m_stack->push(new SheetCommand(*this, step));
    m_pushing = false;
    if (!journalling())
        return;
    if (!m_merged)
        m_journal->appendStep(step);
    else if (m_stack->index() < before)
        m_journal->setUndoIndex(m_stack->index());
}

void SheetUndo::stepMerged(const SheetStep &merged)
{
    m_merged = true;
    if (journalling())
        m_journal->amendLastStep(merged);
}

void SheetUndo::sealGroup()
{
    if (m_stack->index() > 0) {
        // Every command on the stack is one of ours.
        auto *top = static_cast<const SheetCommand *>(m_stack->command(m_stack->index() - 1));
        const_cast<SheetCommand *>(top)->seal();
    }
}

void SheetUndo::indexChanged(int index)
{
    if (m_pushing || m_restoring)
        return;
    // Keystrokes after an undo or a redo never merge into a step from before it.
    sealGroup();
    if (journalling())
        m_journal->setUndoIndex(index);
}

void SheetUndo::applyDelta(const SheetDelta &delta, SheetDelta::Direction direction)
{
    if (m_restoring)
        return;
    const SheetState target = delta.applyTo(m_baseline, direction);
    m_applying = true;
    m_apply(target, delta);
    m_applying = false;
    // What the window shows is what the next step starts from.
    m_baseline = m_capture();
}

void SheetUndo::moveTo(const SheetState &target, SheetStep::Kind kind)
{
    const SheetDelta delta = SheetDelta::between(m_baseline, target);
    if (delta.isEmpty())
        return;
    m_applying = true;
    m_apply(target, delta);
    m_applying = false;
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

QList<SheetStep> SheetUndo::stepsInEffect() const
{
    QList<SheetStep> steps;
    steps.reserve(m_stack->index());
    for (int i = 0; i < m_stack->index(); ++i)
        steps.append(static_cast<const SheetCommand *>(m_stack->command(i))->step());
    return steps;
}

void SheetUndo::addDice(const QList<int> &faces, int total)
{
    const qint64 time = nowMs();
    m_dice.append({time, faces, total, m_stack->index()});
    if (journalling())
        m_journal->appendDice(faces, total, time);
}

void SheetUndo::attachJournal(Journal *journal)
{
    m_journal = journal;
    if (!journalling() || !m_journal->beginSession(m_initial))
        return;
    for (int i = 0; i < m_stack->count(); ++i)
        m_journal->appendStep(static_cast<const SheetCommand *>(m_stack->command(i))->step());
    if (m_stack->index() != m_stack->count())
        m_journal->setUndoIndex(m_stack->index());
    for (const DiceEvent &event : std::as_const(m_dice))
        m_journal->appendDice(event.faces, event.total, event.timeMs);
}

void SheetUndo::restore(const SheetState &initial, const QList<SheetStep> &steps, int undoIndex,
                        const QList<DiceEvent> &dice, qint64 startedMs, bool showState)
{
    undoIndex = std::clamp(undoIndex, 0, static_cast<int>(steps.size()));
    SheetState target = initial;
    for (int i = 0; i < undoIndex; ++i)
        target = steps[i].delta.applyTo(std::move(target), SheetDelta::Direction::Forward);

    // The commands are rebuilt without touching the window; it is brought to the end state
    // once, afterwards.
    m_restoring = true;
    m_stack->clear();
    for (const SheetStep &step : steps)
        m_stack->push(new SheetCommand(*this, step));
    m_stack->setIndex(undoIndex);
    m_restoring = false;

    m_initial = initial;
    m_startedMs = startedMs;
    m_dice = dice;
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
}
