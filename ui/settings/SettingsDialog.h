#pragma once

#include "IniData.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class Sheet;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

// The settings dialog. It edits a copy of the settings in force (work), saves it under
// the name in its file field, and on "設定(&S)" puts it in force; the main window then applies
// it. Created once at start-up, hidden between uses; every opening reloads it from the
// settings in force, except the flag family, which the user keeps choosing. Its controls are
// built at the first opening, or at the first call that reads or fills them.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    // The dialog edits the settings in force on sheet and puts them in force there; the
    // settings files are those of settingsFiles. soundLoaded tells whether the dice sound
    // could be read at start-up. The dialog opens centred over parent. Run it with exec().
    SettingsDialog(IniSettings &settingsFiles, Sheet &sheet, bool soundLoaded,
                   QWidget *parent = nullptr);
    ~SettingsDialog() override;

    // The copy being edited, and the file name that the hints of "保存" and "設定(&S)" name:
    // always the file they write.
    SettingsValues work;
    QString selectedFile;

    void showValues(const SettingsValues &ini);
    void readControls();
    void showFileList();
    void previewRouteFileName();

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void buildFileStrip();
    QWidget *buildItemTab();
    QWidget *buildLimitTab();
    QWidget *buildFlagTab();
    QWidget *buildDiceTab();
    QWidget *buildRouteTab();
    void buildButtons();

    void prepareForShow();
    void applyAndClose();
    void abilityTicked(int row);
    void zeroDiceTicked();
    void routeWordEdited();
    void placementChosen(int placement);
    void fileChosen(int index);
    void fileNameEdited(const QString &text);
    void newFile();
    void saveFile();

    void flagModeChosen();
    void flagFamilyChosen();
    void flagRangeChosen();
    void makeLabels();
    void addLabels();
    void clearLabels();

    void composeHints();
    QString targetFile() const;
    // False, after telling the user why, when name may not be written as a settings file.
    bool acceptsFileName(const QString &name);
    // False, after telling the user, when the flag tab holds more labels than a load reads.
    bool acceptsFlagCount();

    IniSettings &m_settings;
    Sheet &m_sheet;
    bool m_soundLoaded;
    // The ticked placement radio, or the loaded fixType when it names none of them.
    int m_placement = 2;
    // The loaded flagListMode when the mode list shows none of its two modes.
    int m_loadedFlagListMode = 0;
    bool m_built = false;
    // True while the file field reports that editing ended; see buildFileStrip.
    bool m_fieldFinishing = false;

    QComboBox *m_iniList = nullptr;
    QPushButton *m_iniNew = nullptr;
    QPushButton *m_iniSave = nullptr;
    QTabWidget *m_pages = nullptr;
    std::array<QCheckBox *, SettingsValues::AbilityCount> m_ablChecks{};
    std::array<QLineEdit *, SettingsValues::AbilityCount> m_ablNames{};
    QCheckBox *m_over = nullptr;
    QCheckBox *m_minus = nullptr;
    QComboBox *m_fMode = nullptr;
    QLabel *m_fFamilyLabel = nullptr;
    QComboBox *m_fFamily = nullptr;
    QLabel *m_fStartLabel = nullptr;
    QComboBox *m_fStart = nullptr;
    QLabel *m_fEndLabel = nullptr;
    QComboBox *m_fEnd = nullptr;
    QPlainTextEdit *m_fList = nullptr;
    QPushButton *m_fNew = nullptr;
    QPushButton *m_fAdd = nullptr;
    QPushButton *m_fClear = nullptr;
    QCheckBox *m_numDice = nullptr;
    QCheckBox *m_zeroDice = nullptr;
    QCheckBox *m_centDice = nullptr;
    QCheckBox *m_sound = nullptr;
    QCheckBox *m_variableRoll = nullptr;
    QCheckBox *m_routePanelVisible = nullptr;
    QLineEdit *m_fix = nullptr;
    std::array<QRadioButton *, 3> m_placements{};
    QLineEdit *m_fileName = nullptr;
    QPushButton *m_set = nullptr;
    QPushButton *m_cancel = nullptr;
};
