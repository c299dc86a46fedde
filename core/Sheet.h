#pragma once

#include "SheetDelta.h"
#include "SheetState.h"

#include <QObject>

// The one owner of the character sheet: the record, the settings values in force and the
// name of their file, link mode, the current save file, the paragraph box and whether the
// route panel is shown. Every change goes through one of its operations, which apply the
// sheet's rules and then announce, once, which parts changed. Windows only show what it holds.
//
// An edit that writes a box runs that box's rules again in the window the sheet was first
// drawn for; the operations fold those nested runs in, so that each gives the final values
// at once (see setOrigin).
class Sheet : public QObject
{
    Q_OBJECT

public:
    enum Part : unsigned {
        Name = 1u << 0,
        Abilities = 1u << 1,
        Money = 1u << 2,
        Inventory = 1u << 3,
        Route = 1u << 4,
        Flags = 1u << 5,
        Settings = 1u << 6, // the values in force or the name of their file
        LinkMode = 1u << 7,
        SaveFile = 1u << 8,
        Paragraph = 1u << 9,
        RoutePanel = 1u << 10,
        Everything = (1u << 11) - 1,
        // How the parts changed rather than which.
        RouteReplaced = 1u << 11, // not just entries added or taken off at the end
        Restored = 1u << 12,      // a load, New, an undo or a rewind: not an edit
    };
    Q_DECLARE_FLAGS(Parts, Part)

    static constexpr int MaxParagraph = 0xFFFF;

    explicit Sheet(QObject *parent = nullptr);

    const SheetState &state() const { return m_state; }
    const CharacterRecord &record() const { return m_state.record; }
    const SettingsValues &settings() const { return m_state.settings; }
    const QString &settingsFile() const { return m_state.settingsFile; }
    bool linkMode() const { return m_state.linkMode; }
    const QString &saveFile() const { return m_state.saveFile; }
    int paragraph() const { return m_state.paragraph; }
    bool routePanelShown() const { return m_state.routePanelShown; }
    int routeCount() const { return m_state.record.routeCount(); }

    // The sheet a start or New begins with: the record empty, link mode on, the given
    // settings in force.
    static SheetState freshState(const QString &settingsFile, const SettingsValues &settings);
    // The sheet a save file's record makes, read while state was in force: link mode off,
    // the paragraph box on the last paragraph, the record's settings file in force with
    // settings (the values read from it) and path the file Save writes to.
    static SheetState loadedState(const SheetState &state, const CharacterRecord &record,
                                  const SettingsValues &settings, const QString &path);
    // state with settings put in force: the record takes their limits and flag count.
    static SheetState withSettings(SheetState state, const QString &file,
                                   const SettingsValues &settings);

    // Edits. Each is one action of the user's; the values are kept under the rules.
    void setName(const QString &name);
    // With link mode on, the current value follows. A value the origin cannot take (below 0)
    // is shown as the origin kept, and the current value then follows that origin too.
    void setOrigin(int index, int value);
    void setCurrent(int index, int value);
    void setMoney(int value);
    // The inventory with lines broken by CR LF, as the record and the save file keep it.
    void setInventory(const QString &text);
    void setFlag(int index, bool checked);
    // The paragraph box: never negative.
    void setParagraph(int paragraph);
    // Registers the paragraph box's number on the route unless it is 0, too large or the
    // paragraph already last on it; the box is emptied either way. Whether the route grew.
    bool registerParagraph();
    void clearRoute();
    void setRoutePanelShown(bool shown);
    // Turned on, every current value first becomes its origin; turned off, nothing else moves.
    void toggleLinkMode();
    // The sheet was written to path: link mode goes off and path is the file Save writes to.
    void markSaved(const QString &path);
    void applySettings(const QString &file, const SettingsValues &settings);

    // Puts a whole new state in force in one step (a load, New).
    void replace(const SheetState &state);
    // Brings the sheet to target, which differs from it by delta (an undo, a redo, a rewind).
    void restore(const SheetState &target, const SheetDelta &delta);

    // The parts delta touches, as an announcement names them.
    static Parts partsOf(const SheetDelta &delta);

Q_SIGNALS:
    void changed(Sheet::Parts parts);

private:
    void announce(Parts parts);

    SheetState m_state;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Sheet::Parts)
