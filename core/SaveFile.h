#pragma once

#include <QByteArray>
#include <QString>

class CharacterRecord;

// A save file (.pkd) holds one character sheet, headed by the version string of the program
// that wrote it; nothing else marks the format. Little-endian, no gaps:
//   version, settings file name, name        21-byte text fields (code page 932, zero-ended)
//   abilityCount origins, abilityCount current values, money  signed 32-bit each
//   K, then K + 1 chunks of 33 UTF-16LE units   K = -1 for an empty inventory
//   flag count F, F bytes                      absent from "0.5.0.0" files
//   route count R, R + 1 unsigned 16-bit entries, entry 0 first; the file ends there.

// How a read went. The window shows one message for every failure; the reasons are for tests
// and for whoever looks into a file that will not load.
enum class SaveFileResult {
    Loaded,
    CannotOpen,
    ReadFailed,
    // Field 1 names no layout this reader knows; readSaveFile's caller then tries
    // readOldSaveFile.
    OtherVersion,
    // The file ends before its counts are satisfied (a count may be absurdly large).
    Truncated,
    // A count no writer produces: a negative flag or route count, or K below -1.
    BadCount,
};

// The file name, without its ending, that a file dialog proposes for a character's sheet or
// printout: the character's name, as long as it makes a file the dialogs show in the folder
// they are in. Blanks and dots that would begin it are left out (they hide a file), a slash
// becomes a full-width one, and a name left empty becomes "名前なし", as the sheet calls it.
QString proposedFileBaseName(const QString &characterName);

// The bytes of a save file for the sheet, headed by version (up to its first zero character).
QByteArray saveFileBytes(const CharacterRecord &data, const QString &version);

// Writes the sheet as a save file to path, replacing any file there (atomically where the
// folder allows, see writeWholeFile). A failure raises FileError with the text of its cause.
void writeSaveFile(const CharacterRecord &data, const QString &version, const QString &path);

// Reads a save file of the program's own layout into data. ownVersion is the program's version
// string; blanks and control characters around it are ignored, and it must equal field 1 (up
// to its first zero byte) exactly. Any other version gives OtherVersion.
//
// Values go through the record's setters in file order, so they are clamped under the overLoad
// and minusEnable that data holds now. On any failure data is left exactly as it was.
SaveFileResult readSaveFile(CharacterRecord &data, const QString &ownVersion, const QString &path);

// Reads a save file written by an earlier release: "0.6.0.0" has the current layout, "0.5.0.0"
// has no flags and leaves data's flags as they are. Any other version gives OtherVersion. On
// any failure data is left exactly as it was.
SaveFileResult readOldSaveFile(CharacterRecord &data, const QString &path);

// Reads a save file of any layout the program knows into data, each value as the file holds
// it: no limit of the settings data held is applied (an origin is still never below 0), and
// the record comes back with both limits off, for whoever puts the sheet in force to apply
// those of the file's settings. On any failure data is left exactly as it was.
SaveFileResult readSheetFile(CharacterRecord &data, const QString &ownVersion, const QString &path);
