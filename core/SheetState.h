#pragma once

#include "CharacterRecord.h"
#include "IniData.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Everything one undo step can restore: the record, the settings values in force and the name
// of their file, link mode, the current save file, the paragraph box and whether the route
// panel is shown. Copies are cheap: the record's texts and lists are shared
// until one of the copies changes.
struct SheetState
{
    CharacterRecord record;
    QString settingsFile;
    SettingsValues settings;
    bool linkMode = false;
    QString saveFile; // empty while the sheet has no save file
    bool routePanelShown = false;
    int paragraph = 0; // the paragraph box

    bool operator==(const SheetState &) const = default;

    // The sheet of a fresh start or of "New": eight abilities, an empty route, the default
    // settings file.
    static SheetState fresh();

    // The whole state as bytes for the journal, and back. decode rejects bytes that no encode
    // made (wrong version, counts beyond what the bytes can hold, trailing bytes). A state
    // stored before the settings values were kept comes back with the default values.
    QByteArray encode() const;
    static std::optional<SheetState> decode(const QByteArray &bytes);
};

// The entries 1..routeCount of a record's route.
QList<std::uint16_t> routeEntries(const CharacterRecord &record);
