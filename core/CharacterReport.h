#pragma once

#include "IniData.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

class CharacterRecord;

// One item of the flag check list as the window shows it.
struct CharacterReportFlag
{
    QString label;
    bool checked = false;
};

// What the character report is made of, taken from the record, the settings in force and the
// two boxes whose text the record does not follow while the user types.
struct CharacterReportData
{
    QString name;
    SettingsValues settings;
    std::array<int, SettingsValues::AbilityCount> origins{};
    std::array<int, SettingsValues::AbilityCount> values{};
    int money = 0;
    // The inventory box's text as it stands, lines broken by CR LF, CR or LF.
    QString inventory;
    int routeCount = 0;
    std::uint16_t lastParagraph = 0;
    // The items of the check list; only the first flagCount are reported.
    QList<CharacterReportFlag> flags;
    int flagCount = 0;

    // Everything the record and the settings hold; the caller adds inventory and flags.
    static CharacterReportData fromRecord(const CharacterRecord &record,
                                          const SettingsValues &settings);
};

namespace CharacterReport {

// The file name (no folder) of the character report.
QString fileName(const QString &name);

// The lines of the character report, in order, without line ends.
QStringList lines(const CharacterReportData &data);

} // namespace CharacterReport
