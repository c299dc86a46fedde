#pragma once

#include "JournalStore.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

// The store on SQLite, spread over the module's files by job: opening the journal and bringing
// its schema up to date (JournalStore.cpp), the writes (JournalStoreWrites.cpp), and the reads
// and the pruning (JournalStoreReads.cpp).
class SqlJournalStore final : public JournalStore
{
public:
    SqlJournalStore();
    ~SqlJournalStore() override;

    bool open(const QString &journalFile) override;
    void close() override;
    bool isAvailable() const override;
    bool isReadOnly() const override;
    QString statusText() const override;
    void beginBatch() override;
    void endBatch() override;
    bool beginSession(const SheetState &initial) override;
    qint64 currentSession() const override;
    bool appendStep(const SheetStep &step) override;
    bool amendLastStep(const SheetStep &step) override;
    bool setUndoIndex(int index) override;
    bool appendDice(const QList<int> &faces, int total, qint64 timeMs) override;
    bool noteSaved(const QString &path, const QByteArray &bytes) override;
    std::optional<qint64> sessionForSaveFile(const QString &path,
                                             const QByteArray &bytes) const override;
    std::optional<qint64> lastUnfinishedSession() const override;
    QList<Journal::SessionInfo> sessions() const override;
    bool prune(qint64 nowMs) override;
    std::optional<Journal::SessionData> loadSession(qint64 id) const override;
    std::optional<Journal::SessionData> continueSession(qint64 id, int stepLimit) override;
    int savedStepCount(qint64 id) const override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

struct SqlJournalStore::Private
{
    QString path;
    QString connection;
    QSqlDatabase db;
    QString status;
    bool available = false;
    bool readOnly = false;
    qint64 session = 0;
    int undoIndex = 0;
    int stepCount = 0;
    int diceCount = 0;
    QString lastError; // the database's own words, added to a status text
    int changes = 0;   // rows the last statement of run() changed
    bool inBatch = false;
    QHash<QString, QSqlQuery> prepared; // by run(), for this connection

    QSqlQuery query(const QString &sql, const QVariantList &values = {}) const;
    bool run(const QString &sql, const QVariantList &values = {});
    void rollback();
    bool runAll(const QStringList &statements);
    int userVersion(bool *damaged = nullptr) const;
    bool useWal();
    void fail(const QString &text);
    void failWriting();
    bool canWrite(bool needsSession = true);
    // One transaction around work; on any failure everything is rolled back and the journal
    // turns unavailable.
    template <typename Work> bool transaction(Work work, bool needsSession = true)
    {
        using namespace Qt::StringLiterals;
        if (!canWrite(needsSession))
            return false;
        if (inBatch) {
            if (work())
                return true;
            // Nothing of the batch is kept: the journal is unavailable from here on.
            rollback();
            inBatch = false;
            failWriting();
            return false;
        }
        // Immediate: the write lock is taken (waiting for another program if need be) before
        // anything is read. A transaction that read first could find, once it may write, that
        // another program wrote in between, and would fail at once instead of waiting.
        if (!run(u"BEGIN IMMEDIATE"_s)) {
            failWriting();
            return false;
        }
        if (!work() || !run(u"COMMIT"_s)) {
            rollback();
            failWriting();
            return false;
        }
        return true;
    }
    bool touchSession();

    // What the sessions table keeps of a save file's bytes, to know the file again.
    static QByteArray fingerprint(const QByteArray &bytes);
};
