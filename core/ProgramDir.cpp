#include "ProgramDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

// Paths from the installed executable's folder, set by the build from the install layout.
#ifndef PELKO_INSTALLED_DATA_FROM_BIN
#define PELKO_INSTALLED_DATA_FROM_BIN "../share/pelko"
#endif
#ifndef PELKO_INSTALLED_MODULES_FROM_BIN
#define PELKO_INSTALLED_MODULES_FROM_BIN "../lib/pelko"
#endif

namespace {

QString withSlash(QString dir)
{
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

QString installedDataDir(const QString &executableDir)
{
    return withSlash(
        QDir::cleanPath(executableDir + QStringLiteral(PELKO_INSTALLED_DATA_FROM_BIN)));
}

} // namespace

ProgramDir::ProgramDir(const QString &executableDir, const QString &userDataDir)
    : m_executableDir(withSlash(QDir(executableDir).absolutePath()))
{
    const bool installed = QFileInfo(installedDataDir(m_executableDir) + u"installed"_s).isFile();
    m_layout = installed ? Layout::Installed : Layout::Portable;
    // Without a data folder (no home at all) an installed program still keeps away from its
    // executable's folder: its files then fail to be written, and say so.
    m_path = !installed              ? m_executableDir
             : userDataDir.isEmpty() ? QString()
                                     : withSlash(QDir::cleanPath(userDataDir));
}

ProgramDir ProgramDir::portable(const QString &dir)
{
    ProgramDir result(dir, QString());
    result.m_layout = Layout::Portable;
    result.m_path = result.m_executableDir;
    return result;
}

ProgramDir ProgramDir::ofRunningProgram()
{
    return ProgramDir(QCoreApplication::applicationDirPath(),
                      QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

QString ProgramDir::soundFile() const
{
    const QString own = m_path + u"diceroll.wav"_s;
    if (!isInstalled() || QFileInfo::exists(own))
        return own;
    return installedDataDir(m_executableDir) + u"diceroll.wav"_s;
}

QStringList ProgramDir::modulePaths(const QString &moduleName) const
{
    if (isInstalled())
        return {withSlash(QDir::cleanPath(m_executableDir +
                                          QStringLiteral(PELKO_INSTALLED_MODULES_FROM_BIN))) +
                moduleName};
    return {m_executableDir + moduleName};
}

bool ProgramDir::ensureExists(const QString &dir)
{
    return !dir.isEmpty() && QDir().mkpath(dir);
}
