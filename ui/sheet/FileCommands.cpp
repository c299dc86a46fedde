#include "FileCommands.h"

#include "CharacterRecord.h"
#include "CheckListBox.h"
#include "Cp932Input.h"
#include "IniData.h"
#include "Main.h"
#include "ProgramDir.h"
#include "QuickSelectMenu.h"
#include "RoutePanel.h"
#include "SaveFile.h"
#include "SheetHistory.h"
#include "SheetUndo.h"
#include "VersionInfo.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

using namespace Qt::StringLiterals;

FileCommands::FileCommands(TMainForm &form) : m_form(form) {}

// The dialogs are made on first use: building them costs more than the rest of start-up. Qt's
// own dialog is asked for, so the program behaves the same on every desktop.
QFileDialog *FileCommands::fileDialog(QFileDialog *&dialog, const QString &name,
                                      QFileDialog::AcceptMode mode)
{
    ProgramDir::ensureExists(m_form.m_programDir);
    if (!dialog) {
        dialog = new QFileDialog(&m_form, QString(), m_form.m_programDir,
                                 u"ペルコセーブデータ(*.pkd)"_s);
        dialog->setObjectName(name);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setAcceptMode(mode);
        dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                            : QFileDialog::AnyFile);
        dialog->setDefaultSuffix(u"pkd"_s);
    }
    return dialog;
}

// Each command is one step of the sheet's history, taken as it ends.
void FileCommands::newSheet()
{
    const SheetUndo::Scope step(m_form.m_history->undo(), SheetStep::Kind::New);
    m_form.EditName->clear();
    for (int i = 0; i < m_form.EditAblList.size(); ++i) {
        m_form.EditAblList[i]->clear();
        m_form.EditAblMaxList[i]->clear();
    }
    m_form.EditMoney->clear();
    m_form.EditNow->clear();
    m_form.MemoInventry->clear();
    m_currentSaveFile.clear();
    m_form.Save1->setEnabled(false);
    m_form.RouteClear();
    m_form.m_envMenu->page = 0;
    m_form.setLinkMode(true);
    m_form.CheckListBoxFL->clear();
    m_form.newRecord();
    m_form.m_settings.CurrentIniFile = u"Default.ini"_s;
    m_form.m_settings.load(m_form.m_settings.IniData, m_form.m_settings.CurrentIniFile);
    m_form.Reflect();
    m_form.EditName->setFocus();
}

void FileCommands::setCurrentSaveFile(const QString &path)
{
    m_currentSaveFile = path;
    m_form.Save1->setEnabled(!path.isEmpty());
}

bool FileCommands::open()
{
    const QString remembered = m_currentSaveFile;
    QFileDialog *dialog = fileDialog(m_openDialog, u"OpenDialog1"_s, QFileDialog::AcceptOpen);
    dialog->setDirectory(remembered.isEmpty() ? m_form.m_programDir : QFileInfo(remembered).path());
    dialog->selectFile(remembered);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return false;
    // A failed open leaves the earlier file current, so Save still writes to it.
    if (openFile(dialog->selectedFiles().first()))
        return true;
    m_currentSaveFile = remembered;
    return false;
}

void FileCommands::storeSheetForSaving()
{
    m_form.m_chara->setInventory(m_form.MemoInventry->toPlainText().replace(u'\n', u"\r\n"_s));
    m_form.m_chara->setSettingsFileName(m_form.m_settings.CurrentIniFile);
}

void FileCommands::save()
{
    if (m_currentSaveFile.isEmpty())
        return;
    {
        const SheetUndo::Scope step(m_form.m_history->undo(), SheetStep::Kind::Save);
        storeSheetForSaving();
        saveFile(m_currentSaveFile);
    }
    m_form.m_history->fileSaved(m_currentSaveFile);
}

bool FileCommands::saveAs()
{
    QString path;
    {
        const SheetUndo::Scope step(m_form.m_history->undo(), SheetStep::Kind::Save);
        storeSheetForSaving();
        QFileDialog *dialog = fileDialog(m_saveDialog, u"SaveDialog1"_s, QFileDialog::AcceptSave);
        dialog->setDirectory(m_form.m_programDir);
        dialog->selectFile(m_form.m_chara->name() + u".pkd"_s);
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return false;
        path = dialog->selectedFiles().first();
        saveFile(path);
        m_currentSaveFile = path;
        m_form.Save1->setEnabled(true);
    }
    m_form.m_history->fileSaved(path);
    return true;
}

void FileCommands::saveFile(const QString &path)
{
    writeSaveFile(*m_form.m_chara, readVersionItem(VersionInfo::FileVersion).value_or(QString()),
                  path);
    m_form.setLinkMode(false);
}

bool FileCommands::openFile(const QString &path)
{
    bool loaded = false;
    {
        const SheetUndo::Scope step(m_form.m_history->undo(), SheetStep::Kind::Open);
        loaded = readAndComplete(path);
    }
    // The journal hears of the file once the step that opened it is taken.
    if (loaded)
        m_form.m_history->fileOpened(path);
    return loaded;
}

bool FileCommands::readAndComplete(const QString &path)
{
    const SaveFileResult result = readSaveFile(
        *m_form.m_chara, readVersionItem(VersionInfo::FileVersion).value_or(QString()), path);
    const bool loaded = result == SaveFileResult::Loaded ||
                        (result == SaveFileResult::OtherVersion && openOldFile(path));
    if (!loaded) {
        QMessageBox box(
            QMessageBox::Warning, u"警告"_s,
            u"読み込みに失敗しました。ファイルが存在しないか、正しいセーブファイルではありません。"_s,
            QMessageBox::Ok, &m_form);
        box.setObjectName(u"LoadFailure"_s);
        box.exec();
        return false;
    }
    completeLoad(path);
    return true;
}

bool FileCommands::openOldFile(const QString &path)
{
    return readOldSaveFile(*m_form.m_chara, path) == SaveFileResult::Loaded;
}

void FileCommands::completeLoad(const QString &path)
{
    m_form.EditName->setText(m_form.m_chara->name());
    m_form.setLinkMode(false);
    // The boxes' handlers run as each box is written; with link mode off they store the same
    // values again. The record is read first: writing an origin may pull its current value down.
    for (int i = 0; i < m_form.EditAblMaxList.size(); ++i) {
        const int origin = m_form.m_chara->origin(i);
        const int current = m_form.m_chara->current(i);
        m_form.EditAblMaxList[i]->setText(QString::number(origin));
        m_form.EditAblList[i]->setText(QString::number(current));
    }
    m_form.EditMoney->setText(QString::number(m_form.m_chara->money()));
    // The box breaks lines with LF alone; the record keeps CR LF, as the save file does.
    QString inventory = m_form.m_chara->inventory();
    inventory.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    m_form.MemoInventry->setPlainText(inventory);

    m_form.m_routeShown = -1;
    if (m_form.m_chara->routeCount() != 0) {
        m_form.EditNow->setText(
            QString::number(m_form.m_chara->routeAt(m_form.m_chara->routeCount())));
        m_form.RouteCreate();
        m_form.N8->setEnabled(true);
        m_form.N9->setEnabled(true);
        m_form.PanelRoute->setClearEnabled(true);
        if (m_form.m_settings.IniData.routePanelVisible)
            m_form.N8Click();
    } else {
        m_form.showEmptyRoute();
    }

    m_form.m_settings.CurrentIniFile = m_form.m_chara->settingsFileName();
    // The page is looked up in the files as they are now, not as the last Reflect found them.
    m_form.m_settings.refreshList();
    m_form.m_envMenu->page = m_form.m_envMenu->pageOf(m_form.m_settings.CurrentIniFile);
    m_form.m_settings.load(m_form.m_settings.IniData, m_form.m_settings.CurrentIniFile);
    m_form.Reflect();

    m_currentSaveFile = path;
    m_form.Save1->setEnabled(true);
    m_form.RouteOutputCheck();
    m_form.EditNow->setFocus();
}
