#pragma once

#include "MainMenus.h"
#include "Sheet.h"
#include "SheetBoxes.h"
#include "SheetStep.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class AboutDialog;
class ChartCommands;
class FileCommands;
class IniSettings;
class ProgramDir;
class QuickSelectMenu;
class RulesCommands;
class RoutePanel;
class SettingsDialog;
class SheetHistory;
class SheetKeyFilter;

// The main window: a view of the one sheet, its menus, and the hub every other window is
// reached from. A box the user edits asks the sheet to change; the sheet's announcement then
// repaints the boxes, and the window writes nothing back into the sheet while it repaints.
// Each user action ends by telling the history, which takes it as one step.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int SheetWidth = 496;
    static constexpr int DockedWidth = 624;
    static constexpr int ClientHeight = 410;

    // programDir ends with a path separator; settingsFiles are the settings files found there.
    MainWindow(IniSettings &settingsFiles, const QString &programDir, QWidget *parent = nullptr);
    // The same for a program directory of either layout; the sound comes from where it says.
    MainWindow(IniSettings &settingsFiles, const ProgramDir &programDir, QWidget *parent = nullptr);
    ~MainWindow() override;

    Sheet &sheet() { return m_sheet; }
    const Sheet &sheet() const { return m_sheet; }
    FileCommands &files() const { return *m_files; }
    SheetHistory &history() const { return *m_history; }
    QuickSelectMenu *quickSelectMenu() const { return m_quickSelect; }
    RulesCommands *rules() const { return m_rules; }
    ChartCommands *charts() const { return m_charts; }
    const QString &programDir() const { return m_programDir; }
    bool soundLoaded() const;
    const QString &routeFileName() const { return m_routeFileName; }

    // Puts "Default.ini" in force, as a start does: a file that cannot be read is reported and
    // leaves the defaults.
    void loadStartupSettings();
    // Receives the application title ("Pelko" or "Pelko[" + name + "]").
    void setApplicationTitleHandler(std::function<void(const QString &)> handler);
    void setSettingsDialog(SettingsDialog *dialog) { m_settingsDialog = dialog; }
    void setAboutDialog(AboutDialog *dialog) { m_aboutDialog = dialog; }
    // The command line after the program's path; the first argument ending in ".PKD" is opened
    // when the window is first shown.
    void setStartupArguments(const QStringList &arguments) { m_startupArguments = arguments; }
    // A file named by "--open", opened when the window is first shown whatever its ending.
    void setStartupFile(const QString &path) { m_startupFile = path; }
    // Gives the path the startup file is read from, for a name given in bytes that are no text
    // (see CommandLineFiles); without it the name itself is read.
    void setStartupFileSource(std::function<QString(const QString &)> source)
    {
        m_startupFileSource = std::move(source);
    }

    // Applies the settings in force to every control that shows them, and draws fresh dice.
    void showSettings();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createSheet();
    void connectMenus();
    void connectBoxes();
    void firstShown();
    void openStartupFile();

    // The view's side of the sheet's announcements.
    void showParts(Sheet::Parts parts);
    void showName();
    void showRoute(bool replaced);
    void showRoutePanel();
    void checkRouteOutput();
    void setWindowWidth(int width);

    // User actions.
    void numberEdited(QLineEdit *box, const std::function<void(int)> &store,
                      const std::function<int()> &stored);
    void boxTyped(QObject *box);
    void registerParagraph();
    void toggleLinkMode();
    void editSettings();
    void showRoutePanelChosen();
    void clearRoute();
    void closeRoutePanel();
    void exportCharacterReport();
    void exportRouteReport();
    void step(SheetStep::Kind kind, const QString &field = {});

    Sheet m_sheet;
    IniSettings &m_settingsFiles;
    QString m_programDir;
    QString m_soundFile;
    bool m_shown = false;
    bool m_painting = false;     // the boxes are being written from the sheet
    QObject *m_typed = nullptr;  // the box the user typed into, until its step is taken
    QObject *m_source = nullptr; // the text box whose edit the sheet is announcing
    QStringList m_startupArguments;
    QString m_startupFile;
    std::function<QString(const QString &)> m_startupFileSource;
    QString m_routeFileName;
    std::function<void(const QString &)> m_setApplicationTitle;

    std::unique_ptr<QStyle> m_style;
    MainMenus m_menus;
    SheetBoxes m_boxes;
    RoutePanel *m_routePanel = nullptr;
    QuickSelectMenu *m_quickSelect = nullptr;
    RulesCommands *m_rules = nullptr;
    ChartCommands *m_charts = nullptr;
    SheetKeyFilter *m_keys = nullptr;
    SettingsDialog *m_settingsDialog = nullptr;
    AboutDialog *m_aboutDialog = nullptr;
    std::unique_ptr<SheetHistory> m_history;
    std::unique_ptr<FileCommands> m_files;
};
