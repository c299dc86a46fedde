#include "SqlJournalStore.h"

#include "WholeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSysInfo>
#include <QThread>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>

using namespace Qt::StringLiterals;

namespace {

// How long a write waits for another program that holds the journal.
constexpr int BusyTimeoutMs = 5000;

// Whether the database, as its last connection in this program closes, leaves the write-ahead
// log as it is rather than folding it back and removing it. It decides that it is the last
// connection of all by locks that another part of this program may have dropped unseen (see
// JournalLocks.h): it is allowed to only when no other program holds a journal lock.
void keepLogOnClose(const QSqlDatabase &db, bool keep)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return;
    sqlite3 *const connection = *static_cast<sqlite3 *const *>(handle.constData());
    if (connection)
        sqlite3_db_config(connection, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, keep ? 1 : 0, nullptr);
}

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
        {
            // The history as a tree: a start is a step without a parent (parent 0) whose
            // sheet lies in starts; root names the start of each step's tree.
            u"CREATE TABLE nodes(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL,"
            " root INTEGER NOT NULL, kind INTEGER NOT NULL, field TEXT NOT NULL,"
            " time INTEGER NOT NULL, delta BLOB NOT NULL, origin INTEGER NOT NULL DEFAULT 0)"_s,
            u"CREATE INDEX nodes_by_root ON nodes(root)"_s,
            u"CREATE TABLE starts(node INTEGER PRIMARY KEY, started INTEGER NOT NULL,"
            " state BLOB NOT NULL)"_s,
            u"CREATE TABLE rolls(id INTEGER PRIMARY KEY AUTOINCREMENT, node INTEGER NOT NULL,"
            " root INTEGER NOT NULL, time INTEGER NOT NULL, faces TEXT NOT NULL,"
            " total INTEGER NOT NULL)"_s,
            u"CREATE INDEX rolls_by_root ON rolls(root)"_s,
            u"CREATE TABLE saves(path TEXT PRIMARY KEY, hash BLOB NOT NULL, node INTEGER NOT NULL,"
            " at INTEGER NOT NULL)"_s,
            u"CREATE TABLE snapshots(session INTEGER PRIMARY KEY, node INTEGER NOT NULL,"
            " state BLOB NOT NULL)"_s,
            u"ALTER TABLE sessions ADD COLUMN root INTEGER NOT NULL DEFAULT 0"_s,
            u"ALTER TABLE sessions ADD COLUMN head INTEGER NOT NULL DEFAULT 0"_s,
            u"ALTER TABLE sessions ADD COLUMN tip INTEGER NOT NULL DEFAULT 0"_s,
            u"ALTER TABLE sessions ADD COLUMN saved_node INTEGER NOT NULL DEFAULT -1"_s,
            u"ALTER TABLE sessions ADD COLUMN owner TEXT NOT NULL DEFAULT ''"_s,
            u"ALTER TABLE sessions ADD COLUMN name TEXT NOT NULL DEFAULT ''"_s,
            u"ALTER TABLE sessions ADD COLUMN paragraph INTEGER NOT NULL DEFAULT 0"_s,
            u"ALTER TABLE sessions ADD COLUMN settings_file TEXT NOT NULL DEFAULT ''"_s,
        },
        {
            // Faces typed in from real dice rather than rolled.
            u"ALTER TABLE rolls ADD COLUMN entered INTEGER NOT NULL DEFAULT 0"_s,
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

// Brings the histories of a journal that kept each session as a list of its own into the tree:
// each session's start becomes a start, its steps a line of steps after it, its dice rolls on
// the steps they were rolled on, its last save a save. Runs inside the migration's transaction.
bool SqlJournalStore::Private::migrateToTrees()
{
    struct Old
    {
        qint64 id;
        int undoIndex;
        int savedSteps;
        QString saveFile;
        QByteArray hash;
        qint64 savedAt;
        qint64 started;
    };
    QList<Old> old;
    {
        QSqlQuery q = query(u"SELECT id, undo_index, saved_steps, save_file, save_hash,"
                            " coalesce(saved_at, -1), started FROM sessions ORDER BY id"_s);
        while (q.next())
            old.append({q.value(0).toLongLong(), q.value(1).toInt(), q.value(2).toInt(),
                        q.value(3).toString(), q.value(4).toByteArray(), q.value(5).toLongLong(),
                        q.value(6).toLongLong()});
    }
    QHash<QString, std::pair<qint64, qint64>> lastSave; // path: saved at, session
    for (const Old &old1 : std::as_const(old)) {
        QSqlQuery initial =
            query(u"SELECT state FROM initial_states WHERE session = ?"_s, {old1.id});
        std::optional<SheetState> state =
            initial.next() ? SheetState::decode(initial.value(0).toByteArray()) : std::nullopt;
        initial.finish();
        if (!state) {
            if (!run(u"DELETE FROM sessions WHERE id = ?"_s, {old1.id}))
                return false;
            continue;
        }
        QSqlQuery root = query(u"INSERT INTO nodes(parent, root, kind, field, time, delta)"
                               " VALUES(0, 0, 0, '', ?, x'')"_s,
                               {old1.started});
        if (root.lastError().type() != QSqlError::NoError)
            return false;
        QList<qint64> chain{root.lastInsertId().toLongLong()};
        root.finish();
        if (!run(u"UPDATE nodes SET root = id WHERE id = ?"_s, {chain[0]}) ||
            !run(u"INSERT INTO starts(node, started, state) VALUES(?, ?, ?)"_s,
                 {chain[0], old1.started, state->encode()}))
            return false;
        std::optional<SheetState> head = state;
        QSqlQuery steps = query(u"SELECT kind, field, time, delta FROM steps WHERE session = ?"
                                " ORDER BY seq"_s,
                                {old1.id});
        QList<QVariantList> rows;
        while (steps.next())
            rows.append({steps.value(0), steps.value(1), steps.value(2), steps.value(3)});
        steps.finish();
        for (const QVariantList &row : std::as_const(rows)) {
            QSqlQuery insert = query(u"INSERT INTO nodes(parent, root, kind, field, time, delta)"
                                     " VALUES(?, ?, ?, ?, ?, ?)"_s,
                                     {chain.constLast(), chain[0], row[0], row[1], row[2], row[3]});
            if (insert.lastError().type() != QSqlError::NoError)
                return false;
            chain.append(insert.lastInsertId().toLongLong());
            if (head && chain.size() - 1 <= old1.undoIndex) {
                const std::optional<SheetDelta> delta = SheetDelta::decode(row[3].toByteArray());
                head = delta ? std::optional(
                                   delta->applyTo(std::move(*head), SheetDelta::Direction::Forward))
                             : std::nullopt;
            }
        }
        const int inEffect = std::clamp(old1.undoIndex, 0, int(chain.size()) - 1);
        const qint64 savedNode =
            old1.savedSteps >= 0 ? chain[std::min(old1.savedSteps, int(chain.size()) - 1)] : -1;
        if (!run(u"UPDATE sessions SET root = ?, head = ?, tip = ?, saved_node = ?,"
                 " name = ?, paragraph = ?, settings_file = ? WHERE id = ?"_s,
                 {chain[0], chain[inEffect], chain.constLast(), savedNode,
                  head ? head->record.name() : u""_s,
                  head ? int(head->record.routeList().constLast()) : 0,
                  head ? head->settingsFile : u""_s, old1.id}))
            return false;
        if (head && !run(u"INSERT INTO snapshots(session, node, state) VALUES(?, ?, ?)"_s,
                         {old1.id, chain[inEffect], head->encode()}))
            return false;
        QSqlQuery dice = query(u"SELECT at_step, time, faces, total FROM dice WHERE session = ?"
                               " ORDER BY seq"_s,
                               {old1.id});
        QList<QVariantList> rolls;
        while (dice.next())
            rolls.append({chain[std::clamp(dice.value(0).toInt(), 0, int(chain.size()) - 1)],
                          chain[0], dice.value(1), dice.value(2), dice.value(3)});
        dice.finish();
        for (const QVariantList &roll : std::as_const(rolls))
            if (!run(u"INSERT INTO rolls(node, root, time, faces, total) VALUES(?, ?, ?, ?, ?)"_s,
                     roll))
                return false;
        if (!old1.saveFile.isEmpty() && savedNode > 0 && !old1.hash.isEmpty()) {
            auto &last = lastSave[old1.saveFile];
            if (old1.savedAt >= last.first) {
                last = {old1.savedAt, old1.id};
                if (!run(u"INSERT OR REPLACE INTO saves(path, hash, node, at) VALUES(?, ?, ?, ?)"_s,
                         {old1.saveFile, old1.hash, savedNode, old1.savedAt}))
                    return false;
            }
        }
    }
    return runAll({u"DROP TABLE steps"_s, u"DROP TABLE initial_states"_s, u"DROP TABLE dice"_s});
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
    d->notice.clear();
    d->path = journalFile;
    const QFileInfo info(d->path);
    if (info.exists() && !info.isFile()) { // a folder or a pipe of that name
        d->fail(u"履歴ファイル %1 を開けないため、履歴は記録されません。"_s.arg(
            QDir::toNativeSeparators(d->path)));
        return false;
    }
    // A new journal is made here, with the permissions of a new file in its folder (the
    // player's alone in a folder only the player may enter): the log and the shared memory
    // beside it take the journal's.
    if (!info.exists() && !makeFileIfMissing(d->path)) {
        d->fail(u"履歴ファイル %1 を開けないため、履歴は記録されません。"_s.arg(
            QDir::toNativeSeparators(d->path)));
        return false;
    }
    d->owner = Private::ownerOfThisProgram();
    // The lock is taken before the database is opened, and dropped after it is closed: while
    // it is held, no other program takes itself to be alone with the journal. Without one (a
    // folder that allows no lock file) this program is never alone either.
    d->locks = std::make_unique<JournalLocks>(d->path);
    d->locks->hold(d->owner);
    const JournalLocks::Exclusive exclusive(*d->locks);
    if (!d->connect())
        return false;
    d->available = true;
    return true;
}

bool SqlJournalStore::Private::connect()
{
    const QString shown = QDir::toNativeSeparators(path);
    const QString cannotOpen =
        u"履歴ファイル %1 を開けないため、履歴は記録されません。"_s.arg(shown);
    static std::atomic<int> serial{0};
    connection = u"pelko-journal-%1"_s.arg(++serial);
    db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection);
    db.setDatabaseName(path);
    db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=%1"_s.arg(BusyTimeoutMs));
    if (!db.isValid() || !db.open()) {
        fail(cannotOpen);
        return false;
    }
    keepLogOnClose(db, true);
    // The version is read before anything is written, so that a newer journal stays as it is.
    bool damaged = false;
    const int version = userVersion(&damaged);
    if (version < 0) {
        fail(damaged ? u"履歴ファイル %1 は壊れているため、履歴は記録されません。"_s.arg(shown)
                     : cannotOpen);
        return false;
    }
    if (version > Journal::SchemaVersion) {
        prepared.clear();
        db.close();
        db.setConnectOptions(u"QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1"_s.arg(BusyTimeoutMs));
        db.open();
        keepLogOnClose(db, true);
        readOnly = true;
        fail(
            u"履歴ファイル %1 は新しい版の Pelko が書いたものなので、読むだけにして書き込みません。"_s
                .arg(shown));
        return false;
    }
    // Every commit is flushed to the disk, so that a power loss keeps each finished step; the
    // cost falls on the journal's thread, never on the window's.
    // The write-ahead log is folded back into the journal every 64 pages, and cut back to
    // 1 MB when it is reused: it stays small in play, and after a kill too.
    if (!useWal() || !run(u"PRAGMA synchronous = FULL"_s) ||
        !run(u"PRAGMA wal_autocheckpoint = 64"_s) ||
        !run(u"PRAGMA journal_size_limit = 1048576"_s)) {
        fail(cannotOpen);
        return false;
    }
    // Two programs may open the same journal at once: the version is read again inside the
    // write lock, so only one of them migrates.
    if (!run(u"BEGIN IMMEDIATE"_s)) {
        fail(cannotOpen);
        return false;
    }
    const int locked = userVersion();
    bool migrated = locked >= 0 && locked <= Journal::SchemaVersion;
    for (int v = locked + 1; migrated && v <= Journal::SchemaVersion; ++v)
        migrated = runAll(migrationTo(v)) && (v != 3 || migrateToTrees());
    if (migrated && locked != Journal::SchemaVersion)
        migrated = run(u"PRAGMA user_version = %1"_s.arg(Journal::SchemaVersion));
    if (!migrated || !run(u"COMMIT"_s)) {
        rollback();
        if (locked > Journal::SchemaVersion)
            readOnly = true;
        fail(cannotOpen);
        return false;
    }
    // A log a killed program left behind is folded in and emptied now, when nobody reads; a
    // program still running may be in the middle of reading it.
    if (!locks || !locks->othersRun())
        query(u"PRAGMA wal_checkpoint(TRUNCATE)"_s);
    files[0] = idOf(path);
    files[1] = idOf(path + u"-wal"_s);
    files[2] = idOf(path + u"-shm"_s);
    return true;
}

void SqlJournalStore::close()
{
    if (d->connection.isEmpty()) {
        d->locks.reset();
        return;
    }
    // The sheet is left to whoever takes it up, with those it replaced: none is owned now. The
    // machine they were played on stays named.
    if (d->available && d->session != 0)
        d->transaction([this] {
            return d->run(u"UPDATE sessions SET owner = ? WHERE id = ? OR owner = ?"_s,
                          {QSysInfo::machineHostName(), d->session, d->owner});
        });
    // The log is folded back and removed only by the last program that uses the journal.
    d->disconnect(d->locks && d->locks->holds() && !d->locks->othersRun());
    d->locks.reset();
    d->available = false;
    d->readOnly = false;
    d->session = 0;
    d->line.clear();
    d->undoIndex = 0;
}

void SqlJournalStore::Private::disconnect(bool alone)
{
    if (connection.isEmpty())
        return;
    if (alone && !filesMoved())
        keepLogOnClose(db, false);
    prepared.clear();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection);
    connection.clear();
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
    return d->status.isEmpty() ? d->notice : d->status;
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
