#pragma once

#include <QString>

class ProgramDir;

// Where the save files' dialogs ("開く(&O)", "名前をつけて保存(&A)") start.
//
// A portable program keeps its save files beside itself: Open starts in the folder of the
// current save file, else in the program directory, and Save As in the program directory.
//
// An installed program's program directory is a hidden data folder that is no place for the
// user's save files: both dialogs start in the folder of the current save file, else in the
// folder a dialog last chose a file in (remembered from run to run in the data folder), else in
// the user's documents folder.
class DialogFolder
{
public:
    // documentsDir is the user's documents folder (the desktop's), used by an installed program.
    DialogFolder(const ProgramDir &programDir, QString documentsDir);
    // The running user's documents folder.
    static QString userDocumentsDir();

    // The start folder of Open and of Save As, with the sheet's save file (empty for none).
    QString openStart(const QString &saveFile) const;
    QString saveStart(const QString &saveFile) const;

    // A dialog chose the file at path: its folder is remembered. Failing to remember it is no
    // failure of the command, and is not reported.
    void chose(const QString &path);

    // The file that remembers the folder, in an installed program's data folder.
    static constexpr auto RememberedFileName = u"Pelko.lastfolder";

private:
    QString installedStart(const QString &saveFile) const;

    bool m_installed = false;
    QString m_programDir;
    QString m_documentsDir;
};
