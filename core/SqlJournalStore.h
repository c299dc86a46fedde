#pragma once

#include "JournalLocks.h"
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
    void checkFiles() override;
    void endBatch() override;
    bool beginSession(const SheetState &initial) override;
    qint64 currentSession() const override;
    bool appendStep(const SheetStep &step, const Journal::SheetNote &note) override;
    bool amendLastStep(const SheetStep &step, const Journal::SheetNote &note) override;
    bool setUndoIndex(int index, const Journal::SheetNote &note) override;
    bool setOrigin(qint64 step) override;
    bool appendDice(const QList<int> &faces, int total, qint64 timeMs, bool entered) override;
    bool noteSaved(const QString &path, const QByteArray &bytes) override;
    std::optional<qint64> stepForSaveFile(const QString &path,
                                          const QByteArray &bytes) const override;
    qint64 currentStep() const override;
    std::optional<Journal::History> historyTo(qint64 step) const override;
    QList<Journal::UnsavedSheet> unsavedSheets() const override;
    std::optional<Journal::TakenSheet> takeSheet(qint64 session, qint64 timeMs) override;
    bool discardSheet(qint64 session) override;
    QList<Journal::SessionInfo> sessions() const override;
    bool prune(qint64 nowMs) override;
    std::optional<Journal::SessionData> loadSession(qint64 id) const override;

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
    // The current session's steps from its start (line[0]) to the end of its redo tail; the
    // one in effect is line[undoIndex].
    QList<qint64> line;
    int undoIndex = 0;
    QString owner;     // this program, as the sessions it owns name it
    QString lastError; // the database's own words, added to a status text
    int changes = 0;   // rows the last statement of run() changed
    bool inBatch = false;
    QHash<QString, QSqlQuery> prepared; // by run(), for this connection
    std::unique_ptr<JournalLocks> locks;
    // The journal's files as the connection found them: a file deleted or put in their place
    // since is noticed before the next write.
    struct FileId
    {
        bool exists = false;
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const FileId &) const = default;
    };
    FileId files[3]; // the journal, its write-ahead log, its shared memory
    static FileId idOf(const QString &path);
    bool filesMoved() const;
    QString notice; // what a status text tells while the journal still works

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
        if (!beginWrite()) {
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
    // The session's row after a move of the step in effect; the whole sheet, when the note
    // holds it, is written down for that step. amended: the step in effect was changed in
    // place, so a whole sheet written down for it before no longer holds.
    bool touchSession(const Journal::SheetNote &note = {}, bool amended = false);
    // Appends step after the one in effect, inside a transaction.
    bool addStep(const SheetStep &step, const Journal::SheetNote &note);
    // The sheet at node, replaced by an Open, a New or a sheet taken up without a save, stays
    // offered as a sheet of its own: a session of this program standing on node, which
    // another program may take up once this one ends.
    bool leaveSheet(qint64 node);
    // After the step in effect moved from line[from] to line[to]: sheets brought back are
    // this session's own again, sheets replaced once more by a redo are left again.
    bool followLeftSheets(int from, int to);
    qint64 head() const { return line.isEmpty() ? 0 : line[undoIndex]; }
    // The steps from `step` back towards its start, newest first, ending at the first one
    // that continues another history, at the start, or at stop.
    struct Node
    {
        qint64 id = 0;
        qint64 parent = 0;
        qint64 root = 0;
        qint64 origin = 0;
        SheetStep step;
        bool readable = true;
        bool taken = false; // a sheet taken up, stored without its difference
    };
    QList<Node> walkBack(qint64 step, qint64 stop = 0, bool toTheStart = false) const;
    std::optional<SheetState> rootState(qint64 root, qint64 *startedMs = nullptr) const;
    std::optional<SheetState> stateAt(qint64 step, qint64 session) const;
    std::optional<SheetState> stateAtStep(qint64 step) const;
    bool migrateToTrees();
    QList<DiceEvent> diceOn(const QList<Node> &steps, int base) const;

    // What the sessions table keeps of a save file's bytes, to know the file again.
    static QByteArray fingerprint(const QByteArray &bytes);
    // This program as an owner of sessions, and whether the owner a session names still runs.
    static QString ownerOfThisProgram();
    bool ownerRuns(const QString &named) const;
    // The machine an owner names, when it is not this one; empty otherwise.
    static QString otherMachine(const QString &owner);

    // The connection to the journal at path, set up and brought up to date; empties a log left
    // behind when no other program uses the journal. False with the status set.
    bool connect();
    // Closes the connection; the database folds its log back and removes it only when alone is
    // true and the files are still the ones it opened.
    void disconnect(bool alone);
    // Inside a write: when the journal's files were deleted or replaced since the connection
    // was opened, the write is given up, the journal is made again from what this connection
    // still reads (or the one another program made is used) and the write begun again.
    bool beginWrite();
    bool replaceLostJournal();
};
