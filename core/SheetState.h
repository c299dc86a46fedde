#pragma once

#include "CharacterRecord.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Everything one undo step can restore: the record as the window holds it (its inventory taken
// from the inventory box), the settings file in force, link mode, the current save file and
// whether the route panel is shown. Copies are cheap: the record's texts and lists are shared
// until one of the copies changes.
struct SheetState
{
    CharacterRecord record;
    QString settingsFile;
    bool linkMode = false;
    QString saveFile; // empty while the sheet has no save file
    bool routePanelShown = false;

    bool operator==(const SheetState &) const = default;

    // The sheet of a fresh start or of "New": eight abilities, an empty route, the default
    // settings file.
    static SheetState fresh();

    // The whole state as bytes for the journal, and back. decode rejects bytes that no encode
    // made (wrong version, counts beyond what the bytes can hold, trailing bytes).
    QByteArray encode() const;
    static std::optional<SheetState> decode(const QByteArray &bytes);
};

// The entries 1..routeCount of a record's route.
QList<std::uint16_t> routeEntries(const CharacterRecord &record);
