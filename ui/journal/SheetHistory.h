#pragma once

#include "Journal.h"
#include "SheetDelta.h"
#include "SheetState.h"

#include <QObject>

#include <limits>
#include <memory>
#include <optional>

class HistoryWindow;
class Ledger;
class QAction;
class QKeyEvent;
class QLineEdit;
class QMenu;
class QWidget;
class Sheet;
class SheetUndo;

// The sheet's history: undo and redo, the journal that keeps every step on disk, the history
// window and the recovery of a sheet left unsaved. The window tells it when each user action
// ends; undo brings the sheet itself to an earlier state, and the window follows the sheet.
//
// Undo keys: inside a box that still has text undo of its own, Ctrl+Z (and Ctrl+Shift+Z,
// Ctrl+Y for redo) work on the box as they always did; once the box has nothing left to undo,
// the same keys undo the sheet. The menu items always mean the sheet.
class SheetHistory : public QObject
{
    Q_OBJECT

public:
    // The items go at the end of editMenu; the history window opens over window; the journal
    // and the ledger's export live in programDir.
    SheetHistory(Sheet &sheet, QMenu *editMenu, QWidget *window, const QString &programDir);
    ~SheetHistory() override;

    SheetUndo &undo() const { return *m_undo; }
    Journal *journal() const { return m_journal.get(); }
    HistoryWindow *historyWindow() const { return m_window; }
    QAction *historyAction() const { return m_historyAction; }

    // The history the ledger and the charts tell: the steps in effect; when one of them (or the
    // start) continues another history, that one comes first, and the steps before it (another
    // sheet's) are left out. Its steps are history.steps[0, base) and then the sheet's own from
    // `from` on; the dice are those of the told steps, placed among them.
    struct Told
    {
        Journal::History history;
        int graftIndex = -1;  // the sheet's step that continues another history; -1 for the start
        qint64 origin = 0;    // the journal's step it continues, 0 for none
        bool grafted = false; // another history is told first
        int from = 0;
        int base = 0;
        int baseDice = 0; // the dice of history.dice rolled in the history continued
    };
    Told toldHistory() const;

    // The undo keys of box reach the sheet once the box has no text undo left; leaving the
    // box ends a run of keystrokes.
    void watchUndoKeys(QWidget *box);
    // The same for a field of a tool window beside the sheet, whose typing is no step: its own
    // undo goes first while its typing is the last thing done; then the keys undo the sheet,
    // from that window as from the main one.
    void watchToolField(QLineEdit *field, QWidget *window);
    // The window was shown for the first time: its sheet starts the history, and the journal
    // opens as soon as its first frame is drawn.
    void windowShown(QWidget *window);
    void openJournal();
    // A file was opened or written: the journal learns its bytes; an opened file whose bytes
    // are the ones last written here brings its history back.
    void fileOpened(const QString &path);
    void fileSaved(const QString &path);
    void addDice(const QList<int> &faces, int total, bool entered = false);

    // "前回の続きを開く": the list of the sheets left unsaved; the one chosen is taken up.
    void resume();
    // Takes up the sheet a session left, as one step; whether it came.
    bool takeSheet(qint64 session);
    // Enables "前回の続きを開く" when there is a sheet to offer, else says why in its tooltip.
    void refreshResumeItem();
    // "履歴"
    void showHistory();
    void rewindToRow(int row);
    void exportLedger();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenuItems(QMenu *edit);
    bool undoKey(QObject *watched, QKeyEvent *key);
    void refreshHistoryWindow();
    QString journalStatus() const;
    // Says, once the undo or redo that did it is over, that Save now writes path.
    void noticeSaveFile(const QString &path);
    void tellJournalNotice();

    Sheet &m_sheet;
    QWidget *m_parent;
    QString m_programDir;
    QWidget *m_shownWindow = nullptr;
    std::unique_ptr<SheetUndo> m_undo;
    std::unique_ptr<Journal> m_journal;
    std::unique_ptr<Ledger> m_ledger; // the one the history window shows
    int m_ledgerGeneration = -1;      // the history it tells
    // The history an Open or a taken sheet continues, as the ledger tells it before the step.
    struct Graft
    {
        int stepIndex = -1; // the step that continues it; -1 for the start
        qint64 origin = 0;
        Journal::History history;
    };
    std::optional<Graft> m_graft; // the one the ledger tells
    bool graftChanged() const;
    void buildLedger(const QStringList &names, const QStringList &labels);
    QString m_flagText; // the settings' flag labels as last split
    QStringList m_flagLabels;
    static constexpr int NothingChanged = std::numeric_limits<int>::max();
    int m_changedFrom = NothingChanged; // the first step changed since it was told
    HistoryWindow *m_window = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    QAction *m_historyAction = nullptr;
    QAction *m_resumeAction = nullptr;
    QString m_exportStatus;
    QString m_toldNotice; // the journal's notice said last
};
