#pragma once

#include "Journal.h"

// The journal's database itself, used by one thread: Journal runs it on a thread of its own.
// The operations are Journal's, done at once; see Journal.h for what each one means.
class JournalStore
{
public:
    JournalStore();
    ~JournalStore();
    JournalStore(const JournalStore &) = delete;
    JournalStore &operator=(const JournalStore &) = delete;

    bool open(const QString &programDir);
    void close();
    bool isAvailable() const;
    bool isReadOnly() const;
    QString statusText() const;
    QString path() const;

    // The writes between the two share one transaction, so that a burst of steps costs one
    // flush to the disk. A failure inside drops the whole batch and leaves the store
    // unavailable.
    void beginBatch();
    void endBatch();

    bool beginSession(const SheetState &initial);
    qint64 currentSession() const;
    bool appendStep(const SheetStep &step);
    bool amendLastStep(const SheetStep &step);
    bool setUndoIndex(int index);
    bool appendDice(const QList<int> &faces, int total, qint64 timeMs);
    bool noteSaved(const QString &path, const QByteArray &bytes);
    std::optional<qint64> sessionForSaveFile(const QString &path, const QByteArray &bytes) const;
    std::optional<qint64> lastUnfinishedSession() const;
    QList<Journal::SessionInfo> sessions() const;
    bool prune(qint64 nowMs);
    std::optional<Journal::SessionData> loadSession(qint64 id) const;
    std::optional<Journal::SessionData> continueSession(qint64 id, int stepLimit);
    int savedStepCount(qint64 id) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
