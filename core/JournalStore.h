#pragma once

#include "Journal.h"

// The journal's database itself, used by one thread: Journal runs it on a thread of its own.
// The operations are Journal's, done at once; see Journal.h for what each one means.
//
// The store on SQLite lives in a module of its own (pelko_journal) with Qt Sql, loaded when the
// journal is opened, after the window is on screen: the window starts without them.
class JournalStore
{
public:
    virtual ~JournalStore() = default;

    // journalFile is the database's path, whether or not the file exists yet.
    virtual bool open(const QString &journalFile) = 0;
    virtual void close() = 0;
    virtual bool isAvailable() const = 0;
    virtual bool isReadOnly() const = 0;
    virtual QString statusText() const = 0;

    // The writes between the two share one transaction, so that a burst of steps costs one
    // flush to the disk. A failure inside drops the whole batch and leaves the store
    // unavailable.
    virtual void beginBatch() = 0;
    // Makes the journal again when its files were deleted or replaced since it was opened;
    // asked now and then while no write comes.
    virtual void checkFiles() = 0;
    virtual void endBatch() = 0;

    virtual bool beginSession(const SheetState &initial) = 0;
    virtual qint64 currentSession() const = 0;
    virtual bool appendStep(const SheetStep &step, const Journal::SheetNote &note) = 0;
    virtual bool amendLastStep(const SheetStep &step, const Journal::SheetNote &note) = 0;
    virtual bool setUndoIndex(int index, const Journal::SheetNote &note) = 0;
    virtual bool setOrigin(qint64 step) = 0;
    virtual bool appendDice(const QList<int> &faces, int total, qint64 timeMs, bool entered) = 0;
    virtual bool noteSaved(const QString &path, const QByteArray &bytes) = 0;
    virtual std::optional<qint64> stepForSaveFile(const QString &path,
                                                  const QByteArray &bytes) const = 0;
    virtual qint64 currentStep() const = 0;
    virtual std::optional<Journal::History> historyTo(qint64 step) const = 0;
    virtual QList<Journal::UnsavedSheet> unsavedSheets() const = 0;
    virtual std::optional<Journal::TakenSheet> takeSheet(qint64 session, qint64 timeMs) = 0;
    virtual bool discardSheet(qint64 session) = 0;
    virtual QList<Journal::SessionInfo> sessions() const = 0;
    virtual bool prune(qint64 nowMs) = 0;
    virtual std::optional<Journal::SessionData> loadSession(qint64 id) const = 0;
};

// The module's one entry point, resolved by name: a new store that the caller owns and uses on
// one thread only.
using JournalStoreFactory = JournalStore *(*)();
inline constexpr char JournalStoreFactoryName[] = "pelkoCreateJournalStore";
