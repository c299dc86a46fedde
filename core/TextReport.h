#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The plain text reports the program writes beside itself (the character sheet and the route):
// code page 932, every line ended by CR LF, the last one too.
namespace TextReport {

// The rule that closes a block of a report: 51 hyphen-minus characters.
QString separatorLine();

// True when fileName names a file directly inside the program directory: not empty, not "."
// or "..", and free of "/", "\" and NUL. A character name or a FixWord becomes part of a
// report's file name unchanged, so this is what keeps a report from landing anywhere else; dots
// inside a name ("Bob...", "v1..2") lead nowhere.
bool isSafeFileName(const QString &fileName);

// The bytes of the report: each line in code page 932 followed by CR LF. Throws FileError
// naming path when a line holds a character that code page 932 cannot hold, rather than let
// it turn into a substitute in the file.
QByteArray reportBytes(const QStringList &lines, const QString &path);

// Writes lines as the report fileName in programDir, replacing an existing file (atomically
// where the folder allows, see writeWholeFile). An unsafe file name, a character code page 932
// cannot hold or a file that cannot be made throws FileError::cannotCreate with the full path,
// and nothing is written; a write that fails afterwards throws the text of its cause.
void write(const QString &programDir, const QString &fileName, const QStringList &lines);

} // namespace TextReport
