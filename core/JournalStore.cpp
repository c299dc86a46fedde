#include "SqlJournalStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QThread>

#include <atomic>

using namespace Qt::StringLiterals;

namespace {

// How long a write waits for another program that holds the journal.
constexpr int BusyTimeoutMs = 5000;

// Each version's statements bring a journal from the version before up to it.
const QStringList &migrationTo(int version)
{
    static const QList<QStringList> steps = {
        {},
        {
            u"CREATE TABLE sessions(id INTEGER PRIMARY KEY AUTOINCREMENT,"
            " started INTEGER NOT NULL, last_active INTEGER NOT NULL,"
            " undo_index INTEGER NOT NULL DEFAULT 0, save_file TEXT NOT NULL DEFAULT '',"
            " save_hash BLOB, saved_at INTEGER, saved_steps INTEGER NOT NULL DEFAULT -1,"
            " saved INTEGER NOT NULL DEFAULT 0, continued INTEGER NOT NULL DEFAULT 0)"_s,
            u"CREATE TABLE steps(session INTEGER NOT NULL, seq INTEGER NOT NULL,"
            " kind INTEGER NOT NULL, field TEXT NOT NULL, time INTEGER NOT NULL,"
            " delta BLOB NOT NULL, PRIMARY KEY(session, seq)) WITHOUT ROWID"_s,
            // Apart from the session's row, which changes at every step: a large initial state
            // would be written again with it each time.
            u"CREATE TABLE initial_states(session INTEGER PRIMARY KEY, state BLOB NOT NULL)"_s,
        },
        {
            u"CREATE TABLE dice(session INTEGER NOT NULL, seq INTEGER NOT NULL,"
            " at_step INTEGER NOT NULL, time INTEGER NOT NULL, faces TEXT NOT NULL,"
            " total INTEGER NOT NULL, PRIMARY KEY(session, seq)) WITHOUT ROWID"_s,
        },
    };
    return steps[version];
}

} // namespace

// The schema version, or -1 when it cannot be read; damaged tells whether that is because
// the file is no database or a damaged one, rather than one that cannot be read now.
int SqlJournalStore::Private::userVersion(bool *damaged) const
{
    QSqlQuery q = query(u"PRAGMA user_version"_s);
    if (q.next())
        return q.value(0).toInt();
    if (damaged) {
        const QString code = q.lastError().nativeErrorCode();
        *damaged = code == u"26"_s || code == u"11"_s; // SQLITE_NOTADB, SQLITE_CORRUPT
    }
    return -1;
}

// Switches a new journal to write-ahead logging. While another program is creating the same
// journal the switch can be refused for a moment (the old mode comes back), so it is tried
// again for as long as a busy database is waited for.
bool SqlJournalStore::Private::useWal()
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QSqlQuery q = query(u"PRAGMA journal_mode = WAL"_s);
        if (q.next() && q.value(0).toString().compare(u"wal"_s, Qt::CaseInsensitive) == 0)
            return true;
        if (q.lastError().type() != QSqlError::NoError)
            lastError = q.lastError().text();
        if (waited.elapsed() > BusyTimeoutMs)
            return false;
        QThread::msleep(10);
    }
}

void SqlJournalStore::Private::fail(const QString &text)
{
    available = false;
    if (status.isEmpty())
        status = text;
}

SqlJournalStore::SqlJournalStore() : d(std::make_unique<Private>()) {}

SqlJournalStore::~SqlJournalStore()
{
    close();
}

bool SqlJournalStore::open(const QString &journalFile)
{
    close();
    d->status.clear();
    d->path = journalFile;
    const QString shown = QDir::toNativeSeparators(d->path);
    const QString cannotOpen =
        u"履歴ファイル %1 を開けないため、履歴は記録されません。"_s.arg(shown);
    const QFileInfo info(d->path);
    if (info.exists() && !info.isFile()) { // a folder or a pipe of that name
        d->fail(cannotOpen);
        return false;
    }
    static std::atomic<int> serial{0};
    d->connection = u"pelko-journal-%1"_s.arg(++serial);
    d->db = QSqlDatabase::addDatabase(u"QSQLITE"_s, d->connection);
    d->db.setDatabaseName(d->path);
    d->db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=%1"_s.arg(BusyTimeoutMs));
    if (!d->db.isValid() || !d->db.open()) {
        d->fail(cannotOpen);
        return false;
    }
    // The version is read before anything is written, so that a newer journal stays as it is.
    bool damaged = false;
    const int version = d->userVersion(&damaged);
    if (version < 0) {
        d->fail(damaged ? u"履歴ファイル %1 は壊れているため、履歴は記録されません。"_s.arg(shown)
                        : cannotOpen);
        return false;
    }
    if (version > Journal::SchemaVersion) {
        d->prepared.clear();
        d->db.close();
        d->db.setConnectOptions(
            u"QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1"_s.arg(BusyTimeoutMs));
        d->db.open();
        d->readOnly = true;
        d->fail(
            u"履歴ファイル %1 は新しい版の Pelko が書いたものなので、読むだけにして書き込みません。"_s
                .arg(shown));
        return false;
    }
    // Every commit is flushed to the disk, so that a power loss keeps each finished step; the
    // cost falls on the journal's thread, never on the window's.
    if (!d->useWal() || !d->run(u"PRAGMA synchronous = FULL"_s)) {
        d->fail(cannotOpen);
        return false;
    }
    // Two programs may open the same journal at once: the version is read again inside the
    // write lock, so only one of them migrates.
    if (!d->run(u"BEGIN IMMEDIATE"_s)) {
        d->fail(cannotOpen);
        return false;
    }
    const int locked = d->userVersion();
    bool migrated = locked >= 0 && locked <= Journal::SchemaVersion;
    for (int v = locked + 1; migrated && v <= Journal::SchemaVersion; ++v)
        migrated = d->runAll(migrationTo(v));
    if (migrated && locked != Journal::SchemaVersion)
        migrated = d->run(u"PRAGMA user_version = %1"_s.arg(Journal::SchemaVersion));
    if (!migrated || !d->run(u"COMMIT"_s)) {
        d->rollback();
        if (locked > Journal::SchemaVersion)
            d->readOnly = true;
        d->fail(cannotOpen);
        return false;
    }
    d->available = true;
    return true;
}

void SqlJournalStore::close()
{
    if (d->connection.isEmpty())
        return;
    d->prepared.clear();
    d->db.close();
    d->db = QSqlDatabase();
    QSqlDatabase::removeDatabase(d->connection);
    d->connection.clear();
    d->available = false;
    d->readOnly = false;
    d->session = 0;
    d->undoIndex = d->stepCount = d->diceCount = 0;
}

bool SqlJournalStore::isAvailable() const
{
    return d->available;
}

bool SqlJournalStore::isReadOnly() const
{
    return d->readOnly;
}

QString SqlJournalStore::statusText() const
{
    return d->status;
}

qint64 SqlJournalStore::currentSession() const
{
    return d->session;
}

extern "C" Q_DECL_EXPORT JournalStore *pelkoCreateJournalStore()
{
    return new SqlJournalStore;
}

static_assert(std::is_same_v<decltype(&pelkoCreateJournalStore), JournalStoreFactory>);
