#include "DialogFolder.h"

#include "FileError.h"
#include "ProgramDir.h"
#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

QString folderOf(const QString &file)
{
    return QFileInfo(file).absolutePath();
}

} // namespace

DialogFolder::DialogFolder(const ProgramDir &programDir, QString documentsDir)
    : m_installed(programDir.isInstalled()), m_programDir(programDir.path()),
      m_documentsDir(std::move(documentsDir))
{}

QString DialogFolder::userDocumentsDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString DialogFolder::openStart(const QString &saveFile) const
{
    if (m_installed)
        return installedStart(saveFile);
    return saveFile.isEmpty() ? m_programDir : folderOf(saveFile);
}

QString DialogFolder::saveStart(const QString &saveFile) const
{
    return m_installed ? installedStart(saveFile) : m_programDir;
}

QString DialogFolder::installedStart(const QString &saveFile) const
{
    if (!saveFile.isEmpty())
        return folderOf(saveFile);
    QFile remembered(m_programDir + QString::fromUtf16(RememberedFileName));
    if (openRegularFile(remembered, remembered.fileName())) {
        const QString folder = QFile::decodeName(remembered.readAll().trimmed());
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    if (!m_documentsDir.isEmpty() && QFileInfo(m_documentsDir).isDir())
        return m_documentsDir;
    return QDir::homePath();
}

void DialogFolder::chose(const QString &path)
{
    if (!m_installed || path.isEmpty() || !ProgramDir::ensureExists(m_programDir))
        return;
    const QString folder = folderOf(path);
    try {
        writeWholeFile(m_programDir + QString::fromUtf16(RememberedFileName),
                       QFile::encodeName(folder) + '\n');
    } catch (const FileError &) {
        // The dialogs then start where they would have without it.
    }
}
