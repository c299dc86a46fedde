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
    // folder an installed program keeps its files in, empty when there is none (see
    // userDataDirOf).
    ProgramDir(const QString &executableDir, const QString &userDataDir);
    // A portable program in dir.
    static ProgramDir portable(const QString &dir);
    // The running program: its executable's folder and the user's data folder from the
    // environment.
    static ProgramDir ofRunningProgram();

    // The user's data folder for Pelko under the XDG rules: "$XDG_DATA_HOME/Pelko" when that
    // variable holds an absolute path, else "$HOME/.local/share/Pelko". A relative value is
    // ignored, as the rules say; a home that is unset, relative or the root folder gives no
    // folder at all (empty), so that nothing is ever written under "/". The running program
    // has none either when its home does not exist (see ofRunningProgram).
    static QString userDataDirOf(const QString &xdgDataHome, const QString &home);
    Layout layout() const { return m_layout; }
    bool isInstalled() const { return m_layout == Layout::Installed; }
    // Settings files, reports, the journal and the portable program's file dialogs; ends with
    // "/". An installed program's folder may not exist yet: see ensureExists(). Without a data
    // folder it is a path no one can create, so that every write there fails and says so.
    const QString &path() const { return m_path; }
    // Why an installed program has no data folder, for the user; empty when it has one.
    QString problem() const;
    // Whether path lies in the program directory of a program without a data folder: a file
    // there cannot be written, and the user is told why rather than shown that path.
    static bool isInNoDataFolder(const QString &path);
    static QString noDataFolderText();
    const QString &executableDir() const { return m_executableDir; }

    // The sound read at start-up: the program directory's "diceroll.wav", or for an installed
    // program without one there, the one installed with it.
    QString soundFile() const;
    // Where a module of the program (the sound's, the journal's store) is looked for: only in
    // the program's own layout, beside a portable executable or in the library folder of an
    // installed one, never where it was built.
    QStringList modulePaths(const QString &moduleName) const;

    // Makes the folder dir when it is missing, with its parents; whether it exists afterwards.
    // Whatever writes into the program directory, or shows it, calls this first: an installed
    // program's folder is made on first need, not at start-up. Each folder made is its owner's
    // alone (0700), as the XDG rules ask of a data folder, and the files written into it are
    // then too (see writeWholeFile). The home ($HOME, or home) is never made, nor a folder that
    // would hold it: a home that does not exist gives no folder.
    static bool ensureExists(const QString &dir);
    static bool ensureExists(const QString &dir, const QString &home);
    // Whether making dir would make the home, or a folder above it, that does not exist.
    static bool wouldMakeHome(const QString &dir, const QString &home);
    // Qt keeps settings of its own in the user's configuration folder (the file dialog's
    // history, as it closes) and makes the folders on the way. Where that would make a home that
    // does not exist, they are not kept: called once at start.
    static void keepQtSettingsFromMakingHome();

private:
    Layout m_layout = Layout::Portable;
    QString m_executableDir; // ends with "/"
    QString m_path;          // ends with "/"
};
