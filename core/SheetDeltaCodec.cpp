#include "SheetDelta.h"

#include "JournalCodec.h"
#include "SettingsCodec.h"
#include "SheetDeltaBounds.h"

#include <limits>

namespace {

// Version 2 added the settings values and the paragraph box.
constexpr std::uint8_t DeltaVersion = 2;
using SheetDeltaBounds::MaxAbilities;
using SheetDeltaBounds::MaxFlags;

using IndexedChange = SheetDelta::IndexedChange;
template <typename T> using Change = SheetDelta::Change<T>;

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
    constexpr int IntMin = std::numeric_limits<int>::min();
    constexpr int IntMax = std::numeric_limits<int>::max();
    if (!getSlot(in, mask, FIniFileName, d.iniFileName) || !getSlot(in, mask, FName, d.name) ||
        !getSlot(in, mask, FAblCount, d.ablCount) || !getSlot(in, mask, FOverLoad, d.overLoad) ||
        !getSlot(in, mask, FMinusEnable, d.minusEnable))
        return std::nullopt;
    if (d.ablCount && (d.ablCount->before < 0 || d.ablCount->before > MaxAbilities ||
                       d.ablCount->after < 0 || d.ablCount->after > MaxAbilities))
        return std::nullopt;
    if (((mask & FOrigin) && (!get(in, d.origin, MaxAbilities, 0, IntMax) || d.origin.isEmpty())) ||
        ((mask & FCurrent) &&
         (!get(in, d.current, MaxAbilities, IntMin, IntMax) || d.current.isEmpty())))
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
            (replace && c.baseCount != 0) || c.baseCount > IntMax - int(c.entries.size()))
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
