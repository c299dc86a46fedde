#include "SheetHistory.h"

#include "ErrorReport.h"
#include "FileError.h"
#include "HistoryWindow.h"
#include "IniData.h"
#include "Journal.h"
#include "Ledger.h"
#include "ProgramDir.h"
#include "ResumeDialog.h"
#include "Sheet.h"
#include "SheetUndo.h"
#include "TextReport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>
#include <QUndoStack>

using namespace Qt::StringLiterals;

namespace {

enum class EditKey { None, Undo, Redo };

EditKey editKey(const QKeyEvent *key)
{
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_Z && modifiers == Qt::ControlModifier)
        return EditKey::Undo;
    if ((key->key() == Qt::Key_Z && modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) ||
        (key->key() == Qt::Key_Y && modifiers == Qt::ControlModifier))
        return EditKey::Redo;
    return EditKey::None;
}

// Whether an undo or a redo along delta changes which file Save writes while the sheet looks
// as it did: a Save taken back or done again, or an Open of a copy of the sheet in force.
bool onlyTheSaveFileChanges(const SheetDelta &d)
{
    return d.saveFile && !d.saveFile->after.isEmpty() && !d.iniFileName && !d.name && !d.ablCount &&
           !d.overLoad && !d.minusEnable && d.origin.isEmpty() && d.current.isEmpty() && !d.money &&
           !d.inventory && !d.route && !d.flagCount && d.flags.isEmpty() && !d.settingsFile &&
           !d.settings;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

SheetHistory::SheetHistory(Sheet &sheet, QMenu *editMenu, QWidget *window,
                           const QString &programDir)
    : m_sheet(sheet), m_parent(window), m_programDir(programDir)
{
    m_undo = std::make_unique<SheetUndo>([this] { return m_sheet.state(); },
                                         [this](const SheetState &target, const SheetDelta &delta) {
                                             m_sheet.restore(target, delta);
                                             if (onlyTheSaveFileChanges(delta))
                                                 noticeSaveFile(target.saveFile);
                                         });
    createMenuItems(editMenu);
    // The history window follows the steps as they come, told again from the row that changed.
    connect(m_undo.get(), &SheetUndo::stepsChanged, this, [this](int first) {
        m_changedFrom = std::min(m_changedFrom, first);
        tellJournalNotice();
        if (m_window && m_window->isVisible())
            refreshHistoryWindow();
    });
    connect(m_undo.get(), &SheetUndo::diceAdded, this, [this] {
        m_changedFrom = std::min(m_changedFrom, m_undo->stepCount());
        if (m_window && m_window->isVisible())
            refreshHistoryWindow();
    });
}

SheetHistory::~SheetHistory() = default;

void SheetHistory::createMenuItems(QMenu *edit)
{
    edit->addSeparator()->setObjectName(u"UndoSeparator"_s);
    m_undoAction = m_undo->stack()->createUndoAction(edit, u"元に戻す(&U)"_s);
    m_undoAction->setObjectName(u"Undo1"_s);
    m_undoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    m_redoAction = m_undo->stack()->createRedoAction(edit, u"やり直す(&R)"_s);
    m_redoAction->setObjectName(u"Redo1"_s);
    m_redoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    // The steps carry no text of their own, so the items keep theirs: the stack's text signals,
    // raised at every step, need not reach them.
    disconnect(m_undo->stack(), &QUndoStack::undoTextChanged, m_undoAction, nullptr);
    disconnect(m_undo->stack(), &QUndoStack::redoTextChanged, m_redoAction, nullptr);
    // Undo and redo first end a run typed back to where it began, which is no step.
    disconnect(m_undoAction, &QAction::triggered, m_undo->stack(), &QUndoStack::undo);
    disconnect(m_redoAction, &QAction::triggered, m_undo->stack(), &QUndoStack::redo);
    connect(m_undoAction, &QAction::triggered, m_undo.get(), &SheetUndo::undo);
    connect(m_redoAction, &QAction::triggered, m_undo.get(), &SheetUndo::redo);
    connect(edit, &QMenu::aboutToShow, m_undo.get(), &SheetUndo::dropEmptyRun);
    // In the menu bar's menu, the shortcuts work while the menu is closed, as the window's own.
    edit->addAction(m_undoAction);
    edit->addAction(m_redoAction);
    m_historyAction = edit->addAction(u"履歴"_s);
    m_historyAction->setObjectName(u"History1"_s);
    m_resumeAction = edit->addAction(u"前回の続きを開く"_s);
    m_resumeAction->setObjectName(u"Resume1"_s);
    m_resumeAction->setEnabled(false);
    m_resumeAction->setToolTip(u"履歴を読み込んでいます。"_s);
    // Another program may have ended since: the list is looked at again as the menu opens.
    connect(edit, &QMenu::aboutToShow, this, &SheetHistory::refreshResumeItem);
    connect(m_historyAction, &QAction::triggered, this, &SheetHistory::showHistory);
    connect(m_resumeAction, &QAction::triggered, this, &SheetHistory::resume);
}

void SheetHistory::watchUndoKeys(QWidget *box)
{
    box->installEventFilter(this);
}

void SheetHistory::watchToolField(QLineEdit *field, QWidget *window)
{
    watchUndoKeys(field);
    connect(field, &QLineEdit::textEdited, this,
            [this, field] { m_undo->noteTyping(field->objectName()); });
    if (!window->actions().contains(m_undoAction))
        window->addActions({m_undoAction, m_redoAction});
}

void SheetHistory::addDice(const QList<int> &faces, int total, bool entered)
{
    m_undo->addDice(faces, total, entered);
}

bool SheetHistory::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_shownWindow) {
        if (event->type() == QEvent::Paint) {
            // The frame being painted is on screen when the next turn of the event loop begins;
            // the journal opens in the turn after that.
            m_shownWindow->removeEventFilter(this);
            m_shownWindow = nullptr;
            QTimer::singleShot(0, this,
                               [this] { QTimer::singleShot(0, this, &SheetHistory::openJournal); });
        }
        return false;
    }
    if (event->type() == QEvent::FocusOut) {
        m_undo->sealGroup();
        return false;
    }
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    return undoKey(watched, static_cast<QKeyEvent *>(event));
}

bool SheetHistory::undoKey(QObject *watched, QKeyEvent *key)
{
    const EditKey which = editKey(key);
    if (which == EditKey::None)
        return false;
    auto *line = qobject_cast<QLineEdit *>(watched);
    auto *memo = qobject_cast<QPlainTextEdit *>(watched);
    const bool undo = which == EditKey::Undo;
    // The box's own undo goes first only while its typing is the last thing done: after a
    // step made elsewhere (a test from the menu, a paragraph registered) the keys take that
    // step back, wherever the focus stayed.
    const bool boxHasIt = m_undo->lastTypedInto(watched->objectName()) &&
                          (line ? (undo ? line->isUndoAvailable() : line->isRedoAvailable())
                                : memo && (undo ? memo->document()->isUndoAvailable()
                                                : memo->document()->isRedoAvailable()));
    if (key->type() == QEvent::ShortcutOverride) {
        // Accepted, the key goes to the box; ignored, the window's undo or redo takes it, with
        // its enabled state up to date.
        if (!boxHasIt)
            m_undo->dropEmptyRun();
        key->setAccepted(boxHasIt);
        return true;
    }
    if (boxHasIt) {
        if (line)
            undo ? line->undo() : line->redo();
        else if (memo)
            undo ? memo->undo() : memo->redo();
        // The box's own undo that took its typing back took the step with it.
        m_undo->dropEmptyRun();
    }
    return true;
}

void SheetHistory::windowShown(QWidget *window)
{
    m_undo->reset();
    // Off the start-up path: the journal opens once the first frame has been drawn.
    m_shownWindow = window;
    window->installEventFilter(this);
}

void SheetHistory::openJournal()
{
    if (m_journal)
        return;
    m_journal = std::make_unique<Journal>();
    // The journal writes from the first step on: an installed program's data folder is needed
    // now, on its first run too.
    ProgramDir::ensureExists(m_programDir);
    m_journal->open(m_programDir);
    m_undo->attachJournal(m_journal.get());
    refreshResumeItem();
    // On the journal's thread, after this session began: the window does not wait for it.
    m_journal->prune();
    if (!m_sheet.saveFile().isEmpty())
        fileOpened(m_sheet.saveFile());
}

void SheetHistory::refreshResumeItem()
{
    if (!m_journal)
        return; // not opened yet: the item waits, saying so
    QString reason;
    if (!m_journal->isAvailable()) {
        reason = m_journal->statusText();
        if (reason.isEmpty())
            reason = u"履歴を読めないため、前回の続きは開けません。"_s;
    } else if (m_journal->unsavedSheets().isEmpty()) {
        reason = u"保存されずに残ったシートはありません。"_s;
    }
    m_resumeAction->setEnabled(reason.isEmpty());
    m_resumeAction->setToolTip(reason.isEmpty() ? u"保存されずに残ったシートを選んで開く"_s
                                                : reason);
}

void SheetHistory::fileOpened(const QString &path)
{
    if (!m_journal || !m_journal->isAvailable())
        return;
    const QByteArray bytes = fileBytes(path);
    // The file's bytes are the ones a step of the journal led to: the sheet continues that
    // step's history, told before the Open. Otherwise its history starts here.
    const std::optional<qint64> origin = m_journal->stepForSaveFile(path, bytes);
    const bool atStart = m_undo->stepCount() == 0 && m_undo->stack()->count() == 0;
    if (origin && *origin != m_journal->currentStep() && (atStart || m_undo->lastCommitTookStep()))
        m_undo->setTopOrigin(*origin);
    m_journal->noteSaved(path, bytes);
}

void SheetHistory::fileSaved(const QString &path)
{
    // Keystrokes after the save are a step of their own: the file's step never changes.
    m_undo->sealGroup();
    if (m_journal && m_journal->isAvailable())
        m_journal->noteSaved(path, fileBytes(path));
}

void SheetHistory::resume()
{
    refreshResumeItem();
    if (!m_resumeAction->isEnabled())
        return;
    ResumeDialog dialog(m_journal->unsavedSheets(), m_parent);
    connect(&dialog, &ResumeDialog::discardRequested, this,
            [this](qint64 session) { m_journal->discardSheet(session); });
    if (dialog.exec() != QDialog::Accepted || dialog.chosenSession() == 0)
        return;
    if (!takeSheet(dialog.chosenSession()))
        PelkoApplication::showError(
            u"選んだシートは、ほかの Pelko が開いたか、履歴から読めなくなりました。"_s);
    refreshResumeItem();
}

bool SheetHistory::takeSheet(qint64 session)
{
    if (!m_journal || !m_journal->isAvailable())
        return false;
    // What was typed before is a step of its own, on the disk before the take.
    m_undo->sealGroup();
    const std::optional<Journal::TakenSheet> taken = m_journal->takeSheet(session);
    if (!taken)
        return false;
    // One step, which the journal wrote with the take: undo brings back the sheet it
    // replaced, which stays in this session's history.
    m_sheet.replace(taken->state);
    m_undo->commitRecorded(SheetStep::Kind::Resume, taken->step, taken->timeMs);
    return true;
}

void SheetHistory::noticeSaveFile(const QString &path)
{
    // Once the undo is done and on the disk: the box waits for the player.
    QTimer::singleShot(0, this, [this, path] {
        QMessageBox box(
            QMessageBox::Information, u"Pelko"_s,
            u"「保存」で書き込むファイルが %1 になりました。"_s.arg(QDir::toNativeSeparators(path)),
            QMessageBox::Ok, m_parent);
        box.setObjectName(u"SaveFileNotice"_s);
        box.exec();
    });
}

// What befell the journal while it still works (it was deleted and made again) is said once, in
// a box beside the sheet that leaves the typing where it is.
void SheetHistory::tellJournalNotice()
{
    if (!m_journal || !m_journal->isAvailable())
        return;
    const QString notice = m_journal->statusText();
    if (notice.isEmpty() || notice == m_toldNotice)
        return;
    m_toldNotice = notice;
    auto *box =
        new QMessageBox(QMessageBox::Information, u"履歴"_s, notice, QMessageBox::Ok, m_parent);
    box->setObjectName(u"JournalNotice"_s);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAttribute(Qt::WA_ShowWithoutActivating);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

QString SheetHistory::journalStatus() const
{
    if (!m_journal)
        return {};
    return m_journal->statusText();
}

void SheetHistory::showHistory()
{
    if (!m_window) {
        m_window = new HistoryWindow(m_parent);
        connect(m_window, &HistoryWindow::rewindRequested, this, &SheetHistory::rewindToRow);
        connect(m_window, &HistoryWindow::exportRequested, this, &SheetHistory::exportLedger);
    }
    m_exportStatus.clear();
    refreshHistoryWindow();
    m_window->show();
    m_window->raise();
}

bool SheetHistory::graftChanged() const
{
    const int index = m_undo->lastGraft();
    const qint64 origin = index >= 0 ? m_undo->stepAt(index).origin : m_undo->initialOrigin();
    if (!m_graft)
        return origin != 0;
    return m_graft->stepIndex != index || m_graft->origin != origin;
}

SheetHistory::Told SheetHistory::toldHistory() const
{
    Told told;
    told.graftIndex = m_undo->lastGraft();
    told.origin =
        told.graftIndex >= 0 ? m_undo->stepAt(told.graftIndex).origin : m_undo->initialOrigin();
    std::optional<Journal::History> grafted;
    if (told.origin != 0 && m_journal)
        grafted = m_journal->historyTo(told.origin);
    if (!grafted) {
        told.history = {m_undo->initial(), m_undo->stepsInEffect(), m_undo->dice(),
                        m_undo->startedMs()};
        return told;
    }
    told.history = std::move(*grafted);
    told.grafted = true;
    told.baseDice = int(told.history.dice.size());
    told.from = std::max(told.graftIndex, 0);
    told.base = int(told.history.steps.size());
    const int count = m_undo->stepCount();
    for (int i = told.from; i < count; ++i)
        told.history.steps.append(m_undo->stepAt(i));
    if (told.graftIndex >= 0) {
        // The Open or the sheet taken up is told against the sheet the history before it ends
        // with, not the one it replaced here, which the ledger never shows.
        SheetState before = told.history.initial;
        for (int i = 0; i < told.base; ++i)
            before = told.history.steps[i].delta.applyTo(std::move(before),
                                                         SheetDelta::Direction::Forward);
        SheetState after = m_undo->current();
        for (int i = count - 1; i > told.graftIndex; --i)
            after = m_undo->stepAt(i).delta.applyTo(std::move(after), SheetDelta::Direction::Back);
        told.history.steps[told.base].delta = SheetDelta::between(before, after);
    }
    for (DiceEvent event : m_undo->dice()) {
        if (event.atStep < told.from + (told.graftIndex >= 0 ? 1 : 0))
            continue; // rolled on the sheet before
        event.atStep = told.base + event.atStep - told.from;
        told.history.dice.append(event);
    }
    return told;
}

void SheetHistory::buildLedger(const QStringList &names, const QStringList &labels)
{
    Told told = toldHistory();
    const Journal::History &h = told.history;
    m_ledger = std::make_unique<Ledger>(h.initial, h.steps, h.dice, names, labels, h.startedMs);
    m_graft.reset();
    if (told.grafted) {
        // What the ledger tells before the sheet's own steps, kept to tell them again.
        m_graft = Graft{told.graftIndex, told.origin, std::move(told.history)};
        // The step that continues it, as told, stays with them.
        m_graft->history.steps.resize(told.base + (told.graftIndex >= 0 ? 1 : 0));
        m_graft->history.dice.resize(told.baseDice);
    }
}

void SheetHistory::refreshHistoryWindow()
{
    const SettingsValues &ini = m_sheet.settings();
    const QStringList names(ini.names.begin(), ini.names.end());
    // Hundreds of labels are not split again for every step the open window follows.
    if (m_flagLabels.isEmpty() || ini.flagText != m_flagText) {
        m_flagText = ini.flagText;
        m_flagLabels = ini.flagLabels();
    }
    const QStringList &labels = m_flagLabels;
    int firstRow = 0;
    const int from = m_graft ? std::max(m_graft->stepIndex, 0) : 0;
    if (!m_ledger || m_ledgerGeneration != m_undo->generation() ||
        !m_ledger->namesAre(names, labels) || graftChanged() ||
        (m_graft && m_changedFrom != NothingChanged && m_changedFrom <= m_graft->stepIndex)) {
        buildLedger(names, labels);
        m_ledgerGeneration = m_undo->generation();
    } else if (m_changedFrom != NothingChanged) {
        // Told from the step that changed, the history continued (if any) coming first.
        const int base =
            m_graft ? int(m_graft->history.steps.size()) - (m_graft->stepIndex >= 0 ? 1 : 0) : 0;
        QList<DiceEvent> dice = m_undo->dice();
        if (m_graft) {
            const int index = m_graft->stepIndex;
            dice = m_graft->history.dice;
            for (DiceEvent event : m_undo->dice()) {
                if (event.atStep < from + (index >= 0 ? 1 : 0))
                    continue;
                event.atStep = base + event.atStep - from;
                dice.append(event);
            }
        }
        firstRow = m_ledger->update(
            base + m_changedFrom - from, base + m_undo->stepCount() - from,
            [this, base, from](int i) -> const SheetStep & {
                return i < int(m_graft ? m_graft->history.steps.size() : 0)
                           ? m_graft->history.steps[i]
                           : m_undo->stepAt(from + i - base);
            },
            dice);
    } else {
        firstRow = int(m_ledger->rows().size());
    }
    m_changedFrom = NothingChanged;
    m_window->setLedger(*m_ledger, firstRow);
    QStringList status{journalStatus(), m_exportStatus};
    status.removeAll(QString());
    m_window->setStatus(status.join(u'\n'));
}

void SheetHistory::rewindToRow(int row)
{
    if (!m_ledger || row < 0 || row >= m_ledger->rows().size())
        return;
    m_undo->moveBy(m_ledger->rewindDelta(m_undo->current(), row), SheetStep::Kind::Rewind);
}

void SheetHistory::exportLedger()
{
    if (!m_ledger)
        return;
    const QString name = m_sheet.record().name();
    const QString fileName = Ledger::exportFileName(name);
    try {
        TextReport::write(m_programDir, fileName, m_ledger->lines(name));
    } catch (const FileError &error) {
        PelkoApplication::showError(error.message());
        return;
    }
    m_exportStatus = u"%1 に書き出しました。"_s.arg(fileName);
    refreshHistoryWindow();
}
