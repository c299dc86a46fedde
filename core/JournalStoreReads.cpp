#include "SqlJournalStore.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlError>

#include <algorithm>

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

std::optional<qint64> SqlJournalStore::stepForSaveFile(const QString &path,
                                                       const QByteArray &bytes) const
{
    // Only while the file holds what was written (or read) last.
    QSqlQuery q = d->query(u"SELECT node, hash FROM saves WHERE path = ?"_s, {path});
    if (path.isEmpty() || !q.next() || q.value(1).toByteArray() != Private::fingerprint(bytes))
        return std::nullopt;
    return q.value(0).toLongLong();
}

qint64 SqlJournalStore::currentStep() const
{
    return d->head();
}

QList<SqlJournalStore::Private::Node> SqlJournalStore::Private::walkBack(qint64 step, qint64 stop,
                                                                         bool toTheStart) const
{
    QList<Node> nodes;
    QSqlQuery q = query(
        u"WITH RECURSIVE up(id, parent, origin, n) AS ("
        " SELECT id, parent, origin, 0 FROM nodes WHERE id = ?"
        " UNION ALL SELECT nodes.id, nodes.parent, nodes.origin, up.n + 1"
        " FROM nodes JOIN up ON nodes.id = up.parent"
        " WHERE up.id <> ? AND (? OR up.origin = 0))"
        " SELECT up.id, up.parent, nodes.root, up.origin, nodes.kind, nodes.field, nodes.time,"
        " nodes.delta FROM up JOIN nodes ON nodes.id = up.id ORDER BY up.n"_s,
        {step, stop, toTheStart ? 1 : 0});
    while (q.next()) {
        Node node;
        node.id = q.value(0).toLongLong();
        node.parent = q.value(1).toLongLong();
        node.root = q.value(2).toLongLong();
        node.origin = q.value(3).toLongLong();
        if (node.parent != 0) {
            const int kind = q.value(4).toInt();
            const QByteArray bytes = q.value(7).toByteArray();
            // A sheet taken up keeps no difference of its own: it is the sheet at its origin.
            node.taken =
                kind == int(SheetStep::Kind::Resume) && node.origin != 0 && bytes.isEmpty();
            std::optional<SheetDelta> delta =
                node.taken ? std::optional(SheetDelta()) : SheetDelta::decode(bytes);
            node.readable = SheetStep::isKnownKind(kind) && delta.has_value();
            if (node.readable)
                node.step = {SheetStep::Kind(kind), q.value(5).toString(), q.value(6).toLongLong(),
                             *delta, node.origin};
        }
        nodes.append(node);
    }
    return nodes;
}

std::optional<SheetState> SqlJournalStore::Private::rootState(qint64 root, qint64 *startedMs) const
{
    QSqlQuery q = query(u"SELECT state, started FROM starts WHERE node = ?"_s, {root});
    if (!q.next())
        return std::nullopt;
    if (startedMs)
        *startedMs = q.value(1).toLongLong();
    return SheetState::decode(q.value(0).toByteArray());
}

// The sheet at step: from the session's last written state when step follows it, else from
// the start, with the steps between replayed.
std::optional<SheetState> SqlJournalStore::Private::stateAt(qint64 step, qint64 ofSession) const
{
    qint64 stop = 0;
    std::optional<SheetState> base;
    QSqlQuery q = query(u"SELECT node, state FROM snapshots WHERE session = ?"_s, {ofSession});
    if (q.next()) {
        stop = q.value(0).toLongLong();
        base = SheetState::decode(q.value(1).toByteArray());
        if (!base)
            stop = 0;
    }
    q.finish();
    const QList<Node> nodes = walkBack(step, stop, true);
    if (nodes.isEmpty())
        return std::nullopt;
    qsizetype first = nodes.size() - 1;
    if (stop == 0 || nodes.constLast().id != stop) {
        if (nodes.constLast().parent != 0)
            return std::nullopt; // a step whose parent is gone
        base = rootState(nodes.constLast().root);
        if (!base)
            return std::nullopt;
    }
    // The start or the written state is where the replay begins: its own step is in it. A
    // sheet taken up on the way is the sheet at its origin.
    for (qsizetype i = first - 1; i >= 0; --i) {
        if (!nodes[i].readable)
            return std::nullopt;
        if (nodes[i].taken) {
            if (nodes[i].origin >= nodes[i].id)
                return std::nullopt;
            base = stateAtStep(nodes[i].origin);
            if (!base)
                return std::nullopt;
            continue;
        }
        base = nodes[i].step.delta.applyTo(std::move(*base), SheetDelta::Direction::Forward);
    }
    return base;
}

std::optional<SheetState> SqlJournalStore::Private::stateAtStep(qint64 step) const
{
    // The state a session wrote down helps when the step is where that session stands.
    QSqlQuery q = query(u"SELECT id FROM sessions WHERE head = ? LIMIT 1"_s, {step});
    const qint64 standing = q.next() ? q.value(0).toLongLong() : 0;
    q.finish();
    return stateAt(step, standing);
}

// The rolls made on steps, each told with the count of steps in effect there: the index of its
// step in steps, plus base. Rolls on other steps (undone ones among them) are left out.
QList<DiceEvent> SqlJournalStore::Private::diceOn(const QList<Node> &steps, int base) const
{
    QHash<qint64, int> inEffect;
    QSet<qint64> trees;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        inEffect.insert(steps[i].id, base + int(i));
        trees.insert(steps[i].root);
    }
    QList<DiceEvent> dice;
    for (qint64 tree : std::as_const(trees)) {
        QSqlQuery q = query(
            u"SELECT node, time, faces, total, entered FROM rolls WHERE root = ? ORDER BY id"_s,
            {tree});
        while (q.next()) {
            const auto at = inEffect.constFind(q.value(0).toLongLong());
            if (at == inEffect.cend())
                continue;
            if (std::optional<QList<int>> faces = parseFaces(q.value(2).toString()))
                dice.append({q.value(1).toLongLong(), *faces, q.value(3).toInt(), *at,
                             q.value(4).toBool()});
        }
    }
    std::stable_sort(dice.begin(), dice.end(),
                     [](const DiceEvent &a, const DiceEvent &b) { return a.atStep < b.atStep; });
    return dice;
}

std::optional<Journal::History> SqlJournalStore::historyTo(qint64 step) const
{
    QList<Private::Node> nodes = d->walkBack(step);
    if (nodes.isEmpty())
        return std::nullopt;
    std::reverse(nodes.begin(), nodes.end());
    const Private::Node &top = nodes.constFirst();
    Journal::History history;
    // An origin always lies before the step that continues it: the recursion ends.
    if (top.origin != 0 && top.origin < top.id) {
        std::optional<Journal::History> earlier = historyTo(top.origin);
        if (!earlier)
            return std::nullopt;
        history = std::move(*earlier);
    } else if (top.parent == 0) {
        std::optional<SheetState> initial = d->rootState(top.root, &history.startedMs);
        if (!initial)
            return std::nullopt;
        history.initial = std::move(*initial);
    } else {
        return std::nullopt; // a step whose parent is gone
    }
    // A start that continues a file's history adds no step of its own.
    if (top.parent == 0)
        nodes.removeFirst();
    const int base = int(history.steps.size());
    QList<Private::Node> withStart = nodes;
    if (top.parent == 0)
        withStart.prepend(top); // the rolls made on the start belong to it
    for (const Private::Node &node : std::as_const(nodes)) {
        if (!node.readable)
            break; // what follows could not be applied to the right sheet
        history.steps.append(node.step);
    }
    for (DiceEvent &event : d->diceOn(withStart, top.parent == 0 ? base : base + 1)) {
        if (event.atStep <= history.steps.size())
            history.dice.append(event);
    }
    return history;
}

QList<Journal::UnsavedSheet> SqlJournalStore::unsavedSheets() const
{
    QList<Journal::UnsavedSheet> list;
    QSqlQuery q = d->query(
        u"SELECT id, last_active, name, paragraph, settings_file, save_file, owner FROM sessions"
        " WHERE id <> ? AND continued = 0 AND saved = 0 AND head <> root"
        " ORDER BY last_active DESC, id DESC"_s,
        {d->session});
    while (q.next()) {
        const QString owner = q.value(6).toString();
        if (d->ownerRuns(owner))
            continue; // still open in a running program
        list.append({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString(),
                     q.value(3).toInt(), q.value(4).toString(), q.value(5).toString(),
                     Private::otherMachine(owner)});
    }
    return list;
}

QList<Journal::SessionInfo> SqlJournalStore::sessions() const
{
    QList<Journal::SessionInfo> list;
    QSqlQuery q = d->query(u"SELECT id, started, last_active, save_file, saved"
                           " FROM sessions ORDER BY id"_s);
    while (q.next())
        list.append({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong(),
                     q.value(3).toString(), 0, 0, q.value(4).toInt() != 0});
    return list;
}

bool SqlJournalStore::prune(qint64 nowMs)
{
    // The save files are looked at before the write lock is taken: a slow disk holds up no
    // other program. A session that came back to life since is kept by the checks inside.
    QList<Journal::StoredSession> stored;
    QSqlQuery q = d->query(u"SELECT id, last_active, save_file, coalesce(saved_at, -1),"
                           " head <> root, continued, saved FROM sessions"_s);
    while (q.next())
        stored.append({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString(),
                       q.value(3).toLongLong(), q.value(4).toInt() != 0, q.value(5).toInt() != 0,
                       q.value(6).toInt() != 0});
    q.finish();
    QStringList goneFiles;
    QSqlQuery saves = d->query(u"SELECT path FROM saves"_s);
    while (saves.next())
        if (!QFileInfo(saves.value(0).toString()).isFile())
            goneFiles.append(saves.value(0).toString());
    saves.finish();
    const QList<qint64> drop = Journal::sessionsToDrop(
        stored, d->session, nowMs, [](const QString &path) { return QFileInfo(path).isFile(); });
    const qint64 idleSince = nowMs - Journal::ActiveWithinMs;
    return d->transaction(
        [&] {
            for (qint64 id : drop)
                if (!d->run(u"DELETE FROM sessions WHERE id = ? AND last_active < ?"_s,
                            {id, idleSince}))
                    return false;
            for (const QString &path : std::as_const(goneFiles))
                if (!d->run(u"DELETE FROM saves WHERE path = ?"_s, {path}))
                    return false;
            // The trees something still leads to: a session, a save file, the origin of a
            // step in a tree kept.
            if (!d->run(
                    u"CREATE TEMP TABLE IF NOT EXISTS kept_trees(root INTEGER PRIMARY KEY)"_s) ||
                !d->run(u"DELETE FROM kept_trees"_s) ||
                !d->run(u"INSERT OR IGNORE INTO kept_trees SELECT root FROM sessions"_s) ||
                !d->run(u"INSERT OR IGNORE INTO kept_trees"
                        " SELECT nodes.root FROM saves JOIN nodes ON nodes.id = saves.node"_s))
                return false;
            do {
                if (!d->run(u"INSERT OR IGNORE INTO kept_trees SELECT DISTINCT o.root"
                            " FROM nodes n JOIN nodes o ON o.id = n.origin"
                            " WHERE n.origin <> 0 AND n.root IN (SELECT root FROM kept_trees)"
                            " AND o.root NOT IN (SELECT root FROM kept_trees)"_s))
                    return false;
            } while (d->changes > 0);
            const QString unkept = u" WHERE root NOT IN (SELECT root FROM kept_trees)"_s;
            return d->run(u"DELETE FROM nodes"_s + unkept) &&
                   d->run(u"DELETE FROM rolls"_s + unkept) &&
                   d->run(
                       u"DELETE FROM starts WHERE node NOT IN (SELECT root FROM kept_trees)"_s) &&
                   d->run(u"DELETE FROM snapshots"
                          " WHERE session NOT IN (SELECT id FROM sessions)"_s);
        },
        false);
}

std::optional<Journal::SessionData> SqlJournalStore::loadSession(qint64 id) const
{
    QSqlQuery q = d->query(u"SELECT started, last_active, save_file, saved, root, head, tip"
                           " FROM sessions WHERE id = ?"_s,
                           {id});
    if (!q.next())
        return std::nullopt;
    Journal::SessionData data;
    data.info = {id, q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString(), 0,
                 0,  q.value(3).toInt() != 0};
    const qint64 root = q.value(4).toLongLong();
    const qint64 head = q.value(5).toLongLong();
    const qint64 tip = q.value(6).toLongLong();
    q.finish();
    std::optional<SheetState> initial = d->rootState(root);
    if (!initial)
        return std::nullopt;
    data.initial = *initial;
    QList<Private::Node> nodes = d->walkBack(tip, 0, true);
    std::reverse(nodes.begin(), nodes.end());
    if (nodes.isEmpty() || nodes.constFirst().id != root)
        return std::nullopt;
    data.initialOrigin = nodes.constFirst().origin;
    // The history ends at the first step that cannot be read back: what follows it could not
    // be applied to the right sheet.
    qsizetype readable = 1;
    while (readable < nodes.size() && nodes[readable].readable)
        ++readable;
    nodes.resize(readable);
    SheetState state = data.initial;
    for (qsizetype i = 1; i < nodes.size(); ++i) {
        SheetStep step = nodes[i].step;
        // A sheet taken up: the difference from the sheet before to the one taken.
        if (nodes[i].taken) {
            const std::optional<SheetState> taken = d->stateAtStep(nodes[i].origin);
            if (!taken || nodes[i].origin >= nodes[i].id)
                break;
            step.delta = SheetDelta::between(state, *taken);
            state = *taken;
        } else {
            state = step.delta.applyTo(std::move(state), SheetDelta::Direction::Forward);
        }
        data.steps.append(step);
        if (nodes[i].id == head)
            data.undoIndex = int(i);
    }
    nodes.resize(data.steps.size() + 1);
    data.dice = d->diceOn(nodes, 0);
    data.info.stepCount = int(data.steps.size());
    data.info.undoIndex = data.undoIndex;
    return data;
}
