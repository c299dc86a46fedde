#include "SheetDelta.h"

#include "SheetDeltaBounds.h"

#include <algorithm>
#include <cstring>

namespace {

using SheetDeltaBounds::MaxAbilities;
using SheetDeltaBounds::MaxFlags;

using IndexedChange = SheetDelta::IndexedChange;
template <typename T> using Change = SheetDelta::Change<T>;

bool sameText(const QString &a, const QString &b)
{
    return (a.size() == b.size() && a.constData() == b.constData()) || a == b;
}

template <typename T> void compare(std::optional<Change<T>> &slot, const T &before, const T &after)
{
    if (!(before == after))
        slot = Change<T>{before, after};
}

void compareText(std::optional<Change<QString>> &slot, const QString &before, const QString &after)
{
    if (!sameText(before, after))
        slot = Change<QString>{before, after};
}

// The values that differ between two arrays, an element beyond an array's end reading 0 (as a
// grown array fills with 0). Arrays shared between the two states are passed over at once.
void compareValues(QList<IndexedChange> &out, const QList<int> &before, const QList<int> &after)
{
    if (before.size() == after.size() && before.constData() == after.constData())
        return;
    const qsizetype n = std::max(before.size(), after.size());
    for (qsizetype i = 0; i < n; ++i) {
        const int b = i < before.size() ? before[i] : 0;
        const int a = i < after.size() ? after[i] : 0;
        if (b != a)
            out.append({int(i), b, a});
    }
}

// The flag labels may be long; a copy shares them until one of the two changes.
bool sameSettings(const SettingsValues &a, const SettingsValues &b)
{
    if (a.flagText.constData() == b.flagText.constData() &&
        a.flagText.size() == b.flagText.size()) {
        SettingsValues same = b;
        same.flagText = a.flagText;
        return a == same;
    }
    return a == b;
}

bool samePrefix(const QList<std::uint16_t> &a, const QList<std::uint16_t> &b, qsizetype n)
{
    return a.constData() == b.constData() ||
           std::memcmp(a.constData(), b.constData(), size_t(n) * sizeof(std::uint16_t)) == 0;
}

std::optional<SheetDelta::RouteChange> routeChange(const QList<std::uint16_t> &before,
                                                   const QList<std::uint16_t> &after)
{
    using Kind = SheetDelta::RouteChange::Kind;
    const qsizetype common = std::min(before.size(), after.size());
    if (samePrefix(before, after, common)) {
        if (before.size() == after.size())
            return std::nullopt;
        SheetDelta::RouteChange change;
        change.baseCount = int(common - 1);
        if (after.size() > before.size()) {
            change.kind = Kind::Append;
            change.entries = after.mid(common);
        } else {
            change.kind = Kind::Truncate;
            change.entries = before.mid(common);
        }
        return change;
    }
    SheetDelta::RouteChange change;
    change.kind = Kind::Replace;
    change.before = before.mid(1);
    change.after = after.mid(1);
    return change;
}

template <typename T> const T &pick(const Change<T> &change, SheetDelta::Direction direction)
{
    return direction == SheetDelta::Direction::Forward ? change.after : change.before;
}

int pick(const IndexedChange &change, SheetDelta::Direction direction)
{
    return direction == SheetDelta::Direction::Forward ? change.after : change.before;
}

template <typename T>
void mergeSlot(std::optional<Change<T>> &slot, const std::optional<Change<T>> &later)
{
    if (!later)
        return;
    if (!slot)
        slot = later;
    else
        slot->after = later->after;
    if (slot->before == slot->after)
        slot.reset();
}

void mergeIndexed(QList<IndexedChange> &list, const QList<IndexedChange> &later)
{
    for (const IndexedChange &change : later) {
        auto at =
            std::lower_bound(list.begin(), list.end(), change.index,
                             [](const IndexedChange &c, int index) { return c.index < index; });
        if (at != list.end() && at->index == change.index) {
            at->after = change.after;
            if (at->before == at->after)
                list.erase(at);
        } else {
            list.insert(at, change);
        }
    }
}

QList<std::uint16_t> withEntryZero(const QList<std::uint16_t> &entries)
{
    QList<std::uint16_t> route;
    route.reserve(entries.size() + 1);
    route.append(0);
    route.append(entries);
    return route;
}

} // namespace

int SheetDelta::RouteChange::countBefore() const
{
    switch (kind) {
    case Kind::Append:
        return baseCount;
    case Kind::Truncate:
        return baseCount + int(entries.size());
    case Kind::Replace:
        return int(before.size());
    }
    return 0;
}

int SheetDelta::RouteChange::countAfter() const
{
    switch (kind) {
    case Kind::Append:
        return baseCount + int(entries.size());
    case Kind::Truncate:
        return baseCount;
    case Kind::Replace:
        return int(after.size());
    }
    return 0;
}

SheetDelta SheetDelta::between(const SheetState &before, const SheetState &after)
{
    SheetDelta d;
    // Shared texts and lists are compared by their data first; a copy of a state shares them
    // all until one of the two changes.
    const CharacterRecord &b = before.record;
    const CharacterRecord &a = after.record;
    if (!sameText(b.settingsBaseName(), a.settingsBaseName()))
        d.iniFileName = Change<QString>{b.settingsFileName(), a.settingsFileName()};
    compareText(d.name, b.name(), a.name());
    compare(d.ablCount, b.abilityCount(), a.abilityCount());
    compare(d.overLoad, b.overLoad(), a.overLoad());
    compare(d.minusEnable, b.minusEnable(), a.minusEnable());
    compareValues(d.origin, b.origins(), a.origins());
    compareValues(d.current, b.currents(), a.currents());
    compare(d.money, b.money(), a.money());
    compareText(d.inventory, b.inventory(), a.inventory());
    d.route = routeChange(b.routeList(), a.routeList());
    compare(d.flagCount, b.flagCount(), a.flagCount());
    const QList<bool> &flagsB = b.flagList();
    const QList<bool> &flagsA = a.flagList();
    if (flagsB.size() != flagsA.size() || flagsB.constData() != flagsA.constData()) {
        const qsizetype common = std::min(flagsB.size(), flagsA.size());
        const bool *fb = flagsB.constData();
        const bool *fa = flagsA.constData();
        for (qsizetype i = 0; i < common; ++i)
            if (fb[i] != fa[i])
                d.flags.append({int(i), int(fb[i]), int(fa[i])});
        // A flag beyond a count reads false, as a grown list fills with false.
        for (qsizetype i = common; i < flagsB.size(); ++i)
            if (fb[i])
                d.flags.append({int(i), 1, 0});
        for (qsizetype i = common; i < flagsA.size(); ++i)
            if (fa[i])
                d.flags.append({int(i), 0, 1});
    }
    compareText(d.settingsFile, before.settingsFile, after.settingsFile);
    if (!sameSettings(before.settings, after.settings))
        d.settings = Change<SettingsValues>{before.settings, after.settings};
    compare(d.linkMode, before.linkMode, after.linkMode);
    compareText(d.saveFile, before.saveFile, after.saveFile);
    compare(d.routePanelShown, before.routePanelShown, after.routePanelShown);
    compare(d.paragraph, before.paragraph, after.paragraph);
    return d;
}

bool SheetDelta::isEmpty() const
{
    return !iniFileName && !name && !ablCount && !overLoad && !minusEnable && origin.isEmpty() &&
           current.isEmpty() && !money && !inventory && !route && !flagCount && flags.isEmpty() &&
           !settingsFile && !settings && !linkMode && !saveFile && !routePanelShown && !paragraph;
}

SheetState SheetDelta::applyTo(SheetState state, Direction direction) const
{
    CharacterRecord &r = state.record;
    if (iniFileName)
        r.setSettingsFileName(pick(*iniFileName, direction));
    if (name)
        r.setName(pick(*name, direction));
    if (ablCount)
        r.setAbilityCount(std::clamp(pick(*ablCount, direction), 0, int(MaxAbilities)));
    if (!origin.isEmpty() || !current.isEmpty() || overLoad || minusEnable) {
        // The values come back exactly: no limit applies while they are written, and the
        // restored values obey the flags that are restored after them.
        const bool overLoadAfter = overLoad ? pick(*overLoad, direction) : r.overLoad();
        const bool minusAfter = minusEnable ? pick(*minusEnable, direction) : r.minusEnable();
        r.setOverLoad(true);
        r.setMinusEnable(true);
        for (const IndexedChange &c : origin)
            if (c.index < r.abilityCount())
                r.setOrigin(c.index, pick(c, direction));
        for (const IndexedChange &c : current)
            if (c.index < r.abilityCount())
                r.setCurrent(c.index, pick(c, direction));
        r.setOverLoad(overLoadAfter);
        r.setMinusEnable(minusAfter);
    }
    if (money)
        r.setMoney(pick(*money, direction));
    if (inventory)
        r.setInventory(pick(*inventory, direction));
    if (route) {
        const bool forward = direction == Direction::Forward;
        switch (route->kind) {
        case RouteChange::Kind::Append:
        case RouteChange::Kind::Truncate: {
            const bool grow = (route->kind == RouteChange::Kind::Append) == forward;
            // Counted from the route the state has: a step that belongs to the state finds it
            // baseCount long where it adds entries, and one that does not (a damaged journal)
            // can then never make the route grow by more than the entries it holds.
            const int count = r.routeCount();
            if (grow) {
                r.setRouteCount(count + int(route->entries.size()));
                for (int i = 0; i < route->entries.size(); ++i)
                    r.setRouteAt(count + 1 + i, route->entries[i]);
            } else {
                r.setRouteCount(std::min(route->baseCount, count));
            }
            break;
        }
        case RouteChange::Kind::Replace:
            r.setRouteList(withEntryZero(forward ? route->after : route->before));
            break;
        }
    }
    if (flagCount)
        r.setFlagCount(std::clamp(pick(*flagCount, direction), 0, int(MaxFlags)));
    for (const IndexedChange &c : flags)
        if (c.index < r.flagCount())
            r.setFlag(c.index, pick(c, direction) != 0);
    if (settingsFile)
        state.settingsFile = pick(*settingsFile, direction);
    if (settings)
        state.settings = pick(*settings, direction);
    if (paragraph)
        state.paragraph = pick(*paragraph, direction);
    if (linkMode)
        state.linkMode = pick(*linkMode, direction);
    if (saveFile)
        state.saveFile = pick(*saveFile, direction);
    if (routePanelShown)
        state.routePanelShown = pick(*routePanelShown, direction);
    return state;
}

bool SheetDelta::mergeWith(const SheetDelta &later)
{
    if (route && later.route)
        return false;
    mergeSlot(iniFileName, later.iniFileName);
    mergeSlot(name, later.name);
    mergeSlot(ablCount, later.ablCount);
    mergeSlot(overLoad, later.overLoad);
    mergeSlot(minusEnable, later.minusEnable);
    mergeIndexed(origin, later.origin);
    mergeIndexed(current, later.current);
    mergeSlot(money, later.money);
    mergeSlot(inventory, later.inventory);
    if (later.route)
        route = later.route;
    mergeSlot(flagCount, later.flagCount);
    mergeIndexed(flags, later.flags);
    mergeSlot(settingsFile, later.settingsFile);
    mergeSlot(settings, later.settings);
    mergeSlot(paragraph, later.paragraph);
    mergeSlot(linkMode, later.linkMode);
    mergeSlot(saveFile, later.saveFile);
    mergeSlot(routePanelShown, later.routePanelShown);
    return true;
}
