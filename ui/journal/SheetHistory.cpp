#include "SheetHistory.h"

#include "CharacterRecord.h"
#include "CheckListBox.h"
#include "Cp932Input.h"
#include "DiceStrip.h"
#include "FileCommands.h"
#include "HistoryWindow.h"
#include "IniData.h"
#include "Journal.h"
#include "Ledger.h"
#include "Main.h"
#include "ProgramDir.h"
#include "QuickSelectMenu.h"
#include "RoutePanel.h"
#include "SheetUndo.h"
#include "SpinButton.h"
#include "TextReport.h"

#include <QAction>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
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

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

SheetHistory::SheetHistory(TMainForm &form) : m_form(form)
{
    m_undo = std::make_unique<SheetUndo>(
        [this] { return capture(); },
        [this](const SheetState &target, const SheetDelta &delta) { apply(target, delta); });
    createMenuItems();
    watchBoxes();
    // The history window follows the steps as they come, told again from the row that changed.
    connect(m_undo.get(), &SheetUndo::stepsChanged, this, [this](int first) {
        m_changedFrom = std::min(m_changedFrom, first);
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

void SheetHistory::createMenuItems()
{
    QMenu *edit = m_form.Edit1;
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
    connect(m_historyAction, &QAction::triggered, this, &SheetHistory::showHistory);
    connect(m_resumeAction, &QAction::triggered, this, &SheetHistory::resume);
}

void SheetHistory::watchBoxes()
{
    using Kind = SheetStep::Kind;
    // A box reports an edit before its change handler runs; the step is taken once the
    // handler (connected before) has stored what was typed, nested runs included.
    const auto typing = [this](QLineEdit *edit) {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { m_typed = edit; });
        connect(edit, &QLineEdit::textChanged, this, [this, edit] {
            if (m_typed != edit)
                return;
            m_typed = nullptr;
            m_undo->commit(Kind::Typing, edit->objectName());
        });
    };
    typing(m_form.EditName);
    for (QLineEdit *edit : std::as_const(m_form.EditAblMaxList))
        typing(edit);
    for (QLineEdit *edit : std::as_const(m_form.EditAblList))
        typing(edit);
    typing(m_form.EditMoney);
    m_form.MemoInventry->installEventFilter(this);
    connect(m_form.MemoInventry, &QPlainTextEdit::textChanged, this, [this] {
        m_inventoryRead = false;
        m_undo->commit(Kind::Typing, m_form.MemoInventry->objectName());
    });

    for (const auto *spins : {&m_form.UpDownAblMaxList, &m_form.UpDownAblList}) {
        for (SpinButton *spin : *spins) {
            connect(spin, &SpinButton::stepped, this,
                    [this, spin] { m_undo->commit(Kind::Spin, spin->buddy()->objectName()); });
        }
    }
    // These run after the window's own handlers, connected before.
    const auto after = [this](QAction *action, Kind kind) {
        connect(action, &QAction::triggered, this, [this, kind] { m_undo->commit(kind); });
    };
    after(m_form.N4, Kind::LinkMode);
    after(m_form.N8, Kind::RoutePanel);
    after(m_form.N9, Kind::ClearRoute);
    after(m_form.N3, Kind::Settings);
    connect(m_form.CheckListBoxFL, &CheckListBox::clickCheck, this,
            [this] { m_undo->commit(Kind::Flag); });
    connect(m_form.PanelRoute, &RoutePanel::clearClicked, this,
            [this] { m_undo->commit(Kind::ClearRoute); });
    connect(m_form.PanelRoute, &RoutePanel::closeClicked, this,
            [this] { m_undo->commit(Kind::RoutePanel); });
    connect(m_form.m_envMenu, &QuickSelectMenu::settingsChosen, this,
            [this] { m_undo->commit(Kind::Settings); });
    connect(m_form.PanelDice, &DiceStrip::rolled, this,
            [this](const QList<int> &faces, int total) { m_undo->addDice(faces, total); });
}

bool SheetHistory::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_form) {
        if (event->type() == QEvent::Paint) {
            // The frame being painted is on screen when the next turn of the event loop begins;
            // the journal opens in the turn after that.
            m_form.removeEventFilter(this);
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
    auto *key = static_cast<QKeyEvent *>(event);
    const EditKey which = editKey(key);
    if (which == EditKey::None)
        return false;
    auto *line = qobject_cast<QLineEdit *>(watched);
    auto *memo = qobject_cast<QPlainTextEdit *>(watched);
    const bool undo = which == EditKey::Undo;
    const bool boxHasIt = line ? (undo ? line->isUndoAvailable() : line->isRedoAvailable())
                               : memo && (undo ? memo->document()->isUndoAvailable()
                                               : memo->document()->isRedoAvailable());
    if (event->type() == QEvent::ShortcutOverride) {
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

SheetState SheetHistory::capture() const
{
    // The box's text is read again only after it changed: a keystroke elsewhere does not
    // copy a long inventory.
    if (!m_inventoryRead) {
        m_inventory = m_form.MemoInventry->toPlainText().replace(u'\n', u"\r\n"_s);
        m_inventoryRead = true;
    }
    // Made from the record at once: a default record would make lists only to drop them.
    SheetState state{*m_form.m_chara, m_form.m_settings.CurrentIniFile, m_form.linkMode(),
                     m_form.currentSaveFile(), !m_form.PanelRoute->isHidden()};
    // The record keeps the inventory only from the last save on; the box holds it as it is.
    state.record.setInventory(m_inventory);
    return state;
}

void SheetHistory::apply(const SheetState &target, const SheetDelta &delta)
{
    TMainForm &f = m_form;
    const CharacterRecord &record = target.record;
    // Settings first: they decide the limits and the flags the values below are kept under.
    if (delta.settingsFile || delta.overLoad || delta.minusEnable || delta.flagCount ||
        delta.ablCount) {
        f.m_settings.CurrentIniFile = target.settingsFile;
        f.m_settings.refreshList();
        f.m_envMenu->page = f.m_envMenu->pageOf(target.settingsFile);
        f.m_settings.load(f.m_settings.IniData, target.settingsFile);
        f.Reflect();
    }
    // Link mode is off while the boxes are written, as when a file is loaded: each box then
    // stores just its own value.
    f.setLinkMode(false);
    if (delta.name)
        f.EditName->setText(record.name());
    const auto write = [](QLineEdit *edit, int value) {
        if (edit->text() != QString::number(value))
            edit->setText(QString::number(value));
    };
    for (int i = 0; i < f.EditAblMaxList.size(); ++i) {
        write(f.EditAblMaxList[i], record.origin(i));
        if (f.m_chara->origin(i) != record.origin(i))
            f.EditAblMaxChange(i);
    }
    for (int i = 0; i < f.EditAblList.size(); ++i) {
        write(f.EditAblList[i], record.current(i));
        if (f.m_chara->current(i) != record.current(i))
            f.EditAblChange(i);
    }
    if (delta.money)
        write(f.EditMoney, record.money());
    if (delta.inventory) {
        QString inventory = record.inventory();
        inventory.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
        f.MemoInventry->setPlainText(inventory);
    }
    if (delta.iniFileName)
        f.m_chara->setSettingsFileName(record.settingsFileName());
    if (delta.flagCount) {
        for (int i = 0; i < f.CheckListBoxFL->count() && i < record.flagCount(); ++i)
            f.CheckListBoxFL->setChecked(i, record.flag(i));
        f.CheckListBoxFLClickCheck();
    } else if (!delta.flags.isEmpty()) {
        // Only the boxes that change: a long list is not walked for a flag or two.
        for (const SheetDelta::IndexedChange &change : delta.flags)
            if (change.index < f.CheckListBoxFL->count() && change.index < record.flagCount())
                f.CheckListBoxFL->setChecked(change.index, record.flag(change.index));
        f.CheckListBoxFLClickCheck();
    }
    if (delta.route)
        applyRoute(target, delta.route->kind == SheetDelta::RouteChange::Kind::Replace);
    if (target.routePanelShown != !f.PanelRoute->isHidden()) {
        if (target.routePanelShown)
            f.N8Click();
        else
            f.CloseButtonClick();
    }
    if (delta.saveFile)
        f.m_files->setCurrentSaveFile(target.saveFile);
    f.RouteOutputCheck();
    f.setLinkMode(target.linkMode);
}

void SheetHistory::applyRoute(const SheetState &target, bool replaced)
{
    TMainForm &f = m_form;
    const CharacterRecord &record = target.record;
    const int count = record.routeCount();
    if (count == 0) {
        f.RouteClear();
        return;
    }
    // A paragraph registered or taken back leaves the entries before it as they are: only
    // those after the shorter route are written, and the view appends or is rebuilt.
    const int same = replaced ? 0 : qMin(f.m_chara->routeCount(), count);
    f.m_chara->setRouteCount(count);
    for (int i = same + 1; i <= count; ++i)
        f.m_chara->setRouteAt(i, record.routeAt(i));
    if (replaced) {
        f.m_routeShown = -1;
    } else if (count < f.m_routeShown) {
        f.PanelRoute->removeLastParagraphs(f.m_routeShown - count);
        f.m_routeShown = count;
    }
    f.RouteCreate();
    f.N8->setEnabled(true);
    f.N9->setEnabled(true);
    f.PanelRoute->setClearEnabled(true);
}

void SheetHistory::windowShown()
{
    m_undo->reset();
    // Off the start-up path: the journal opens once the first frame has been drawn.
    m_form.installEventFilter(this);
}

void SheetHistory::openJournal()
{
    if (m_journal)
        return;
    m_journal = std::make_unique<Journal>();
    // The journal writes from the first step on: an installed program's data folder is needed
    // now, on its first run too.
    ProgramDir::ensureExists(m_form.programDir());
    m_journal->open(m_form.programDir());
    if (m_journal->isAvailable())
        m_unfinished = m_journal->lastUnfinishedSession();
    m_resumeAction->setEnabled(m_unfinished.has_value());
    m_undo->attachJournal(m_journal.get());
    // On the journal's thread, after this session began: the window does not wait for it.
    m_journal->prune();
    if (!m_form.currentSaveFile().isEmpty())
        fileOpened(m_form.currentSaveFile());
}

void SheetHistory::fileOpened(const QString &path)
{
    if (!m_journal || !m_journal->isAvailable())
        return;
    const QByteArray bytes = fileBytes(path);
    const std::optional<qint64> earlier = m_journal->sessionForSaveFile(path, bytes);
    if (earlier && *earlier != m_journal->currentSession()) {
        const int savedSteps = m_journal->savedStepCount(*earlier);
        if (auto data = m_journal->continueSession(*earlier, savedSteps)) {
            // The window shows the file just read, which is where its history ended.
            m_undo->restore(data->initial, data->steps, data->undoIndex, data->dice,
                            data->info.startedMs, false);
            return;
        }
    }
    m_journal->noteSaved(path, bytes);
}

void SheetHistory::fileSaved(const QString &path)
{
    if (m_journal && m_journal->isAvailable())
        m_journal->noteSaved(path, fileBytes(path));
}

void SheetHistory::resume()
{
    if (!m_unfinished || !m_journal || !m_journal->isAvailable())
        return;
    const auto data = m_journal->continueSession(*m_unfinished);
    m_unfinished.reset();
    m_resumeAction->setEnabled(false);
    if (data)
        m_undo->restore(data->initial, data->steps, data->undoIndex, data->dice,
                        data->info.startedMs, true);
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
        m_window = new HistoryWindow(&m_form);
        connect(m_window, &HistoryWindow::rewindRequested, this, &SheetHistory::rewindToRow);
        connect(m_window, &HistoryWindow::exportRequested, this, &SheetHistory::exportLedger);
    }
    m_exportStatus.clear();
    refreshHistoryWindow();
    m_window->show();
    m_window->raise();
}

void SheetHistory::refreshHistoryWindow()
{
    const SettingsValues &ini = m_form.m_settings.IniData;
    const QStringList names(ini.names.begin(), ini.names.end());
    // Hundreds of labels are not split again for every step the open window follows.
    if (m_flagLabels.isEmpty() || ini.flagText != m_flagText) {
        m_flagText = ini.flagText;
        m_flagLabels = ini.flagLabels();
    }
    const QStringList &labels = m_flagLabels;
    int firstRow = 0;
    if (!m_ledger || m_ledgerGeneration != m_undo->generation() ||
        !m_ledger->namesAre(names, labels)) {
        m_ledger = std::make_unique<Ledger>(m_undo->initial(), m_undo->stepsInEffect(),
                                            m_undo->dice(), names, labels, m_undo->startedMs());
        m_ledgerGeneration = m_undo->generation();
    } else if (m_changedFrom != NothingChanged) {
        firstRow = m_ledger->update(
            m_changedFrom, m_undo->stepCount(),
            [this](int i) -> const SheetStep & { return m_undo->stepAt(i); }, m_undo->dice());
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
    const QString name = m_form.m_chara->name();
    const QString fileName = Ledger::exportFileName(name);
    TextReport::write(m_form.programDir(), fileName, m_ledger->lines(name));
    m_exportStatus = u"%1 に書き出しました。"_s.arg(fileName);
    refreshHistoryWindow();
}
