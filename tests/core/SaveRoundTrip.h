#pragma once

// Shared by the save file tests and the save file fuzz target.

#include "CharacterRecord.h"
#include "SaveFile.h"

#include <QFile>
#include <QString>

// The window's way of opening a file: its own layout first, then the older ones.
inline SaveFileResult openSaveFile(CharacterRecord &data, const QString &version,
                                   const QString &path)
{
    const SaveFileResult result = readSaveFile(data, version, path);
    return result == SaveFileResult::OtherVersion ? readOldSaveFile(data, path) : result;
}

// Saves the sheet to path and reads it back into a copy of start. Empty when the file has the
// length its counts give, reads back as the same sheet, and saves again to the same bytes;
// otherwise what went wrong.
inline QString saveRoundTripFault(const CharacterRecord &sheet, const CharacterRecord &start,
                                  const QString &version, const QString &path)
{
    const QByteArray saved = saveFileBytes(sheet, version);
    const qsizetype chunks = (sheet.inventory().size() + 31) / 32;
    const qsizetype length = 145 + 66 * chunks + sheet.flagCount() + 2 * sheet.routeCount();
    if (saved.size() != length)
        return QStringLiteral("%1 bytes saved where the counts give %2")
            .arg(saved.size())
            .arg(length);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(saved) != saved.size())
        return QStringLiteral("cannot write %1").arg(path);
    file.close();
    CharacterRecord again = start;
    if (readSaveFile(again, version, path) != SaveFileResult::Loaded)
        return QStringLiteral("the saved file does not load");
    if (!(again == sheet))
        return QStringLiteral("the saved file loads as another sheet");
    if (saveFileBytes(again, version) != saved)
        return QStringLiteral("saved again, the sheet gives other bytes");
    return {};
}
