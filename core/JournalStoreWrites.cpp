#include "SqlJournalStore.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>

using namespace Qt::StringLiterals;

namespace {

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

} // namespace

// Writes keep their statements prepared: a keystroke's step runs the same few again and
// again, and parsing them each time cost more than running them.
bool SqlJournalStore::Private::run(const QString &sql, const QVariantList &values)
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
void SqlJournalStore::Private::rollback()
{
    query(u"ROLLBACK"_s);
}

bool SqlJournalStore::Private::runAll(const QStringList &statements)
{
    for (const QString &sql : statements)
        if (!run(sql))
            return false;
    return true;
}

void SqlJournalStore::Private::failWriting()
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
bool SqlJournalStore::Private::canWrite(bool needsSession)
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

bool SqlJournalStore::Private::touchSession()
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

QByteArray SqlJournalStore::Private::fingerprint(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
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
                      {notNull(path), Private::fingerprint(bytes), now(), d->session});
    });
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
