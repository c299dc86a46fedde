#include "SheetState.h"

#include "JournalCodec.h"
#include "SettingsCodec.h"

using namespace Qt::StringLiterals;

namespace {

// Version 2 added the settings values in force and the paragraph box.
constexpr std::uint8_t StateVersion = 2;
// More abilities than any sheet has; it only keeps junk from asking for absurd sizes.
constexpr qint32 MaxAbilities = 64;

} // namespace

namespace SettingsCodec {

void put(JournalCodec::Writer &out, const SettingsValues &v)
{
    for (int i = 0; i < SettingsValues::AbilityCount; ++i) {
        out.u8(v.enabled[i]);
        out.text(v.names[i]);
    }
    for (bool on : {v.overLoad, v.minusEnable, v.numberDice, v.zeroDice, v.percentileDice,
                    v.soundEffect, v.variableRoll, v.routePanelVisible})
        out.u8(on);
    out.text(v.fixWord);
    out.i32(v.fixType);
    out.i32(v.flagListMode);
    out.i32(v.flagNumber);
    out.text(v.flagText);
}

bool get(JournalCodec::Reader &in, SettingsValues &v)
{
    for (int i = 0; i < SettingsValues::AbilityCount; ++i)
        if (!in.flag(v.enabled[i]) || !in.text(v.names[i]))
            return false;
    for (bool *on : {&v.overLoad, &v.minusEnable, &v.numberDice, &v.zeroDice, &v.percentileDice,
                     &v.soundEffect, &v.variableRoll, &v.routePanelVisible})
        if (!in.flag(*on))
            return false;
    return in.text(v.fixWord) && in.i32(v.fixType) && in.i32(v.flagListMode) &&
           in.i32(v.flagNumber) && v.flagNumber >= 0 && v.flagNumber <= MaxFlagNumber &&
           in.text(v.flagText);
}

} // namespace SettingsCodec

SheetState SheetState::fresh()
{
    SheetState state;
    state.record.setAbilityCount(8);
    state.record.setRouteCount(0);
    state.record.setRouteAt(0, 0);
    state.settingsFile = u"Default.ini"_s;
    return state;
}

QList<std::uint16_t> routeEntries(const CharacterRecord &record)
{
    return record.routeList().mid(1);
}

QByteArray SheetState::encode() const
{
    JournalCodec::Writer out;
    out.u8(StateVersion);
    out.text(record.settingsFileName());
    out.text(record.name());
    out.i32(record.abilityCount());
    out.u8(record.overLoad());
    out.u8(record.minusEnable());
    for (int i = 0; i < record.abilityCount(); ++i) {
        out.i32(record.origin(i));
        out.i32(record.current(i));
    }
    out.i32(record.money());
    out.text(record.inventory());
    out.paragraphs(routeEntries(record));
    out.i32(record.flagCount());
    for (int i = 0; i < record.flagCount(); ++i)
        out.u8(record.flag(i));
    out.text(settingsFile);
    out.u8(linkMode);
    out.text(saveFile);
    out.u8(routePanelShown);
    SettingsCodec::put(out, settings);
    out.i32(paragraph);
    return out.bytes();
}

std::optional<SheetState> SheetState::decode(const QByteArray &bytes)
{
    JournalCodec::Reader in(bytes);
    SheetState state;
    CharacterRecord &r = state.record;
    std::uint8_t version = 0;
    QString text;
    qint32 count = 0;
    bool overLoad = false;
    bool minusEnable = false;
    if (!in.u8(version) || version < 1 || version > StateVersion || !in.text(text))
        return std::nullopt;
    r.setSettingsFileName(text);
    if (!in.text(text))
        return std::nullopt;
    r.setName(text);
    if (!in.count(count, 8) || count > MaxAbilities || !in.flag(overLoad) || !in.flag(minusEnable))
        return std::nullopt;
    // Values come back exactly as they were stored: no limit applies while they are written,
    // and the stored ones already obey the flags that come back after them.
    r.setAbilityCount(count);
    r.setOverLoad(true);
    r.setMinusEnable(true);
    for (int i = 0; i < count; ++i) {
        qint32 origin = 0;
        qint32 current = 0;
        if (!in.i32(origin) || !in.i32(current) || origin < 0)
            return std::nullopt;
        r.setOrigin(i, origin);
        r.setCurrent(i, current);
    }
    r.setOverLoad(overLoad);
    r.setMinusEnable(minusEnable);
    qint32 money = 0;
    if (!in.i32(money) || !in.text(text))
        return std::nullopt;
    r.setMoney(money);
    r.setInventory(text);
    QList<std::uint16_t> route;
    if (!in.paragraphs(route))
        return std::nullopt;
    route.prepend(0);
    r.setRouteList(route);
    if (!in.count(count, 1))
        return std::nullopt;
    r.setFlagCount(count);
    for (int i = 0; i < count; ++i) {
        bool checked = false;
        if (!in.flag(checked))
            return std::nullopt;
        r.setFlag(i, checked);
    }
    if (!in.text(state.settingsFile) || !in.flag(state.linkMode) || !in.text(state.saveFile) ||
        !in.flag(state.routePanelShown))
        return std::nullopt;
    if (version >= 2 && (!SettingsCodec::get(in, state.settings) || !in.i32(state.paragraph) ||
                         state.paragraph < 0))
        return std::nullopt;
    if (!in.atEnd())
        return std::nullopt;
    return state;
}
