#include "Ledger.h"

#include "Cp932.h"
#include "TextLines.h"
#include "TextReport.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The lines of after that before lacks, and those of before that after lacks, each side in
// its own order; a line held twice counts twice.
std::pair<QStringList, QStringList> lineDifference(const QString &before, const QString &after)
{
    const QStringList old = splitLines(before);
    const QStringList now = splitLines(after);
    QHash<QString, int> left;
    for (const QString &line : old)
        ++left[line];
    QStringList added;
    for (const QString &line : now) {
        auto it = left.find(line);
        if (it != left.end() && *it > 0)
            --*it;
        else
            added.append(line);
    }
    QHash<QString, int> right;
    for (const QString &line : now)
        ++right[line];
    QStringList removed;
    for (const QString &line : old) {
        auto it = right.find(line);
        if (it != right.end() && *it > 0)
            --*it;
        else
            removed.append(line);
    }
    return {added, removed};
}

std::uint16_t lastParagraph(const SheetState &state)
{
    return state.record.routeList().constLast();
}

QString nameOr(const QStringList &names, int index, const QString &fallback)
{
    const QString name = names.value(index);
    return name.isEmpty() ? fallback.arg(index + 1) : name;
}

} // namespace

Ledger::Ledger(const SheetState &initial, const QList<SheetStep> &steps,
               const QList<DiceEvent> &dice, const QStringList &abilityNames,
               const QStringList &flagLabels, qint64 startedMs)
    : m_abilityNames(abilityNames), m_flagLabels(flagLabels), m_dice(dice)
{
    m_routeStores.append(initial.record.routeList().isEmpty() ? QList<std::uint16_t>{0}
                                                              : initial.record.routeList());
    m_routeLength = int(m_routeStores[0].size() - 1);
    beginRow(Row::Kind::Start, startedMs, 0, initial);
    // A roll belongs to the row that was current when the dice were rolled.
    std::stable_sort(m_dice.begin(), m_dice.end(),
                     [](const DiceEvent &a, const DiceEvent &b) { return a.atStep < b.atStep; });
    tell(initial, 0, int(steps.size()), [&steps](int i) -> const SheetStep & { return steps[i]; });
}

int Ledger::update(int unchanged, int count, const std::function<const SheetStep &(int)> &stepAt,
                   const QList<DiceEvent> &dice)
{
    unchanged = std::clamp(unchanged, 0, std::min(count, m_stepCount));
    // The last row that began with an unchanged step, and what it held as it began.
    int row = int(m_rows.size()) - 1;
    while (row > 0 && m_rows[row].stepIndex > unchanged)
        --row;
    const SheetState state = stateAtRow(row);
    const Snapshot snapshot = m_snapshots[row];
    m_rows.resize(row + 1);
    m_snapshots.resize(row + 1);
    m_routeStores.resize(snapshot.routeStore + 1);
    m_store = snapshot.routeStore;
    m_routeLength = snapshot.routeLength;
    const int first = m_rows[row].stepIndex;
    m_rows[row].changes.clear();
    if (first > 0)
        m_rows[row].changes = changeTexts(stepAt(first - 1).delta);
    m_dice = dice;
    std::stable_sort(m_dice.begin(), m_dice.end(),
                     [](const DiceEvent &a, const DiceEvent &b) { return a.atStep < b.atStep; });
    tell(state, first, count, stepAt);
    return row;
}

void Ledger::tell(SheetState state, int first, int count,
                  const std::function<const SheetStep &(int)> &stepAt)
{
    // Rolls made before step `first` are told already.
    qsizetype nextRoll =
        std::lower_bound(m_dice.cbegin(), m_dice.cend(), first,
                         [](const DiceEvent &e, int step) { return e.atStep < step; }) -
        m_dice.cbegin();
    const auto rollsUpTo = [&](int stepIndex) {
        for (; nextRoll < m_dice.size() && m_dice[nextRoll].atStep <= stepIndex; ++nextRoll) {
            QStringList faces;
            for (int face : m_dice[nextRoll].faces)
                faces.append(QString::number(face));
            m_rows.last().changes.append(
                u"サイコロ: %1 (合計 %2)%3"_s.arg(faces.join(u' '))
                    .arg(m_dice[nextRoll].total)
                    .arg(m_dice[nextRoll].entered ? u" 入力"_s : QString()));
        }
    };

    for (int i = first; i < count; ++i) {
        rollsUpTo(i);
        const SheetStep &step = stepAt(i);
        state = step.delta.applyTo(std::move(state), SheetDelta::Direction::Forward);
        if (step.delta.route)
            followRoute(*step.delta.route);
        switch (step.kind) {
        case SheetStep::Kind::Register:
            beginRow(Row::Kind::Register, step.timeMs, i + 1, state);
            break;
        case SheetStep::Kind::ClearRoute:
            beginRow(Row::Kind::ClearRoute, step.timeMs, i + 1, state);
            break;
        case SheetStep::Kind::New:
            beginRow(Row::Kind::New, step.timeMs, i + 1, state);
            break;
        case SheetStep::Kind::Open:
            beginRow(Row::Kind::Open, step.timeMs, i + 1, state);
            break;
        case SheetStep::Kind::Rewind:
            beginRow(Row::Kind::Rewind, step.timeMs, i + 1, state);
            break;
        case SheetStep::Kind::Resume:
            beginRow(Row::Kind::Resume, step.timeMs, i + 1, state);
            break;
        default:
            break;
        }
        // A test or a round tells its outcome before what it changed.
        if (step.kind == SheetStep::Kind::Test || step.kind == SheetStep::Kind::Round)
            m_rows.last().changes.append(step.field);
        m_rows.last().changes.append(changeTexts(step.delta));
    }
    // Rolls on steps beyond the last in effect were undone with them.
    rollsUpTo(count);
    m_stepCount = count;
}

void Ledger::beginRow(Row::Kind kind, qint64 timeMs, int stepIndex, const SheetState &state)
{
    Row row;
    row.kind = kind;
    row.timeMs = timeMs;
    row.stepIndex = stepIndex;
    row.paragraph = lastParagraph(state);
    const QString at = u"[%1] %2 "_s.arg(m_rows.size()).arg(timeText(timeMs));
    const QString paragraph = QString::number(row.paragraph);
    switch (kind) {
    case Row::Kind::Start:
        row.title = at + (row.paragraph ? u"開始 (パラグラフ %1)"_s.arg(paragraph) : u"開始"_s);
        break;
    case Row::Kind::Register:
        row.title = at + u"パラグラフ %1"_s.arg(paragraph);
        break;
    case Row::Kind::ClearRoute:
        row.title = at + u"道程をクリア"_s;
        break;
    case Row::Kind::New:
        row.title = at + u"新規"_s;
        break;
    case Row::Kind::Open:
        row.title = at + u"開く %1"_s.arg(QFileInfo(state.saveFile).fileName());
        break;
    case Row::Kind::Resume:
        row.title = at + u"前回の続き"_s;
        break;
    case Row::Kind::Rewind:
        row.title = at + (row.paragraph ? u"パラグラフ %1 の時点に戻る"_s.arg(paragraph)
                                        : u"開始の時点に戻る"_s);
        break;
    }
    m_rows.append(row);
    Snapshot snapshot{state, m_store, m_routeLength};
    // The route is kept apart in the stores; holding it here would copy it at the next step.
    snapshot.withoutRoute.record.setRouteList({});
    m_snapshots.append(snapshot);
}

void Ledger::followRoute(const SheetDelta::RouteChange &change)
{
    using Kind = SheetDelta::RouteChange::Kind;
    QList<std::uint16_t> &store = m_routeStores[m_store];
    switch (change.kind) {
    case Kind::Append: {
        // A store holds entry 0 too, as a route does: base entries are base + 1 elements.
        const int base = std::min(change.baseCount, m_routeLength);
        const qsizetype end = base + change.entries.size();
        if (store.size() == base + 1) {
            store.append(change.entries);
        } else if (store.size() < end + 1 ||
                   !std::equal(change.entries.begin(), change.entries.end(),
                               store.begin() + base + 1)) {
            // The route leaves the one stored after a truncation: a store of its own keeps
            // the earlier rows' routes as they were.
            QList<std::uint16_t> branch = store.first(base + 1);
            branch.append(change.entries);
            m_routeStores.append(branch);
            m_store = int(m_routeStores.size() - 1);
        }
        m_routeLength = int(end);
        break;
    }
    case Kind::Truncate:
        m_routeLength = std::min(change.baseCount, m_routeLength);
        break;
    case Kind::Replace:
        m_routeStores.append(QList<std::uint16_t>{0} + change.after);
        m_store = int(m_routeStores.size() - 1);
        m_routeLength = int(change.after.size());
        break;
    }
}

// Names are text, never formats: each line is made in one pass of arg().
QStringList Ledger::changeTexts(const SheetDelta &delta) const
{
    QStringList texts;
    if (delta.name)
        texts.append(u"名前: 「%1」 → 「%2」"_s.arg(delta.name->before, delta.name->after));
    for (const SheetDelta::IndexedChange &c : delta.origin)
        texts.append(u"%1の原点: %2 → %3"_s.arg(nameOr(m_abilityNames, c.index, u"能力%1"_s),
                                                QString::number(c.before),
                                                QString::number(c.after)));
    for (const SheetDelta::IndexedChange &c : delta.current)
        texts.append(u"%1: %2 → %3"_s.arg(nameOr(m_abilityNames, c.index, u"能力%1"_s),
                                          QString::number(c.before), QString::number(c.after)));
    if (delta.money)
        texts.append(u"お金: %1 → %2"_s.arg(delta.money->before).arg(delta.money->after));
    if (delta.inventory) {
        const auto [added, removed] =
            lineDifference(delta.inventory->before, delta.inventory->after);
        for (const QString &line : removed)
            texts.append(u"持ち物から: %1"_s.arg(line));
        for (const QString &line : added)
            texts.append(u"持ち物へ: %1"_s.arg(line));
    }
    for (const SheetDelta::IndexedChange &c : delta.flags)
        texts.append((c.after ? u"フラグ「%1」を付けた"_s : u"フラグ「%1」を外した"_s)
                         .arg(nameOr(m_flagLabels, c.index, u"フラグ%1"_s)));
    if (delta.settingsFile)
        texts.append(
            u"設定ファイル: %1 → %2"_s.arg(delta.settingsFile->before, delta.settingsFile->after));
    return texts;
}

SheetState Ledger::stateAtRow(int row) const
{
    if (row < 0 || row >= m_snapshots.size())
        return {};
    const Snapshot &snapshot = m_snapshots[row];
    SheetState state = snapshot.withoutRoute;
    const QList<std::uint16_t> &store = m_routeStores[snapshot.routeStore];
    // A row whose route is its whole store shares it; a shorter one is copied.
    const qsizetype length = std::min<qsizetype>(snapshot.routeLength + 1, store.size());
    const QList<std::uint16_t> route = length == store.size() ? store : store.first(length);
    state.record.setRouteList(route);
    return state;
}

SheetDelta Ledger::rewindDelta(const SheetState &current, int row) const
{
    if (row < 0 || row >= m_snapshots.size())
        return {};
    const Snapshot &snapshot = m_snapshots[row];
    const QList<std::uint16_t> &now = current.record.routeList();
    const QList<std::uint16_t> &store = m_routeStores[snapshot.routeStore];
    const int length = snapshot.routeLength;
    // current is taken for the sheet the ledger ends with when its route has the same length
    // and the same last entry and the row's one, and the row's route lies in the same store.
    const bool prefix = snapshot.routeStore == m_store && length <= m_routeLength &&
                        now.size() == m_routeLength + 1 && store.size() > m_routeLength &&
                        now.constLast() == store[m_routeLength] && now[length] == store[length];
    if (!prefix) {
        SheetDelta delta = SheetDelta::between(current, stateAtRow(row));
        delta.saveFile.reset();
        return delta;
    }
    SheetState target = snapshot.withoutRoute;
    // The game goes back, not the file Save writes to.
    target.saveFile = current.saveFile;
    target.record.setRouteList(now); // shared: no route change is seen here
    SheetDelta delta = SheetDelta::between(current, target);
    if (length < m_routeLength) {
        SheetDelta::RouteChange cut;
        cut.kind = SheetDelta::RouteChange::Kind::Truncate;
        cut.baseCount = length;
        cut.entries = now.mid(length + 1);
        delta.route = cut;
    }
    return delta;
}

QStringList Ledger::lines(const QString &title) const
{
    QStringList out;
    out.append(title.isEmpty() ? u"冒険の記録"_s : u"%1の冒険の記録"_s.arg(title));
    out.append(TextReport::separatorLine());
    for (const Row &row : m_rows) {
        out.append(row.title);
        for (const QString &change : row.changes)
            out.append(u"    "_s + change);
    }
    out.append(TextReport::separatorLine());
    for (QString &line : out)
        line = Cp932::withCodePoints(line);
    return out;
}

QString Ledger::exportFileName(const QString &characterName)
{
    if (characterName.isEmpty())
        return u"履歴.txt"_s;
    // The name is the player's: a character no file name in the folder may hold is written
    // as its full-width form (a control character as "_"), so that the export lands beside
    // the program whatever the name.
    QString name = characterName;
    for (QChar &c : name) {
        if (c == u'/')
            c = u'／';
        else if (c == u'\\')
            c = u'＼';
        else if (c.unicode() < 0x20)
            c = u'_';
    }
    return name + u"_履歴.txt"_s;
}

QString Ledger::timeText(qint64 timeMs)
{
    return QDateTime::fromMSecsSinceEpoch(timeMs).toString(u"yyyy-MM-dd HH:mm:ss"_s);
}
