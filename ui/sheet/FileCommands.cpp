#include "FileCommands.h"

#include "ErrorReport.h"
#include "FileDialogs.h"
#include "FileError.h"
#include "IniData.h"
#include "ProgramDir.h"
#include "SaveFile.h"
#include "Sheet.h"
#include "SheetHistory.h"
#include "SheetUndo.h"
#include "VersionInfo.h"

#include <QFileInfo>
#include <QMessageBox>

using namespace Qt::StringLiterals;

FileCommands::FileCommands(Sheet &sheet, SheetHistory &history, IniSettings &settingsFiles,
                           DialogFolder folders, QWidget *parent)
    : QObject(parent), m_sheet(sheet), m_history(history), m_settingsFiles(settingsFiles),
      m_folders(std::move(folders)), m_parent(parent)
{}

// The dialogs are made on first use: building them costs more than the rest of start-up. Qt's
// own dialog is asked for, so the program behaves the same on every desktop; it never opens
// the files it shows (the journal lies among them in the program folder).
QFileDialog *FileCommands::fileDialog(QFileDialog *&dialog, const QString &name,
                                      QFileDialog::AcceptMode mode, const QString &startFolder)
{
    // The portable program's folder, or an installed one's documents folder, may be missing.
    ProgramDir::ensureExists(startFolder);
    if (!dialog) {
        dialog = new QFileDialog(m_parent, QString(), startFolder, u"ペルコセーブデータ(*.pkd)"_s);
        dialog->setObjectName(name);
        FileDialogs::readNoContents(dialog);
        dialog->setAcceptMode(mode);
        dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                            : QFileDialog::AnyFile);
        dialog->setDefaultSuffix(u"pkd"_s);
    }
    dialog->setDirectory(startFolder);
    return dialog;
}

QString FileCommands::chosenFile(QFileDialog *dialog)
{
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    const QString path = dialog->selectedFiles().first();
    m_folders.chose(path);
    return path;
}

SettingsValues FileCommands::settingsOrDefaults(const QString &fileName) const
{
    // As at start: the sheet goes on with the defaults, and the user is told.
    return settingsIfReadable(fileName).value_or(SettingsValues());
}

std::optional<SettingsValues> FileCommands::settingsIfReadable(const QString &fileName) const
{
    SettingsValues values;
    QString notice;
    try {
        m_settingsFiles.load(values, fileName, &notice);
    } catch (const FileError &error) {
        PelkoApplication::showError(error.message());
        return std::nullopt;
    }
    PelkoApplication::showNotice(notice);
    return values;
}

void FileCommands::newSheet()
{
    const QString file = u"Default.ini"_s;
    m_sheet.replace(Sheet::freshState(file, settingsOrDefaults(file)));
    m_history.undo().commit(SheetStep::Kind::New);
    Q_EMIT sheetStarted();
}

bool FileCommands::open()
{
    const QString remembered = m_sheet.saveFile();
    QFileDialog *dialog = fileDialog(m_openDialog, u"OpenDialog1"_s, QFileDialog::AcceptOpen,
                                     m_folders.openStart(remembered));
    dialog->selectFile(remembered);
    const QString path = chosenFile(dialog);
    return !path.isEmpty() && openFile(path);
}

QString FileCommands::loadFailureText()
{
    return u"読み込みに失敗しました。ファイルが存在しないか、正しいセーブファイルではありません。"_s;
}

bool FileCommands::openFile(const QString &path, const QString &readFrom)
{
    const QString source = readFrom.isEmpty() ? path : readFrom;
    // The file is read into a copy of the record; the sheet in force is not touched until the
    // whole file is read and its settings with it.
    const QString version = readVersionItem(VersionInfo::FileVersion).value_or(QString());
    CharacterRecord record = m_sheet.record();
    if (readSheetFile(record, version, source) != SaveFileResult::Loaded) {
        QMessageBox box(QMessageBox::Warning, u"警告"_s, loadFailureText(), QMessageBox::Ok,
                        m_parent);
        box.setObjectName(u"LoadFailure"_s);
        box.exec();
        return false;
    }
    // The values are kept under the settings the sheet was played with; only when that file
    // cannot be read (the user is told) under those in force.
    const SettingsValues settings =
        settingsIfReadable(record.settingsFileName()).value_or(m_sheet.settings());
    m_sheet.replace(Sheet::loadedState(m_sheet.state(), record, settings, path));
    m_history.undo().commit(SheetStep::Kind::Open);
    // The journal hears of the file once the step that opened it is taken.
    m_history.fileOpened(path);
    Q_EMIT sheetOpened();
    return true;
}

void FileCommands::save()
{
    if (!m_sheet.saveFile().isEmpty())
        writeTo(m_sheet.saveFile());
}

bool FileCommands::saveAs()
{
    QFileDialog *dialog = fileDialog(m_saveDialog, u"SaveDialog1"_s, QFileDialog::AcceptSave,
                                     m_folders.saveStart(m_sheet.saveFile()));
    dialog->selectFile(proposedFileBaseName(m_sheet.record().name()) + u".pkd"_s);
    const QString path = chosenFile(dialog);
    return !path.isEmpty() && writeTo(path);
}

bool FileCommands::writeTo(const QString &path)
{
    CharacterRecord record = m_sheet.record();
    record.setSettingsFileName(m_sheet.settingsFile());
    try {
        writeSaveFile(record, readVersionItem(VersionInfo::FileVersion).value_or(QString()), path);
    } catch (const FileError &error) {
        PelkoApplication::showError(error.message());
        return false;
    }
    m_sheet.markSaved(path);
    m_history.undo().commit(SheetStep::Kind::Save);
    m_history.fileSaved(path);
    return true;
}
