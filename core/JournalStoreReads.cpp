#include "SqlJournalStore.h"

#include <QFileInfo>
#include <QSqlError>

using namespace Qt::StringLiterals;

namespace {

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

QSqlQuery SqlJournalStore::Private::query(const QString &sql, const QVariantList &values) const
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

std::optional<qint64> SqlJournalStore::sessionForSaveFile(const QString &path,
                                                          const QByteArray &bytes) const
{
    // Only the session that wrote the file last may continue it, and only while the file holds
    // what it wrote.
    QSqlQuery q = d->query(u"SELECT id, save_hash FROM sessions WHERE save_file = ?"
                           " ORDER BY saved_at DESC, id DESC LIMIT 1"_s,
                           {path});
    if (path.isEmpty() || !q.next() || q.value(1).toByteArray() != Private::fingerprint(bytes))
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

int SqlJournalStore::savedStepCount(qint64 id) const
{
    QSqlQuery q = d->query(u"SELECT saved_steps FROM sessions WHERE id = ?"_s, {id});
    return q.next() ? q.value(0).toInt() : -1;
}
