#pragma once

#include <QFileDialog>
#include <QString>

class TMainForm;

// The File menu's save-file commands for the main window: the two file dialogs, the current
// save file, and the bodies of New, Open, Save and Save As with the load completion. The
// window keeps its handlers and calls in here; this class writes the window's boxes through
// their own change handlers, exactly as the handlers did themselves.
class FileCommands
{
public:
    explicit FileCommands(TMainForm &form);

    const QString &currentSaveFile() const { return m_currentSaveFile; }
    // Makes path the file Save writes to ("" for none), as a restored sheet had it.
    void setCurrentSaveFile(const QString &path);

    void newSheet();
    // Whether a file was opened.
    bool open();
    void save();
    // Whether the sheet was written.
    bool saveAs();
    void saveFile(const QString &path);
    bool openFile(const QString &path);
    bool openOldFile(const QString &path);

private:
    bool readAndComplete(const QString &path);
    void completeLoad(const QString &path);
    void storeSheetForSaving();
    QFileDialog *fileDialog(QFileDialog *&dialog, const QString &name,
                            QFileDialog::AcceptMode mode);

    TMainForm &m_form;
    QString m_currentSaveFile;
    QFileDialog *m_openDialog = nullptr;
    QFileDialog *m_saveDialog = nullptr;
};
