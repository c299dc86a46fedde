#pragma once

#include <QByteArray>
#include <QString>

class QFile;

// How a failed write is told to the user.
enum class WriteFailureText {
    // "ファイル … を作成できません" whatever the cause: settings files.
    CannotCreate,
    // The text of the cause (a full disk, denied access, a missing folder…): save files.
    ByCause,
    // "ファイル … を作成できません" when the file cannot be made, the cause's text when writing
    // it fails afterwards: text reports.
    CannotCreateThenByCause,
};

// Writes bytes as the whole content of the file at path. The file is replaced atomically
// (either the new file is complete or the old one stays as it was) wherever the folder lets a
// temporary file be made beside it; where it does not, an existing file the user may write is
// written in place, its old bytes kept until the new ones are on the disk (a failure, a full
// disk among them, leaves the file as it was, never empty or short). The content is on the disk
// before it takes the file's place. A process killed while writing leaves at most a hidden copy
// under a name of the program's own, which the next write of the same file removes. A link is
// written through to the file it leads to. A target that exists but is no regular file (a folder, a
// pipe, a device) is never written, nor is a journal file. A file replaced keeps its permissions;
// a new one gives no one a right its folder withholds (in a folder for its owner alone, it is
// the owner's alone; see newFileMode). Any failure throws FileError, worded as failureText says.
void writeWholeFile(const QString &path, const QByteArray &bytes,
                    WriteFailureText failureText = WriteFailureText::CannotCreate);
// The same for the file whose name is the bytes nativePath (which need not be text, such as a
// name in code page 932), shown to the user as path.
void writeWholeFile(const QByteArray &nativePath, const QString &path, const QByteArray &bytes,
                    WriteFailureText failureText);

// Whether path, or the file a link at path leads to, is one of the journal's ("Pelko.journal"
// and the files its database keeps beside it, "Pelko.journal-wal" and the like). Those are
// opened by the database alone, in whatever folder they lie: opening and closing one anywhere
// else in the program drops the database's locks on it. Neither function below touches them.
bool isJournalFile(const QString &path);

// Opens the file at path for reading if it is a regular file. A named pipe or a device is
// refused without waiting for a writer, and a journal file is refused too; false then, with errno
// set, as for any failure to open.
bool openRegularFile(QFile &file, const QString &path);

// The permissions a new file in a folder of folderMode is made with (the process's umask then
// takes its own away): read and write for those who may enter the folder, no more. A player's
// files in a folder only the player may enter are the player's alone.
unsigned newFileMode(unsigned folderMode);

// Makes an empty file at path, with the permissions of a new file there, unless something is
// there already; whether a file is there afterwards. For files whose writer makes them itself
// (the journal and the files beside it follow its permissions).
bool makeFileIfMissing(const QString &path);
