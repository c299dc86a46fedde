#pragma once

#include "SheetDelta.h"
#include "SheetState.h"

#include <QObject>

#include <limits>
#include <memory>
#include <optional>

class HistoryWindow;
class Journal;
class Ledger;
class QAction;
class SheetUndo;
class TMainForm;

// The main window's history: undo and redo of the sheet, the journal that keeps every step on
// disk, the history window and the recovery of a sheet left unsaved. It watches the window's
// boxes and commands for the end of each user action, and brings the window to an earlier
// state by writing the boxes through the window's own handlers.
//
// Undo keys: inside a box that still has text undo of its own, Ctrl+Z (and Ctrl+Shift+Z,
// Ctrl+Y for redo) work on the box as they always did; once the box has nothing left to undo,
// the same keys undo the sheet. The menu items always mean the sheet.
class SheetHistory : public QObject
{
    Q_OBJECT

public:
    explicit SheetHistory(TMainForm &form);
    ~SheetHistory() override;

    SheetUndo &undo() const { return *m_undo; }
    Journal *journal() const { return m_journal.get(); }
    HistoryWindow *historyWindow() const { return m_window; }

    // The window was shown for the first time: its sheet starts the history, and the journal
    // opens as soon as the first frame is drawn.
    void windowShown();
    void openJournal();
    // A file was opened or written: the journal learns its bytes; an opened file whose bytes
    // are the ones last written here brings its history back.
    void fileOpened(const QString &path);
    void fileSaved(const QString &path);

    // "前回の続きを開く": the last sheet left unsaved, with its history.
    void resume();
    // "履歴"
    void showHistory();
    void rewindToRow(int row);
    void exportLedger();

    SheetState capture() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenuItems();
    void watchBoxes();
    void apply(const SheetState &target, const SheetDelta &delta);
    void applyRoute(const SheetState &target, bool replaced);
    void refreshHistoryWindow();
    QString journalStatus() const;

    TMainForm &m_form;
    std::unique_ptr<SheetUndo> m_undo;
    std::unique_ptr<Journal> m_journal;
    std::optional<qint64> m_unfinished;
    std::unique_ptr<Ledger> m_ledger; // the one the history window shows
    int m_ledgerGeneration = -1;      // the history it tells
    QString m_flagText;               // the settings' flag labels as last split
    QStringList m_flagLabels;
    static constexpr int NothingChanged = std::numeric_limits<int>::max();
    int m_changedFrom = NothingChanged; // the first step changed since it was told
    HistoryWindow *m_window = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    QAction *m_historyAction = nullptr;
    QAction *m_resumeAction = nullptr;
    QString m_exportStatus;
    mutable QString m_inventory; // the inventory box's text with CR LF, while m_inventoryRead
    mutable bool m_inventoryRead = false;
    QObject *m_typed = nullptr; // the box an edit was reported for, until its step is taken
};
