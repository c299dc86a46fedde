#include "Sheet.h"

Sheet::Sheet(QObject *parent) : QObject(parent), m_state(SheetState::fresh())
{
    m_state.linkMode = true;
}

SheetState Sheet::freshState(const QString &settingsFile, const SettingsValues &settings)
{
    SheetState state = SheetState::fresh();
    state.linkMode = true;
    return withSettings(std::move(state), settingsFile, settings);
}

SheetState Sheet::withSettings(SheetState state, const QString &file,
                               const SettingsValues &settings)
{
    state.settingsFile = file;
    state.settings = settings;
    // Each limit re-clamps the current values; the flags past a smaller count are dropped,
    // except at the most labels a load reads: the file may hold more labels than that, and a
    // save then keeps every flag the sheet had.
    state.record.setOverLoad(settings.overLoad);
    state.record.setMinusEnable(settings.minusEnable);
    state.record.setFlagCount(settings.flagNumber >= MaxFlagNumber
                                  ? qMax(settings.flagNumber, state.record.flagCount())
                                  : settings.flagNumber);
    return state;
}

SheetState Sheet::loadedState(const SheetState &state, const CharacterRecord &record,
                              const SettingsValues &settings, const QString &path)
{
    SheetState next = state;
    next.record = record;
    next.linkMode = false;
    const int count = record.routeCount();
    next.paragraph = count > 0 ? record.routeAt(count) : 0;
    // A sheet without a route shows no panel; one with a route opens it when the settings in
    // force before the load ask for it, and leaves it as it was otherwise.
    if (count == 0)
        next.routePanelShown = false;
    else if (state.settings.routePanelVisible)
        next.routePanelShown = true;
    next.saveFile = path;
    return withSettings(std::move(next), record.settingsFileName(), settings);
}

void Sheet::announce(Parts parts)
{
    if (parts & Everything)
        Q_EMIT changed(parts);
}

void Sheet::setName(const QString &name)
{
    const QString before = m_state.record.name();
    m_state.record.setName(name);
    // A name cut to its byte limit still differs from what was typed: the box is told.
    announce(before != m_state.record.name() || name != m_state.record.name() ? Name : Parts());
}

void Sheet::setOrigin(int index, int value)
{
    if (index < 0 || index >= m_state.record.abilityCount())
        return;
    CharacterRecord &r = m_state.record;
    r.setOrigin(index, value);
    if (m_state.linkMode)
        r.setCurrent(index, value);
    // The origin box then shows the origin kept; showing it is an edit of its own, after which
    // the current value follows that origin too.
    if (m_state.linkMode && r.origin(index) != value)
        r.setCurrent(index, r.origin(index));
    announce(Abilities);
}

void Sheet::setCurrent(int index, int value)
{
    if (index < 0 || index >= m_state.record.abilityCount())
        return;
    m_state.record.setCurrent(index, value);
    announce(Abilities);
}

void Sheet::setMoney(int value)
{
    m_state.record.setMoney(value);
    announce(Money);
}

void Sheet::setInventory(const QString &text)
{
    if (m_state.record.inventory() == text)
        return;
    m_state.record.setInventory(text);
    announce(Inventory);
}

void Sheet::setFlag(int index, bool checked)
{
    if (index < 0 || index >= m_state.record.flagCount() || m_state.record.flag(index) == checked)
        return;
    m_state.record.setFlag(index, checked);
    announce(Flags);
}

void Sheet::setParagraph(int paragraph)
{
    m_state.paragraph = qMax(paragraph, 0);
    announce(Paragraph);
}

bool Sheet::registerParagraph()
{
    CharacterRecord &r = m_state.record;
    const int p = m_state.paragraph;
    Parts parts = Paragraph;
    const bool added = p > 0 && p <= MaxParagraph && p != r.routeAt(r.routeCount());
    if (added) {
        r.setRouteCount(r.routeCount() + 1);
        r.setRouteAt(r.routeCount(), static_cast<std::uint16_t>(p));
        parts |= Route;
        if (m_state.settings.routePanelVisible && !m_state.routePanelShown) {
            m_state.routePanelShown = true;
            parts |= RoutePanel;
        }
    }
    m_state.paragraph = 0;
    announce(parts);
    return added;
}

void Sheet::clearRoute()
{
    m_state.record.setRouteList({});
    m_state.routePanelShown = false;
    m_state.paragraph = 0;
    announce(Route | RoutePanel | Paragraph);
}

void Sheet::setRoutePanelShown(bool shown)
{
    // Shown again, the panel is brought up to the route as it is.
    const bool changedNow = m_state.routePanelShown != shown;
    m_state.routePanelShown = shown;
    announce(changedNow || shown ? RoutePanel : Parts());
}

void Sheet::toggleLinkMode()
{
    Parts parts = LinkMode;
    if (!m_state.linkMode) {
        // Every ability, hidden ones too.
        CharacterRecord &r = m_state.record;
        for (int i = 0; i < r.abilityCount(); ++i)
            r.setCurrent(i, r.origin(i));
        parts |= Abilities;
    }
    m_state.linkMode = !m_state.linkMode;
    announce(parts);
}

void Sheet::markSaved(const QString &path)
{
    m_state.linkMode = false;
    m_state.saveFile = path;
    // The file names the settings file in force, and so does the record from now on.
    m_state.record.setSettingsFileName(m_state.settingsFile);
    announce(LinkMode | SaveFile);
}

void Sheet::applySettings(const QString &file, const SettingsValues &settings)
{
    // file and settings may be the sheet's own: the new state is built beside the old one.
    m_state = withSettings(m_state, file, settings);
    // The limits may have moved every current value, and the flag count every flag.
    announce(Settings | Abilities | Flags);
}

void Sheet::replace(const SheetState &state)
{
    m_state = state;
    announce(Everything | RouteReplaced | Restored);
}

void Sheet::restore(const SheetState &target, const SheetDelta &delta)
{
    m_state = target;
    announce(partsOf(delta) | Restored);
}

Sheet::Parts Sheet::partsOf(const SheetDelta &delta)
{
    Parts parts;
    const auto mark = [&parts](bool present, Parts part) {
        if (present)
            parts |= part;
    };
    mark(delta.name.has_value(), Name);
    mark(!delta.origin.isEmpty() || !delta.current.isEmpty() || delta.ablCount || delta.overLoad ||
             delta.minusEnable,
         Abilities);
    mark(delta.money.has_value(), Money);
    mark(delta.inventory.has_value(), Inventory);
    mark(delta.route.has_value(), Route);
    mark(delta.route && delta.route->kind == SheetDelta::RouteChange::Kind::Replace, RouteReplaced);
    mark(!delta.flags.isEmpty() || delta.flagCount, Flags);
    mark(delta.settings || delta.settingsFile, Settings);
    mark(delta.linkMode.has_value(), LinkMode);
    mark(delta.saveFile.has_value(), SaveFile);
    mark(delta.paragraph.has_value(), Paragraph);
    mark(delta.routePanelShown.has_value(), RoutePanel);
    return parts;
}
