#pragma once

#include "SheetState.h"
#include "SheetStep.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The sheet's history on disk: a small SQLite database in the program directory that receives
// every step as it happens, in a transaction flushed to the disk (steps waiting in a row share
// one), so that a crash loses nothing.
//
// The history is a tree of steps that never change once another step follows them: each step
// knows the one before it, a start (the sheet a program began with) is a root. Undo only moves
// back along the tree; a step taken after an undo starts a branch beside the steps undone,
// which stay. A session is one program's sheet: a place in the tree (the step in effect, and
// the end of the redo tail), owned by that program while it runs. A save notes which step the
// file's bytes belong to. An Open of such a file, and taking up a sheet left unsaved, is a step
// whose origin is that step: the history that led there is told before it, and nothing is
// copied.
//
// A Journal is used from one thread, the window's. The database lives on a thread of its own,
// so that a keystroke never waits for a disk: the writes (steps, undo index, dice, saves) are
// queued in order and return at once; they report failure only when the journal was already
// unavailable. Opening, beginning a session and every read wait for the writes queued before
// them.
//
// Nothing here throws. A journal that cannot be opened, is damaged, locked, unwritable or
// deleted while in use turns unavailable and keeps one status text saying why; the sheet goes
// on without history. A journal written by a newer program is opened read-only and never
// changed.
class Journal
{
public:
    static constexpr int SchemaVersion = 4;
    static QString fileName(); // "Pelko.journal"

    struct SessionInfo
    {
        qint64 id = 0;
        qint64 startedMs = 0;
        qint64 lastActiveMs = 0;
        QString saveFile;
        int stepCount = 0;
        int undoIndex = 0;
        bool saved = false; // nothing happened since the last save
    };

    struct SessionData
    {
        SessionInfo info;
        SheetState initial;
        QList<SheetStep> steps; // all of them, the redo tail included
        int undoIndex = 0;      // steps[0..undoIndex) are in effect
        QList<DiceEvent> dice;
        qint64 initialOrigin = 0; // the start continues the history that led to this step
    };

    // What led to one step: the start and the steps in effect there, the dice rolled on them,
    // with the histories that Opens and taken sheets continue told before them.
    struct History
    {
        SheetState initial;
        QList<SheetStep> steps;
        QList<DiceEvent> dice;
        qint64 startedMs = 0;
    };

    // A sheet left without a save (a crash, a kill, a power cut, Exit) by a program that no
    // longer runs: what "前回の続き" lists.
    struct UnsavedSheet
    {
        qint64 session = 0;
        qint64 lastActiveMs = 0;
        QString name;
        int paragraph = 0; // the last paragraph on its route, 0 for none
        QString settingsFile;
        QString saveFile;
        QString machine; // the machine it was played on, when that is not this one
    };
    // A sheet taken up: its state and the step it stands on.
    struct TakenSheet
    {
        SheetState state;
        qint64 step = 0;
        qint64 timeMs = 0; // of the step that took it up
    };

    // What the journal's thread is told of the sheet a step leads to: the summary the recovery
    // list shows, and now and then the whole sheet, written down so that taking it up replays
    // only the steps since. The window's thread decides when: the sheet's memory is then let go
    // on the thread that made it.
    struct SheetNote
    {
        bool known = false;
        QString name;
        int paragraph = 0;
        QString settingsFile;
        std::optional<SheetState> whole;
    };
    static constexpr int MovesBetweenWholeSheets = 256;
    static constexpr qint64 MsBetweenWholeSheets = 5000;

    Journal();
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    // Opens (creating it if needed) the journal in programDir, a folder path with or without
    // a trailing separator. Returns isAvailable().
    bool open(const QString &programDir);
    // Waits for the queued writes, then closes the database.
    void close();
    // Waits until every queued write was done.
    void flush();

    // True while the journal can be written; false before open, after a failure, and for a
    // journal of a newer schema (readable, see isReadOnly). A failure of a queued write shows
    // here once the write was tried; flush waits for that.
    bool isAvailable() const;
    bool isReadOnly() const;
    // Why the journal is unavailable or read-only, or what befell it while it still works (it
    // was deleted and made again); empty while all is well.
    QString statusText() const;
    QString path() const;

    // Starts a new session whose history begins at initial; it becomes the current one.
    bool beginSession(const SheetState &initial);
    qint64 currentSession() const;

    // Appends a step after the one in effect in the current session; the redo tail stays in
    // the tree as a branch, but the session's own redo tail is now the new step. after, the
    // sheet the step leads to, lets a later program take the sheet up without replaying its
    // history; without it the session's summary is not updated. A New or an Open leaves the
    // sheet before it, when unsaved, offered as a sheet of its own once this program ends
    // (undo takes that back, redo leaves it again).
    bool appendStep(const SheetStep &step, const std::optional<SheetState> &after = {});
    // Replaces the last step in effect (after keystrokes were merged into it); the step it
    // leads from stays.
    bool amendLastStep(const SheetStep &step, const std::optional<SheetState> &after = {});
    // After undo and redo: steps beyond index stay as the redo tail.
    bool setUndoIndex(int index, const std::optional<SheetState> &after = {});
    // The last step in effect (the start, with none) continues the history that led to step.
    bool setOrigin(qint64 step);
    bool appendDice(const QList<int> &faces, int total, qint64 timeMs, bool entered = false);

    // The sheet was written to path as bytes (or read from it): the file's bytes belong to the
    // step in effect.
    bool noteSaved(const QString &path, const QByteArray &bytes);
    // The step whose sheet path holds, when bytes are exactly what was noted last for path: a
    // file written since by another sheet or changed by another program has no history.
    std::optional<qint64> stepForSaveFile(const QString &path, const QByteArray &bytes) const;
    // The step in effect in the current session (the start with none), 0 without a session.
    qint64 currentStep() const;
    // The history that led to step, or nothing when it is gone.
    std::optional<History> historyTo(qint64 step) const;
    // The sheets left unsaved by programs that no longer run, newest first.
    QList<UnsavedSheet> unsavedSheets() const;
    // Takes up the sheet session left as one step of the current session, a Resume whose
    // origin is the sheet's step, written with the mark that the sheet is taken: it is
    // no longer offered, and its state comes back. The sheet replaced, if unsaved, stays
    // offered. Nothing when another running program holds it or it was taken already.
    std::optional<TakenSheet> takeSheet(qint64 session);
    // The player's choice to forget the sheet session left: it is offered no more, as if
    // taken up, and pruned a day later with whatever only it leads to. Nothing when another
    // running program holds it.
    bool discardSheet(qint64 session);
    QList<SessionInfo> sessions() const;

    // Old sessions are pruned as a program begins its own, so that the journal stops growing:
    // kept are the current session; every session active within the last day; every sheet
    // left unsaved and not taken up (however old); and, for each save file still on disk, the
    // session that wrote it last. A step stays while a kept session, a save file on disk or a
    // kept step's origin leads to its tree; whole trees that nothing leads to go.
    static constexpr qint64 ActiveWithinMs = 24 * 60 * 60 * 1000;
    struct StoredSession
    {
        qint64 id = 0;
        qint64 lastActiveMs = 0;
        QString saveFile; // empty when no save file was written or read
        qint64 savedAtMs = -1;
        bool hasSteps = false;
        bool taken = false; // taken up by another session
        bool saved = false; // nothing happened since the last save
    };
    static QList<qint64> sessionsToDrop(const QList<StoredSession> &sessions, qint64 current,
                                        qint64 nowMs,
                                        const std::function<bool(const QString &)> &fileExists);
    // Removes, on the journal's thread, the sessions sessionsToDrop names and whatever belongs
    // to no session; queued like a write.
    bool prune();

    // The session's start, its steps from the start to the end of its redo tail, its undo
    // index and the dice rolled on those steps.
    std::optional<SessionData> loadSession(qint64 id) const;

private:
    struct Private;
    void post(std::function<void()> task);
    SheetNote noteOf(const std::optional<SheetState> &after);
    std::unique_ptr<Private> d;
};
