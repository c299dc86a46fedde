#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>

// The main window: the character sheet, the menus and the hub every other window is reached from.
//
// Data flow, one way: a change in a box runs its handler, the handler calls the setters of the
// one CharacterRecord (which clamp), and the clamped value is written back into the box; writing
// a box runs that box's handler again, nested, which then finds nothing new to write. Settings
// live in IniSettings, owned outside the window and passed in; Reflect puts the settings in
// force to work on the sheet and on the record's limits. Nothing here reads a file but
// "diceroll.wav" at creation; the formats in core/ never see a widget.

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStyle;
class CheckListBox;
class Cp932PlainTextEdit;
class DiceStrip;
class QuickSelectMenu;
class FileCommands;
class IniSettings;
class ProgramDir;
class RoutePanel;
class SheetHistory;
class SpinButton;
class AboutDialog;
class CharacterRecord;
class SettingsDialog;

class TMainForm : public QMainWindow
{
    Q_OBJECT
    // The save-file commands work on the window's boxes through their handlers.
    friend class FileCommands;
    // So does the history, which also watches them for the end of each user action.
    friend class SheetHistory;

public:
    static constexpr int SheetWidth = 496;
    static constexpr int DockedWidth = 624;
    static constexpr int ClientHeight = 410;

    // programDir ends with a path separator; settings is the settings state of the whole run.
    TMainForm(IniSettings &settings, const QString &programDir, QWidget *parent = nullptr);
    // The same for a program directory of either layout; the sound comes from where it says.
    TMainForm(IniSettings &settings, const ProgramDir &programDir, QWidget *parent = nullptr);
    ~TMainForm() override;

    // Applies the settings in force to the sheet and to the record's limits.
    void Reflect();

    const CharacterRecord &Chara() const { return *m_chara; }
    const QString &programDir() const { return m_programDir; }
    bool SoundLoaded() const { return m_soundLoaded; }
    const QByteArray &SoundData() const { return m_soundData; }
    bool linkMode() const;

    // Receives the application title ("Pelko" or "Pelko[" + name + "]").
    void setApplicationTitleHandler(std::function<void(const QString &)> handler);
    // The settings dialog and the About box, created after the window at start-up.
    void setOptionForm(SettingsDialog *option) { m_option = option; }
    void setAboutBox(AboutDialog *about) { m_about = about; }
    QuickSelectMenu *envMenu() const { return m_envMenu; }
    SheetHistory &history() const { return *m_history; }

    // The command line after the program's path; the first argument ending in ".PKD" is opened
    // when the window is first shown.
    void setStartupArguments(const QStringList &arguments);
    // A file named by "--open", opened when the window is first shown whatever the case of its
    // ending.
    void setStartupFile(const QString &path) { m_startupFile = path; }

    const QString &RouteFileName() const { return m_routeFileName; }
    const QString &currentSaveFile() const;

    // Handlers of the sheet.
    void EditNameChange();
    void EditAblMaxChange(int index);
    void EditAblChange(int index);
    void EditMoneyChange();
    void N4Click();
    void CheckListBoxFLClickCheck();

    // File commands and save files.
    void New1Click();
    void Open1Click();
    void Save1Click();
    void SaveAs1Click();
    void Exit1Click();
    void SaveFile(const QString &path);
    bool OpenFile(const QString &path);
    bool OpenOldFile(const QString &path);

    // The character report.
    void N7Click();

    // Settings and the About box.
    void N3Click();
    void About1Click();

    // The route.
    void EditNowChange();
    void ButtonAssignClick();
    void RouteCreate();
    void RouteClear();
    void RouteOutputCheck();
    void N8Click();
    void N9Click();
    void ClearButtonClick();
    void CloseButtonClick();
    void N10Click();
    void OutputButtonClick();
    void PanelRouteStartDock();
    void PanelRouteEndDock(bool floating);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void FormDestroy();
    void createMenus();
    void createSheet();
    void setTabOrderOfSheet();
    void readSound();
    void newRecord();
    void setLinkMode(bool on);
    bool NumberColumPress(QChar c) const;
    bool ParagraphColumPress(QChar c);
    void recomputeRouteFileName();
    void setWindowWidth(int width);
    void showEmptyRoute();

    std::unique_ptr<QStyle> m_style;
    IniSettings &m_settings;
    QString m_programDir;
    std::unique_ptr<CharacterRecord> m_chara;
    std::function<void(const QString &)> m_setApplicationTitle;
    QByteArray m_soundData;
    bool m_soundLoaded = false;
    bool m_shown = false;
    QStringList m_startupArguments;
    QString m_startupFile;
    QString m_soundFile;
    QString m_routeFileName;
    // How many route entries the panel shows, or -1 when it must be rebuilt: registering a
    // paragraph then only appends to the view, whatever the length of the route.
    int m_routeShown = -1;
    SettingsDialog *m_option = nullptr;
    AboutDialog *m_about = nullptr;
    QuickSelectMenu *m_envMenu = nullptr;
    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<SheetHistory> m_history;

    QWidget *m_sheet = nullptr;

    QLabel *LabelName = nullptr;
    QLineEdit *EditName = nullptr;
    QLabel *LabelMoney = nullptr;
    QLineEdit *EditMoney = nullptr;
    QLabel *LabelInventry = nullptr;
    Cp932PlainTextEdit *MemoInventry = nullptr;
    QLabel *LabelNow = nullptr;
    QLineEdit *EditNow = nullptr;
    QPushButton *ButtonAssign = nullptr;
    CheckListBox *CheckListBoxFL = nullptr;
    DiceStrip *PanelDice = nullptr;
    RoutePanel *PanelRoute = nullptr;

    // The six control lists: a control's position in its list is its ability index.
    QList<QLabel *> LabelAblList;
    QList<QLineEdit *> EditAblMaxList;
    QList<SpinButton *> UpDownAblMaxList;
    QList<QLabel *> LabelSepAblList;
    QList<QLineEdit *> EditAblList;
    QList<SpinButton *> UpDownAblList;

    QMenu *F1 = nullptr;
    QAction *New1 = nullptr;
    QAction *Open1 = nullptr;
    QAction *Save1 = nullptr;
    QAction *SaveAs1 = nullptr;
    QAction *N7 = nullptr;
    QAction *N10 = nullptr;
    QAction *Exit1 = nullptr;
    QMenu *Edit1 = nullptr;
    QAction *N4 = nullptr;
    QMenu *O1 = nullptr;
    QAction *N3 = nullptr;
    QMenu *Env = nullptr;
    QAction *N8 = nullptr;
    QAction *N9 = nullptr;
    QMenu *Help1 = nullptr;
    QAction *About1 = nullptr;
};
