#include "SqlJournalStore.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
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

// A sheet taken up is the sheet at its origin: its difference from the sheet before, as big
// as the sheet itself, is not stored but made again when needed.
QByteArray stepBytes(const SheetStep &step)
{
    if (step.kind == SheetStep::Kind::Resume && step.origin != 0)
        return QByteArray("");
    return step.delta.encode();
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

// Writes are refused once the journal is unavailable. A journal deleted while open is made
// again as a write begins (beginWrite).
bool SqlJournalStore::Private::canWrite(bool needsSession)
{
    return available && (!needsSession || session != 0);
}

bool SqlJournalStore::Private::touchSession(const Journal::SheetNote &note, bool amended)
{
    // The summary the recovery list shows comes from the sheet the window told last.
    if (!run(u"UPDATE sessions SET head = ?, tip = ?, last_active = ?,"
             " saved = (saved_node = ?), name = CASE WHEN ? THEN ? ELSE name END,"
             " paragraph = CASE WHEN ? THEN ? ELSE paragraph END,"
             " settings_file = CASE WHEN ? THEN ? ELSE settings_file END WHERE id = ?"_s,
             {head(), line.constLast(), now(), head(), note.known, notNull(note.name), note.known,
              note.paragraph, note.known, notNull(note.settingsFile), session}))
        return false;
    // Gone when another program pruned it after a day without a step: steps written now
    // would belong to nothing.
    if (changes != 1) {
        lastError = u"no session %1"_s.arg(session);
        return false;
    }
    if (note.whole)
        return run(u"INSERT OR REPLACE INTO snapshots(session, node, state) VALUES(?, ?, ?)"_s,
                   {session, head(), note.whole->encode()});
    // Keystrokes folded into the step the whole sheet was written down for: a sheet taken up
    // from it would miss them, so it is replayed from further back instead.
    return !amended ||
           run(u"DELETE FROM snapshots WHERE session = ? AND node = ?"_s, {session, head()});
}

namespace {

// The steps after which the sheet before is another sheet, not the same one changed.
bool replacesSheet(int kind)
{
    return kind == int(SheetStep::Kind::New) || kind == int(SheetStep::Kind::Open) ||
           kind == int(SheetStep::Kind::Resume);
}

} // namespace

bool SqlJournalStore::Private::leaveSheet(qint64 node)
{
    // Not for the start (nothing was done to it), nor for a sheet saved as it stands, nor
    // twice for one sheet.
    if (!run(
            u"INSERT INTO sessions(started, last_active, root, head, tip, owner, name,"
            " paragraph, settings_file, save_file)"
            " SELECT started, ?, root, ?, ?, owner, name, paragraph, settings_file, save_file"
            " FROM sessions WHERE id = ? AND root <> ? AND saved_node <> ? AND NOT EXISTS("
            "  SELECT 1 FROM sessions WHERE owner = ? AND id <> ? AND head = ? AND continued = 0)"_s,
            {now(), node, node, session, node, node, owner, session, node}))
        return false;
    if (changes != 1)
        return true;
    // The whole sheet written down for it goes with it: taking it up replays nothing.
    return run(u"INSERT INTO snapshots(session, node, state) SELECT last_insert_rowid(), node,"
               " state FROM snapshots WHERE session = ? AND node = ?"_s,
               {session, node});
}

bool SqlJournalStore::Private::followLeftSheets(int from, int to)
{
    // Undone: the sheets the steps taken back had left are this session's own again.
    for (int i = to; i < from; ++i)
        if (!run(
                u"DELETE FROM sessions WHERE owner = ? AND id <> ? AND head = ? AND continued = 0"_s,
                {owner, session, line[i]}))
            return false;
    // Redone: an Open, a New or a sheet taken up leaves the sheet before it once more.
    for (int i = from + 1; i <= to; ++i) {
        QSqlQuery q = query(u"SELECT kind FROM nodes WHERE id = ?"_s, {line[i]});
        const bool replaces = q.next() && replacesSheet(q.value(0).toInt());
        q.finish();
        if (replaces && !leaveSheet(line[i - 1]))
            return false;
    }
    return true;
}

QByteArray SqlJournalStore::Private::fingerprint(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

void SqlJournalStore::beginBatch()
{
    if (d->inBatch || !d->canWrite(false))
        return;
    if (!d->beginWrite()) {
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
    // The sheet played so far is left to whoever takes it up, with those it replaced.
    if (d->session != 0 && d->available)
        d->transaction([this] {
            return d->run(u"UPDATE sessions SET owner = '' WHERE id = ? OR owner = ?"_s,
                          {d->session, d->owner});
        });
    d->session = 0;
    d->line.clear();
    d->undoIndex = 0;
    const qint64 t = now();
    qint64 session = 0;
    qint64 root = 0;
    const bool done = d->transaction(
        [&] {
            QSqlQuery start = d->query(u"INSERT INTO nodes(parent, root, kind, field, time, delta)"
                                       " VALUES(0, 0, 0, '', ?, x'')"_s,
                                       {t});
            if (start.lastError().type() != QSqlError::NoError)
                return false;
            root = start.lastInsertId().toLongLong();
            const QString name = initial.record.name();
            QSqlQuery q = d->query(
                u"INSERT INTO sessions(started, last_active, root, head, tip, owner, name,"
                " paragraph, settings_file) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
                {t, t, root, root, root, d->owner, notNull(name),
                 int(initial.record.routeList().constLast()), notNull(initial.settingsFile)});
            if (q.lastError().type() != QSqlError::NoError)
                return false;
            session = q.lastInsertId().toLongLong();
            return d->run(u"UPDATE nodes SET root = id WHERE id = ?"_s, {root}) &&
                   d->run(u"INSERT INTO starts(node, started, state) VALUES(?, ?, ?)"_s,
                          {root, t, initial.encode()});
        },
        false);
    if (done) {
        d->session = session;
        d->line = {root};
    }
    return done;
}

bool SqlJournalStore::Private::addStep(const SheetStep &step, const Journal::SheetNote &note)
{
    const int at = undoIndex;
    QSqlQuery q = query(u"INSERT INTO nodes(parent, root, kind, field, time, delta, origin)"
                        " VALUES(?, ?, ?, ?, ?, ?, ?)"_s,
                        {line[at], line[0], int(step.kind), notNull(step.field), step.timeMs,
                         stepBytes(step), step.origin});
    if (q.lastError().type() != QSqlError::NoError)
        return false;
    const qint64 id = q.lastInsertId().toLongLong();
    q.finish();
    if (replacesSheet(int(step.kind)) && !leaveSheet(line[at]))
        return false;
    // The steps undone stay in the tree; only this session's redo tail is now the new step.
    line.resize(at + 1);
    line.append(id);
    undoIndex = at + 1;
    return touchSession(note);
}

bool SqlJournalStore::appendStep(const SheetStep &step, const Journal::SheetNote &note)
{
    const int at = d->undoIndex;
    const QList<qint64> before = d->line;
    const bool done = d->transaction([&] { return d->addStep(step, note); });
    if (!done) {
        d->line = before;
        d->undoIndex = at;
    }
    return done;
}

bool SqlJournalStore::amendLastStep(const SheetStep &step, const Journal::SheetNote &note)
{
    if (d->undoIndex == 0)
        return false;
    return d->transaction([&] {
        return d->run(u"UPDATE nodes SET kind = ?, field = ?, time = ?, delta = ?, origin = ?"
                      " WHERE id = ?"_s,
                      {int(step.kind), notNull(step.field), step.timeMs, step.delta.encode(),
                       step.origin, d->head()}) &&
               d->touchSession(note, true);
    });
}

bool SqlJournalStore::setUndoIndex(int index, const Journal::SheetNote &note)
{
    const int before = d->undoIndex;
    if (d->line.isEmpty())
        return false;
    d->undoIndex = std::clamp(index, 0, int(d->line.size()) - 1);
    const bool done = d->transaction([&] {
        // The sheets left are told as the session's row tells the sheet before the move.
        return d->followLeftSheets(before, d->undoIndex) && d->touchSession(note);
    });
    if (!done)
        d->undoIndex = before;
    return done;
}

bool SqlJournalStore::setOrigin(qint64 step)
{
    return d->transaction([&] {
        return d->run(u"UPDATE nodes SET origin = ? WHERE id = ?"_s, {step, d->head()});
    });
}

bool SqlJournalStore::appendDice(const QList<int> &faces, int total, qint64 timeMs, bool entered)
{
    // A roll belongs to the step in effect: undone, it leaves the story with that step.
    return d->transaction([&] {
        return d->run(u"INSERT INTO rolls(node, root, time, faces, total, entered)"
                      " VALUES(?, ?, ?, ?, ?, ?)"_s,
                      {d->head(), d->line[0], timeMs, facesText(faces), total, int(entered)});
    });
}

bool SqlJournalStore::noteSaved(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty())
        return false;
    return d->transaction([&] {
        const qint64 t = now();
        return d->run(u"UPDATE sessions SET save_file = ?, saved_at = ?, saved_node = head,"
                      " saved = 1 WHERE id = ?"_s,
                      {path, t, d->session}) &&
               d->run(u"INSERT OR REPLACE INTO saves(path, hash, node, at) VALUES(?, ?, ?, ?)"_s,
                      {path, Private::fingerprint(bytes), d->head(), t});
    });
}

std::optional<Journal::TakenSheet> SqlJournalStore::takeSheet(qint64 session, qint64 timeMs)
{
    if (!d->canWrite() || session == d->session)
        return std::nullopt;
    QSqlQuery q =
        d->query(u"SELECT head, owner FROM sessions WHERE id = ? AND continued = 0"_s, {session});
    if (!q.next() || d->ownerRuns(q.value(1).toString()))
        return std::nullopt;
    const qint64 head = q.value(0).toLongLong();
    q.finish();
    std::optional<SheetState> state = d->stateAt(head, session);
    if (!state)
        return std::nullopt;
    // The mark and the taker's step share one transaction: a kill between the two would leave
    // the sheet offered to nobody and held by nobody. Marked only if nobody took it in between:
    // the write lock is held from the check on.
    // The sheet itself is not copied: it is the sheet at the step taken.
    const Journal::SheetNote note{true, state->record.name(),
                                  int(state->record.routeList().constLast()), state->settingsFile,
                                  std::nullopt};
    const SheetStep step{SheetStep::Kind::Resume, QString(), timeMs, SheetDelta(), head};
    const int at = d->undoIndex;
    const QList<qint64> before = d->line;
    bool mine = false;
    const bool done = d->transaction([&] {
        if (!d->run(u"UPDATE sessions SET continued = 1, owner = '' WHERE id = ?"
                    " AND continued = 0 AND head = ?"_s,
                    {session, head}))
            return false;
        mine = d->changes == 1;
        return !mine || d->addStep(step, note);
    });
    if (!done || !mine) {
        d->line = before;
        d->undoIndex = at;
        return std::nullopt;
    }
    return Journal::TakenSheet{*state, head, timeMs};
}

bool SqlJournalStore::discardSheet(qint64 session)
{
    if (!d->canWrite(false) || session == d->session)
        return false;
    QSqlQuery q = d->query(u"SELECT owner FROM sessions WHERE id = ?"_s, {session});
    if (!q.next() || d->ownerRuns(q.value(0).toString()))
        return false;
    q.finish();
    bool gone = false;
    const bool done = d->transaction(
        [&] {
            if (!d->run(u"UPDATE sessions SET continued = 1, owner = '' WHERE id = ?"
                        " AND continued = 0"_s,
                        {session}))
                return false;
            gone = d->changes == 1;
            return true;
        },
        false);
    return done && gone;
}
