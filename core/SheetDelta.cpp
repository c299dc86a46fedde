#include "SheetDelta.h"

#include "JournalCodec.h"
#include "SettingsCodec.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// Version 2 added the settings values and the paragraph box.
constexpr std::uint8_t DeltaVersion = 2;
// Bounds on indexes read from the journal: far beyond any sheet, they only stop junk.
constexpr qint32 MaxAbilities = 64;
constexpr qint32 MaxFlags = 1 << 20;

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

namespace {

enum Field : quint32 {
    FIniFileName = 1u << 0,
    FName = 1u << 1,
    FAblCount = 1u << 2,
    FOverLoad = 1u << 3,
    FMinusEnable = 1u << 4,
    FOrigin = 1u << 5,
    FCurrent = 1u << 6,
    FMoney = 1u << 7,
    FInventory = 1u << 8,
    FRoute = 1u << 9,
    FFlagCount = 1u << 10,
    FFlags = 1u << 11,
    FSettingsFile = 1u << 12,
    FLinkMode = 1u << 13,
    FSaveFile = 1u << 14,
    FRoutePanelShown = 1u << 15,
    FSettings = 1u << 16,
    FParagraph = 1u << 17,
    FAllOfVersion1 = (1u << 16) - 1,
    FAll = (1u << 18) - 1,
};

void put(JournalCodec::Writer &out, const Change<QString> &c)
{
    out.text(c.before);
    out.text(c.after);
}

void put(JournalCodec::Writer &out, const Change<int> &c)
{
    out.i32(c.before);
    out.i32(c.after);
}

void put(JournalCodec::Writer &out, const Change<bool> &c)
{
    out.u8(c.before);
    out.u8(c.after);
}

void put(JournalCodec::Writer &out, const QList<IndexedChange> &list)
{
    out.i32(qint32(list.size()));
    for (const IndexedChange &c : list) {
        out.i32(c.index);
        out.i32(c.before);
        out.i32(c.after);
    }
}

void put(JournalCodec::Writer &out, const Change<SettingsValues> &c)
{
    SettingsCodec::put(out, c.before);
    SettingsCodec::put(out, c.after);
}

bool get(JournalCodec::Reader &in, Change<SettingsValues> &c)
{
    return SettingsCodec::get(in, c.before) && SettingsCodec::get(in, c.after);
}

bool get(JournalCodec::Reader &in, Change<QString> &c)
{
    return in.text(c.before) && in.text(c.after);
}

bool get(JournalCodec::Reader &in, Change<int> &c)
{
    return in.i32(c.before) && in.i32(c.after);
}

bool get(JournalCodec::Reader &in, Change<bool> &c)
{
    return in.flag(c.before) && in.flag(c.after);
}

// Indexes strictly rising below bound, values within [low, high], and a real change each.
bool get(JournalCodec::Reader &in, QList<IndexedChange> &list, int bound, int low, int high)
{
    qint32 n = 0;
    if (!in.count(n, 12))
        return false;
    list.reserve(n);
    for (qint32 i = 0; i < n; ++i) {
        IndexedChange c;
        if (!in.i32(c.index) || !in.i32(c.before) || !in.i32(c.after))
            return false;
        if (c.index < 0 || c.index >= bound || (!list.isEmpty() && c.index <= list.last().index) ||
            c.before < low || c.before > high || c.after < low || c.after > high ||
            c.before == c.after)
            return false;
        list.append(c);
    }
    return true;
}

template <typename T>
bool getSlot(JournalCodec::Reader &in, quint32 mask, Field field, std::optional<Change<T>> &slot)
{
    if (!(mask & field))
        return true;
    Change<T> c;
    if (!get(in, c))
        return false;
    slot = c;
    return true;
}

template <typename T> void putSlot(JournalCodec::Writer &out, const std::optional<Change<T>> &slot)
{
    if (slot)
        put(out, *slot);
}

} // namespace

QByteArray SheetDelta::encode() const
{
    quint32 mask = 0;
    const auto mark = [&mask](bool present, Field field) {
        if (present)
            mask |= field;
    };
    mark(iniFileName.has_value(), FIniFileName);
    mark(name.has_value(), FName);
    mark(ablCount.has_value(), FAblCount);
    mark(overLoad.has_value(), FOverLoad);
    mark(minusEnable.has_value(), FMinusEnable);
    mark(!origin.isEmpty(), FOrigin);
    mark(!current.isEmpty(), FCurrent);
    mark(money.has_value(), FMoney);
    mark(inventory.has_value(), FInventory);
    mark(route.has_value(), FRoute);
    mark(flagCount.has_value(), FFlagCount);
    mark(!flags.isEmpty(), FFlags);
    mark(settingsFile.has_value(), FSettingsFile);
    mark(linkMode.has_value(), FLinkMode);
    mark(saveFile.has_value(), FSaveFile);
    mark(routePanelShown.has_value(), FRoutePanelShown);
    mark(settings.has_value(), FSettings);
    mark(paragraph.has_value(), FParagraph);

    JournalCodec::Writer out;
    out.u8(DeltaVersion);
    out.i32(qint32(mask));
    putSlot(out, iniFileName);
    putSlot(out, name);
    putSlot(out, ablCount);
    putSlot(out, overLoad);
    putSlot(out, minusEnable);
    if (!origin.isEmpty())
        put(out, origin);
    if (!current.isEmpty())
        put(out, current);
    putSlot(out, money);
    putSlot(out, inventory);
    if (route) {
        out.u8(std::uint8_t(route->kind));
        out.i32(route->baseCount);
        out.paragraphs(route->entries);
        out.paragraphs(route->before);
        out.paragraphs(route->after);
    }
    putSlot(out, flagCount);
    if (!flags.isEmpty())
        put(out, flags);
    putSlot(out, settingsFile);
    putSlot(out, linkMode);
    putSlot(out, saveFile);
    putSlot(out, routePanelShown);
    putSlot(out, settings);
    putSlot(out, paragraph);
    return out.bytes();
}

std::optional<SheetDelta> SheetDelta::decode(const QByteArray &bytes)
{
    JournalCodec::Reader in(bytes);
    SheetDelta d;
    std::uint8_t version = 0;
    qint32 rawMask = 0;
    if (!in.u8(version) || version < 1 || version > DeltaVersion || !in.i32(rawMask))
        return std::nullopt;
    const quint32 mask = quint32(rawMask);
    if (mask & ~quint32(version == 1 ? FAllOfVersion1 : FAll))
        return std::nullopt;
    constexpr int intMin = std::numeric_limits<int>::min();
    constexpr int intMax = std::numeric_limits<int>::max();
    if (!getSlot(in, mask, FIniFileName, d.iniFileName) || !getSlot(in, mask, FName, d.name) ||
        !getSlot(in, mask, FAblCount, d.ablCount) || !getSlot(in, mask, FOverLoad, d.overLoad) ||
        !getSlot(in, mask, FMinusEnable, d.minusEnable))
        return std::nullopt;
    if (d.ablCount && (d.ablCount->before < 0 || d.ablCount->before > MaxAbilities ||
                       d.ablCount->after < 0 || d.ablCount->after > MaxAbilities))
        return std::nullopt;
    if (((mask & FOrigin) && (!get(in, d.origin, MaxAbilities, 0, intMax) || d.origin.isEmpty())) ||
        ((mask & FCurrent) &&
         (!get(in, d.current, MaxAbilities, intMin, intMax) || d.current.isEmpty())))
        return std::nullopt;
    if (!getSlot(in, mask, FMoney, d.money) || !getSlot(in, mask, FInventory, d.inventory))
        return std::nullopt;
    if (mask & FRoute) {
        RouteChange c;
        std::uint8_t kind = 0;
        if (!in.u8(kind) || kind > std::uint8_t(RouteChange::Kind::Replace) ||
            !in.i32(c.baseCount) || c.baseCount < 0 || !in.paragraphs(c.entries) ||
            !in.paragraphs(c.before) || !in.paragraphs(c.after))
            return std::nullopt;
        c.kind = RouteChange::Kind(kind);
        const bool replace = c.kind == RouteChange::Kind::Replace;
        if (replace != c.entries.isEmpty() ||
            (!replace && (!c.before.isEmpty() || !c.after.isEmpty())) ||
            (replace && c.baseCount != 0) || c.baseCount > intMax - int(c.entries.size()))
            return std::nullopt;
        d.route = c;
    }
    if (!getSlot(in, mask, FFlagCount, d.flagCount))
        return std::nullopt;
    if (d.flagCount && (d.flagCount->before < 0 || d.flagCount->before > MaxFlags ||
                        d.flagCount->after < 0 || d.flagCount->after > MaxFlags))
        return std::nullopt;
    if ((mask & FFlags) && (!get(in, d.flags, MaxFlags, 0, 1) || d.flags.isEmpty()))
        return std::nullopt;
    if (!getSlot(in, mask, FSettingsFile, d.settingsFile) ||
        !getSlot(in, mask, FLinkMode, d.linkMode) || !getSlot(in, mask, FSaveFile, d.saveFile) ||
        !getSlot(in, mask, FRoutePanelShown, d.routePanelShown) ||
        !getSlot(in, mask, FSettings, d.settings) || !getSlot(in, mask, FParagraph, d.paragraph) ||
        !in.atEnd())
        return std::nullopt;
    if (d.paragraph && (d.paragraph->before < 0 || d.paragraph->after < 0))
        return std::nullopt;
    return d;
}
