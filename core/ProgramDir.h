#pragma once

#include <QString>
#include <QStringList>

// Where the program keeps its files: the one place that decides the program directory.
//
// A program run from its build folder or from an unpacked folder of its own is portable: the
// program directory is the folder of its executable. An installed program is one whose
// executable lies beside the marker file that `cmake --install` puts into the shared data folder
// ("../share/pelko/installed" seen from "bin/"); it never writes beside its executable, and its
// program directory is the user's data folder. The sound file and the sound module of an
// installed program come with it from the shared data and library folders, and so do its
// modules.
class ProgramDir
{
public:
    enum class Layout { Portable, Installed };

    // The layout of the program whose executable lies in executableDir; userDataDir is the
    // folder an installed program keeps its files in.
    ProgramDir(const QString &executableDir, const QString &userDataDir);
    // A portable program in dir.
    static ProgramDir portable(const QString &dir);
    // The running program: its executable's folder and the application's data location.
    static ProgramDir ofRunningProgram();

    Layout layout() const { return m_layout; }
    bool isInstalled() const { return m_layout == Layout::Installed; }
    // Settings files, reports and the file dialogs' start folder; ends with "/". An installed
    // program's folder may not exist yet: see ensureExists().
    const QString &path() const { return m_path; }
    const QString &executableDir() const { return m_executableDir; }

    // The sound read at start-up: the program directory's "diceroll.wav", or for an installed
    // program without one there, the one installed with it.
    QString soundFile() const;
    // Where a module of the program (the sound's, the journal's store) is looked for, first to
    // last.
    QStringList modulePaths(const QString &moduleName) const;

    // Makes the folder dir when it is missing, with its parents; whether it exists afterwards.
    // Whatever writes into the program directory, or shows it, calls this first: an installed
    // program's folder is made on first need, not at start-up.
    static bool ensureExists(const QString &dir);

private:
    Layout m_layout = Layout::Portable;
    QString m_executableDir; // ends with "/"
    QString m_path;          // ends with "/"
};
