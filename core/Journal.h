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
// one), so that a crash loses nothing. A sheet lifetime is a session: its initial state, its
// steps (those beyond the undo index are the redo tail) and the dice rolled. A Journal is used
// from one thread, the window's.
//
// The database lives on a thread of its own, so that a keystroke never waits for a disk: the
// writes (steps, undo index, dice, saves) are queued in order and return at once; they report
// failure only when the journal was already unavailable. Opening, beginning or continuing a
// session and every read wait for the writes queued before them.
//
// Nothing here throws. A journal that cannot be opened, is damaged, locked, unwritable or
// deleted while in use turns unavailable and keeps one status text saying why; the sheet goes
// on without history. A journal written by a newer program is opened read-only and never
// changed.
class Journal
{
public:
    static constexpr int SchemaVersion = 2;
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
    };

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
    // Why the journal is unavailable or read-only; empty while all is well.
    QString statusText() const;
    QString path() const;

    // Starts a new session whose history begins at initial; it becomes the current one.
    bool beginSession(const SheetState &initial);
    qint64 currentSession() const;

    // Appends a step at the undo index of the current session, dropping the redo tail, and
    // moves the undo index past it.
    bool appendStep(const SheetStep &step);
    // Replaces the last step in effect (after keystrokes were merged into it).
    bool amendLastStep(const SheetStep &step);
    // After undo and redo: steps beyond index stay as the redo tail.
    bool setUndoIndex(int index);
    bool appendDice(const QList<int> &faces, int total, qint64 timeMs);

    // The sheet was written to path as bytes (or read from it): the current session belongs to
    // that file from now on, and its fingerprint lets a later Open continue this history.
    bool noteSaved(const QString &path, const QByteArray &bytes);
    // The session that noted path last, when bytes are exactly what it noted: a file written
    // since by another sheet or changed by another program has no history to continue.
    std::optional<qint64> sessionForSaveFile(const QString &path, const QByteArray &bytes) const;
    // Of the other sessions with steps (and not continued yet), the one active last, when it
    // has changes not saved since: what a program that ended without saving left behind.
    std::optional<qint64> lastUnfinishedSession() const;
    QList<SessionInfo> sessions() const;

    // Old sessions are pruned as a program begins its own, so that the journal stops growing:
    // kept are the current session; every session active within the last day (another
    // program may still be writing it); the KeptSessions last active of those with steps that
    // were not taken up whole by a later session (what "前回の続きを開く" offers is the newest of
    // them); and, for each save file still on disk, the session that reopening it continues.
    // Everything else is history that nothing can bring back any more.
    static constexpr int KeptSessions = 20;
    static constexpr qint64 ActiveWithinMs = 24 * 60 * 60 * 1000;
    struct StoredSession
    {
        qint64 id = 0;
        qint64 lastActiveMs = 0;
        QString saveFile; // empty when no save file was written or read
        qint64 savedAtMs = -1;
        bool hasSteps = false;
        bool continued = false; // taken up whole by a later session
    };
    static QList<qint64> sessionsToDrop(const QList<StoredSession> &sessions, qint64 current,
                                        qint64 nowMs,
                                        const std::function<bool(const QString &)> &fileExists);
    // Removes, on the journal's thread, the sessions sessionsToDrop names and whatever belongs
    // to no session; queued like a write.
    bool prune();

    std::optional<SessionData> loadSession(qint64 id) const;
    // Continues session id in a new current session: a copy of its initial state and its first
    // stepLimit steps (all of them, the redo tail included, when stepLimit is negative; with a
    // limit, up to the step where it was last saved is what sessionForSaveFile's caller wants).
    // A whole copy takes the old session's place: lastUnfinishedSession no longer offers it.
    // Returns the new session.
    std::optional<SessionData> continueSession(qint64 id, int stepLimit = -1);
    // The number of steps that were in effect when session id was last saved, -1 if never.
    int savedStepCount(qint64 id) const;

private:
    struct Private;
    void post(std::function<void()> task);
    std::unique_ptr<Private> d;
};
