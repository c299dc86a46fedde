#include "ProgramDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

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

// The program directory of an installed program without a data folder: a folder under a device
// file, which no one, root included, can make or write into.
constexpr auto NoDataDir = u"/dev/null/Pelko/";

// An absolute folder other than the root folder.
bool usableBase(const QString &dir)
{
    return !dir.isEmpty() && QDir::isAbsolutePath(dir) && QDir::cleanPath(dir) != u"/"_s;
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
             : userDataDir.isEmpty() ? QString::fromUtf16(NoDataDir)
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
    const QString home = qEnvironmentVariable("HOME");
    QString data = userDataDirOf(qEnvironmentVariable("XDG_DATA_HOME"), home);
    if (wouldMakeHome(data, home))
        data.clear();
    return ProgramDir(QCoreApplication::applicationDirPath(), data);
}

QString ProgramDir::userDataDirOf(const QString &xdgDataHome, const QString &home)
{
    if (usableBase(xdgDataHome))
        return withSlash(QDir::cleanPath(xdgDataHome)) + u"Pelko/"_s;
    if (usableBase(home))
        return withSlash(QDir::cleanPath(home)) + u".local/share/Pelko/"_s;
    return {};
}

QString ProgramDir::problem() const
{
    if (m_path != QString::fromUtf16(NoDataDir))
        return {};
    return noDataFolderText();
}

bool ProgramDir::isInNoDataFolder(const QString &path)
{
    return path.startsWith(QString::fromUtf16(NoDataDir));
}

QString ProgramDir::noDataFolderText()
{
    return u"データフォルダがありません。環境変数 HOME が設定されていないか、絶対パスでないか、"
           "ルートフォルダ (/) か存在しないフォルダを指しています。"
           "設定ファイル、レポート、履歴は保存できません。"
           "HOME (または XDG_DATA_HOME) を自分のフォルダにして起動し直してください。"_s;
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

namespace {

// The folders missing on the way to dir, the outermost first.
QStringList missingFolders(const QString &dir)
{
    QStringList missing;
    QString at = QDir::cleanPath(QDir(dir).absolutePath());
    while (!QFileInfo::exists(at) && !QFileInfo(at).isSymLink()) {
        missing.prepend(at);
        const QString parent = QFileInfo(at).path();
        if (parent == at)
            break;
        at = parent;
    }
    return missing;
}

} // namespace

bool ProgramDir::wouldMakeHome(const QString &dir, const QString &home)
{
    if (dir.isEmpty() || home.isEmpty() || !QDir::isAbsolutePath(home))
        return false;
    const QString cleanHome = QDir::cleanPath(home);
    const QStringList missing = missingFolders(dir);
    return std::any_of(missing.begin(), missing.end(), [&cleanHome](const QString &folder) {
        return cleanHome == folder || cleanHome.startsWith(withSlash(folder));
    });
}

void ProgramDir::keepQtSettingsFromMakingHome()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (!wouldMakeHome(config, qEnvironmentVariable("HOME")))
        return;
    // A folder under a device file, which no one can make: the settings stay unwritten.
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QString::fromUtf16(NoDataDir));
}

bool ProgramDir::ensureExists(const QString &dir)
{
    return ensureExists(dir, qEnvironmentVariable("HOME"));
}

bool ProgramDir::ensureExists(const QString &dir, const QString &home)
{
    if (dir.isEmpty() || wouldMakeHome(dir, home))
        return false;
    for (const QString &folder : missingFolders(dir)) {
        if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return QFileInfo(dir).isDir();
}
