#pragma once

#include "DialogFolder.h"

#include <QFileDialog>
#include <QObject>
#include <QString>

#include <optional>

class IniSettings;
class Sheet;
class SheetHistory;
struct SettingsValues;

// The File menu's save-file commands: New, Open, Save and Save As with their two dialogs.
// Each builds the sheet it leads to beside the one in force and puts it in force in one step,
// or, failing, changes nothing and says why. Each is one step of the history.
class FileCommands : public QObject
{
    Q_OBJECT

public:
    // Dialogs and messages open over parent; folders says where the two file dialogs start.
    FileCommands(Sheet &sheet, SheetHistory &history, IniSettings &settingsFiles,
                 DialogFolder folders, QWidget *parent);

    void newSheet();
    // Whether a file was opened.
    bool open();
    void save();
    // Whether the sheet was written.
    bool saveAs();
    // Reads the save file at path into a new sheet and puts it in force; a file that does not
    // load is reported and changes nothing. readFrom, when given, is where the bytes of the
    // file named path are read (a file named in bytes that are no text).
    bool openFile(const QString &path, const QString &readFrom = {});
    // What a save file that does not load is reported with.
    static QString loadFailureText();
    // Writes the sheet to path, which becomes the file Save writes to; a failure is reported
    // and changes nothing.
    bool writeTo(const QString &path);

    // The values of the settings file of that name; a file that exists but cannot be read is
    // reported and gives the defaults.
    SettingsValues settingsOrDefaults(const QString &fileName) const;
    // The same, but nothing for a file that exists and cannot be read (a missing file gives
    // the defaults).
    std::optional<SettingsValues> settingsIfReadable(const QString &fileName) const;

Q_SIGNALS:
    // New put a fresh sheet in force.
    void sheetStarted();
    // A save file's sheet was put in force.
    void sheetOpened();

private:
    QFileDialog *fileDialog(QFileDialog *&dialog, const QString &name, QFileDialog::AcceptMode mode,
                            const QString &startFolder);
    // The file the dialog chose, its folder remembered; empty when it was cancelled.
    QString chosenFile(QFileDialog *dialog);

    Sheet &m_sheet;
    SheetHistory &m_history;
    IniSettings &m_settingsFiles;
    DialogFolder m_folders;
    QWidget *m_parent;
    QFileDialog *m_openDialog = nullptr;
    QFileDialog *m_saveDialog = nullptr;
};
