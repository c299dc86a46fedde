#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

class CharacterRecord;

// The texts of the route: the view of the route panel, the name and lines of the route report,
// and the rule that says when the report may be written.
namespace RouteText {

// A paragraph as the view shows it: right-aligned in nine columns ("%9d").
QString numberLine(std::uint16_t paragraph);

// The line between two paragraphs: seven spaces and a down arrow, which in a fixed-pitch font
// sits under the last two digit columns.
QString arrowLine();

// The view of a route p1 .. pn: number lines alternating with arrow lines, 2n - 1 lines.
QStringList routeViewLines(const QList<std::uint16_t> &route);

// The registered paragraphs of the record, entries 1 to routeCount.
QList<std::uint16_t> routeOf(const CharacterRecord &record);

// The file name (no folder) of the route report. fixType 1 puts fixWord before the name, 2
// after it, joined by "_"; 0 and any other value take fixWord alone. Nothing is escaped here:
// TextReport::write refuses a name that would leave the program directory.
QString routeFileName(const QString &fixWord, int fixType, const QString &name);

// True when the route report may be written: the route is not empty and the part of the file
// name that varies is there (fixWord for fixType 0, the name for every other fixType, 7 too,
// even though 7 names the file like 0).
bool routeOutputAllowed(int routeCount, const QString &fixWord, int fixType, const QString &name);

// The tooltip of the export button, naming the file an export would write.
QString outputButtonHint(const QString &routeFileName);

// The route report: the name line, the title, the rule, then the view lines as they stand.
QStringList routeReportLines(const QString &name, const QStringList &viewLines);

} // namespace RouteText
