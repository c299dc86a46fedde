#include "JournalStore.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

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

QByteArray fingerprint(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

// A null text binds as NULL; the columns hold empty texts instead.
QString notNull(const QString &text)
{
    return text.isNull() ? u""_s : text;
}

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QString facesText(const QList<int> &faces)
{
    QStringList parts;
    for (int face : faces)
        parts.append(QString::number(face));
    return parts.join(u' ');
}

std::optional<QList<int>> parseFaces(const QString &text)
{
    QList<int> faces;
    const QStringList parts = text.split(u' ', Qt::SkipEmptyParts);
    if (parts.size() > 100)
        return std::nullopt;
    for (const QString &part : parts) {
        bool ok = false;
        const int face = part.toInt(&ok);
        if (!ok)
            return std::nullopt;
        faces.append(face);
    }
    return faces;
}

} // namespace

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

    QSqlQuery query(const QString &sql, const QVariantList &values = {}) const
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            return q;
        for (const QVariant &value : values)
            q.addBindValue(value);
        q.exec();
        return q;
    }
    // Writes keep their statements prepared: a keystroke's step runs the same few again and
    // again, and parsing them each time cost more than running them.
    bool run(const QString &sql, const QVariantList &values = {})
    {
        auto it = prepared.find(sql);
        if (it == prepared.end()) {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            if (!q.prepare(sql)) {
                lastError = q.lastError().text();
                return false;
            }
            it = prepared.insert(sql, q);
        }
        QSqlQuery &q = *it;
        for (qsizetype i = 0; i < values.size(); ++i)
            q.bindValue(int(i), values[i]);
        q.exec();
        changes = q.numRowsAffected();
        const QSqlError error = q.lastError();
        q.finish(); // no statement keeps a lock or a read open between two writes
        if (error.type() != QSqlError::NoError)
            lastError = error.text();
        return error.type() == QSqlError::NoError;
    }
    // Keeps lastError: the reason for the rollback is what a status text tells.
    void rollback() { query(u"ROLLBACK"_s); }
    bool runAll(const QStringList &statements)
    {
        for (const QString &sql : statements)
            if (!run(sql))
                return false;
        return true;
    }
    // The schema version, or -1 when it cannot be read; damaged tells whether that is because
    // the file is no database or a damaged one, rather than one that cannot be read now.
    int userVersion(bool *damaged = nullptr) const
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
    bool useWal()
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

    void fail(const QString &text)
    {
        available = false;
        if (status.isEmpty())
            status = text;
    }
    void failWriting()
    {
        QString text =
            u"履歴ファイル %1 に書き込めなくなったため、これからの履歴は記録されません。"_s.arg(
                QDir::toNativeSeparators(path));
        if (!lastError.isEmpty())
            text += u" (%1)"_s.arg(lastError);
        fail(text);
    }
    // Writes are refused once the journal is unavailable, and when its file has gone: a file
    // deleted while open would swallow every later step without a word.
    bool canWrite(bool needsSession = true)
    {
        if (!available || (needsSession && session == 0))
            return false;
        if (!QFileInfo(path).isFile()) {
            fail(u"履歴ファイル %1 がなくなったため、これからの履歴は記録されません。"_s.arg(
                QDir::toNativeSeparators(path)));
            return false;
        }
        return true;
    }
    // One transaction around work; on any failure everything is rolled back and the journal
    // turns unavailable.
    template <typename Work> bool transaction(Work work, bool needsSession = true)
    {
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
    bool touchSession()
    {
        if (!run(u"UPDATE sessions SET undo_index = ?, last_active = ?, saved = 0 WHERE id = ?"_s,
                 {undoIndex, now(), session}))
            return false;
        // Gone when another program pruned it after a day without a step: steps written now
        // would belong to nothing.
        if (changes != 1)
            lastError = u"no session %1"_s.arg(session);
        return changes == 1;
    }
};

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

void SqlJournalStore::beginBatch()
{
    if (d->inBatch || !d->canWrite(false))
        return;
    if (!d->run(u"BEGIN IMMEDIATE"_s)) {
        d->failWriting();
        return;
    }
    d->inBatch = true;
}

void SqlJournalStore::endBatch()
{
    if (!d->inBatch)
        return;
    d->inBatch = false;
    if (!d->run(u"COMMIT"_s)) {
        d->rollback();
        d->failWriting();
    }
}

bool SqlJournalStore::beginSession(const SheetState &initial)
{
    d->session = 0;
    d->undoIndex = d->stepCount = d->diceCount = 0;
    const qint64 t = now();
    qint64 session = 0;
    const bool done = d->transaction(
        [&] {
            QSqlQuery q =
                d->query(u"INSERT INTO sessions(started, last_active) VALUES(?, ?)"_s, {t, t});
            if (q.lastError().type() != QSqlError::NoError)
                return false;
            session = q.lastInsertId().toLongLong();
            return d->run(u"INSERT INTO initial_states(session, state) VALUES(?, ?)"_s,
                          {session, initial.encode()});
        },
        false);
    if (done)
        d->session = session;
    return done;
}

qint64 SqlJournalStore::currentSession() const
{
    return d->session;
}

bool SqlJournalStore::appendStep(const SheetStep &step)
{
    const int seq = d->undoIndex;
    const bool done = d->transaction([&] {
        if (d->stepCount > seq &&
            !d->run(u"DELETE FROM steps WHERE session = ? AND seq >= ?"_s, {d->session, seq}))
            return false;
        d->undoIndex = seq + 1;
        return d->run(u"INSERT INTO steps(session, seq, kind, field, time, delta)"
                      " VALUES(?, ?, ?, ?, ?, ?)"_s,
                      {d->session, seq, int(step.kind), notNull(step.field), step.timeMs,
                       step.delta.encode()}) &&
               d->touchSession();
    });
    d->undoIndex = done ? seq + 1 : seq;
    if (done)
        d->stepCount = seq + 1;
    return done;
}

bool SqlJournalStore::amendLastStep(const SheetStep &step)
{
    if (d->undoIndex == 0)
        return false;
    return d->transaction([&] {
        return d->run(u"UPDATE steps SET kind = ?, field = ?, time = ?, delta = ?"
                      " WHERE session = ? AND seq = ?"_s,
                      {int(step.kind), notNull(step.field), step.timeMs, step.delta.encode(),
                       d->session, d->undoIndex - 1}) &&
               d->touchSession();
    });
}

bool SqlJournalStore::setUndoIndex(int index)
{
    const int before = d->undoIndex;
    d->undoIndex = std::clamp(index, 0, d->stepCount);
    const bool done = d->transaction([&] { return d->touchSession(); });
    if (!done)
        d->undoIndex = before;
    return done;
}

bool SqlJournalStore::appendDice(const QList<int> &faces, int total, qint64 timeMs)
{
    const bool done = d->transaction([&] {
        return d->run(u"INSERT INTO dice(session, seq, at_step, time, faces, total)"
                      " VALUES(?, ?, ?, ?, ?, ?)"_s,
                      {d->session, d->diceCount, d->undoIndex, timeMs, facesText(faces), total});
    });
    if (done)
        ++d->diceCount;
    return done;
}

bool SqlJournalStore::noteSaved(const QString &path, const QByteArray &bytes)
{
    return d->transaction([&] {
        return d->run(u"UPDATE sessions SET save_file = ?, save_hash = ?, saved_at = ?,"
                      " saved_steps = undo_index, saved = 1 WHERE id = ?"_s,
                      {notNull(path), fingerprint(bytes), now(), d->session});
    });
}

std::optional<qint64> SqlJournalStore::sessionForSaveFile(const QString &path,
                                                          const QByteArray &bytes) const
{
    // Only the session that wrote the file last may continue it, and only while the file holds
    // what it wrote.
    QSqlQuery q = d->query(u"SELECT id, save_hash FROM sessions WHERE save_file = ?"
                           " ORDER BY saved_at DESC, id DESC LIMIT 1"_s,
                           {path});
    if (path.isEmpty() || !q.next() || q.value(1).toByteArray() != fingerprint(bytes))
        return std::nullopt;
    return q.value(0).toLongLong();
}

std::optional<qint64> SqlJournalStore::lastUnfinishedSession() const
{
    QSqlQuery q = d->query(u"SELECT id, saved FROM sessions WHERE id <> ? AND continued = 0"
                           " AND EXISTS (SELECT 1 FROM steps WHERE steps.session = sessions.id)"
                           " ORDER BY last_active DESC, id DESC LIMIT 1"_s,
                           {d->session});
    if (!q.next() || q.value(1).toInt() != 0)
        return std::nullopt;
    return q.value(0).toLongLong();
}

QList<Journal::SessionInfo> SqlJournalStore::sessions() const
{
    QList<Journal::SessionInfo> list;
    QSqlQuery q = d->query(u"SELECT id, started, last_active, save_file, undo_index, saved,"
                           " (SELECT count(*) FROM steps WHERE steps.session = sessions.id)"
                           " FROM sessions ORDER BY id"_s);
    while (q.next())
        list.append({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong(),
                     q.value(3).toString(), q.value(6).toInt(), q.value(4).toInt(),
                     q.value(5).toInt() != 0});
    return list;
}

bool SqlJournalStore::prune(qint64 nowMs)
{
    // The save files are looked at before the write lock is taken: a slow disk holds up no
    // other program. A session that came back to life since is kept by the checks inside.
    QList<Journal::StoredSession> stored;
    QSqlQuery q = d->query(u"SELECT id, last_active, save_file, coalesce(saved_at, -1), continued,"
                           " EXISTS (SELECT 1 FROM steps WHERE steps.session = sessions.id)"
                           " FROM sessions"_s);
    while (q.next())
        stored.append({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString(),
                       q.value(3).toLongLong(), q.value(5).toInt() != 0, q.value(4).toInt() != 0});
    q.finish();
    const QList<qint64> drop = Journal::sessionsToDrop(
        stored, d->session, nowMs, [](const QString &path) { return QFileInfo(path).isFile(); });
    const qint64 idleSince = nowMs - Journal::ActiveWithinMs;
    return d->transaction(
        [&] {
            for (qint64 id : drop)
                if (!d->run(u"DELETE FROM sessions WHERE id = ? AND last_active < ?"_s,
                            {id, idleSince}))
                    return false;
            // What belongs to no session: the sessions just dropped, and rows an interrupted
            // program left behind.
            return d->run(u"DELETE FROM steps WHERE session NOT IN (SELECT id FROM sessions)"_s) &&
                   d->run(u"DELETE FROM dice WHERE session NOT IN (SELECT id FROM sessions)"_s) &&
                   d->run(u"DELETE FROM initial_states"
                          " WHERE session NOT IN (SELECT id FROM sessions)"_s);
        },
        false);
}

std::optional<Journal::SessionData> SqlJournalStore::loadSession(qint64 id) const
{
    QSqlQuery q = d->query(u"SELECT started, last_active, save_file, undo_index, saved, state"
                           " FROM sessions JOIN initial_states ON session = id WHERE id = ?"_s,
                           {id});
    if (!q.next())
        return std::nullopt;
    std::optional<SheetState> initial = SheetState::decode(q.value(5).toByteArray());
    if (!initial)
        return std::nullopt;
    Journal::SessionData data;
    data.initial = *initial;
    data.info = {id, q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString(),
                 0,  q.value(3).toInt(),      q.value(4).toInt() != 0};
    q.finish();
    QSqlQuery steps = d->query(
        u"SELECT seq, kind, field, time, delta FROM steps WHERE session = ? ORDER BY seq"_s, {id});
    // The history ends at the first step that cannot be read back: what follows it could not
    // be applied to the right sheet.
    while (steps.next()) {
        const int kind = steps.value(1).toInt();
        std::optional<SheetDelta> delta = SheetDelta::decode(steps.value(4).toByteArray());
        if (steps.value(0).toLongLong() != data.steps.size() || !SheetStep::isKnownKind(kind) ||
            !delta)
            break;
        data.steps.append({SheetStep::Kind(kind), steps.value(2).toString(),
                           steps.value(3).toLongLong(), *delta});
    }
    steps.finish();
    data.info.stepCount = int(data.steps.size());
    data.info.undoIndex = std::clamp(data.info.undoIndex, 0, data.info.stepCount);
    data.undoIndex = data.info.undoIndex;
    QSqlQuery dice = d->query(
        u"SELECT at_step, time, faces, total FROM dice WHERE session = ? ORDER BY seq"_s, {id});
    while (dice.next()) {
        std::optional<QList<int>> faces = parseFaces(dice.value(2).toString());
        if (faces)
            data.dice.append({dice.value(1).toLongLong(), *faces, dice.value(3).toInt(),
                              std::clamp(dice.value(0).toInt(), 0, data.info.stepCount)});
    }
    return data;
}

std::optional<Journal::SessionData> SqlJournalStore::continueSession(qint64 id, int stepLimit)
{
    std::optional<Journal::SessionData> old = loadSession(id);
    if (!old || !d->canWrite(false))
        return std::nullopt;
    Journal::SessionData data = *old;
    // Only a whole copy takes the old session's place; a part of it (up to a save) leaves the
    // rest, perhaps unsaved work, to be offered again.
    const bool whole = stepLimit < 0 || stepLimit >= data.steps.size();
    if (!whole) {
        data.steps.resize(stepLimit);
        data.dice.removeIf([stepLimit](const DiceEvent &e) { return e.atStep > stepLimit; });
        data.undoIndex = stepLimit;
    }
    data.info.stepCount = int(data.steps.size());
    data.info.undoIndex = data.undoIndex;
    const qint64 t = now();
    qint64 session = 0;
    // One transaction: the copy is whole or absent.
    const bool done = d->transaction(
        [&] {
            QSqlQuery insert = d->query(
                u"INSERT INTO sessions(started, last_active, undo_index, save_file, save_hash,"
                " saved_at, saved_steps, saved)"
                " SELECT started, ?, ?, save_file, save_hash, saved_at, saved_steps, 0"
                " FROM sessions WHERE id = ?"_s,
                {t, data.undoIndex, id});
            if (insert.lastError().type() != QSqlError::NoError)
                return false;
            session = insert.lastInsertId().toLongLong();
            return d->run(u"INSERT INTO initial_states(session, state)"
                          " SELECT ?, state FROM initial_states WHERE session = ?"_s,
                          {session, id}) &&
                   d->run(u"INSERT INTO steps(session, seq, kind, field, time, delta)"
                          " SELECT ?, seq, kind, field, time, delta FROM steps"
                          " WHERE session = ? AND seq < ?"_s,
                          {session, id, data.info.stepCount}) &&
                   d->run(u"INSERT INTO dice(session, seq, at_step, time, faces, total)"
                          " SELECT ?, seq, at_step, time, faces, total FROM dice"
                          " WHERE session = ? AND at_step <= ?"_s,
                          {session, id, data.info.stepCount}) &&
                   (!whole || d->run(u"UPDATE sessions SET continued = 1 WHERE id = ?"_s, {id}));
        },
        false);
    if (!done)
        return std::nullopt;
    d->session = session;
    d->undoIndex = data.undoIndex;
    d->stepCount = data.info.stepCount;
    QSqlQuery count =
        d->query(u"SELECT coalesce(max(seq) + 1, 0) FROM dice WHERE session = ?"_s, {session});
    d->diceCount = count.next() ? count.value(0).toInt() : 0;
    data.info.id = session;
    data.info.lastActiveMs = t;
    data.info.saved = false;
    return data;
}

int SqlJournalStore::savedStepCount(qint64 id) const
{
    QSqlQuery q = d->query(u"SELECT saved_steps FROM sessions WHERE id = ?"_s, {id});
    return q.next() ? q.value(0).toInt() : -1;
}

extern "C" Q_DECL_EXPORT JournalStore *pelkoCreateJournalStore()
{
    return new SqlJournalStore;
}

static_assert(std::is_same_v<decltype(&pelkoCreateJournalStore), JournalStoreFactory>);
