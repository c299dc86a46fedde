#include "SettingsDialog.h"

#include "Cp932.h"
#include "ErrorReport.h"
#include "FileError.h"
#include "FlagFamilies.h"
#include "IniFileName.h"
#include "RouteText.h"
#include "Sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>

#include <algorithm>

using namespace Qt::StringLiterals;

// The dialog's life and its values: opening, filling and reading the controls, the settings
// files and putting the settings in force. SettingsDialogPages.cpp builds the controls.

namespace {

QString composedHint(const QString &before, const QString &file, const QString &after)
{
    return before + u'“' + file + u'”' + after;
}

} // namespace

SettingsDialog::SettingsDialog(IniSettings &settingsFiles, Sheet &sheet, bool soundLoaded,
                               QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_settings(settingsFiles), m_sheet(sheet), m_soundLoaded(soundLoaded)
{
    setObjectName(u"OptionForm"_s);
    setWindowTitle(u"設定"_s);
    setFixedSize(280, 324);
}

SettingsDialog::~SettingsDialog()
{
    // The file field may lose the focus while the controls go, and its box would report that
    // to a dialog already half gone.
    if (m_iniList) {
        m_iniList->disconnect(this);
        m_iniList->lineEdit()->disconnect(this);
    }
}

void SettingsDialog::setVisible(bool visible)
{
    if (visible)
        buildControls();
    QDialog::setVisible(visible);
}

void SettingsDialog::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        prepareForShow();
    QDialog::showEvent(event);
}

void SettingsDialog::prepareForShow()
{
    // Over the middle of the main window, every time: the user may have moved either.
    if (QWidget *main = parentWidget()) {
        const QRect area = main->frameGeometry();
        const QSize own = frameGeometry().size();
        move(area.left() + (area.width() - own.width()) / 2,
             area.top() + (area.height() - own.height()) / 2);
    }
    m_pages->setCurrentIndex(0);
    showFileList();
    work = m_sheet.settings();
    selectedFile = m_sheet.settingsFile();
    showValues(work);
    previewRouteFileName();

    // Of two files differing in letter case only, the one the name reaches on disk is shown.
    int found = m_iniList->findText(selectedFile, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (found <= 0)
        found = m_iniList->findText(m_settings.nameOnDisk(selectedFile), Qt::MatchFixedString);
    // A file in force that is not on disk (named by a save file, or deleted since) stands in the
    // field all the same: it is the file the buttons write, never "Default.ini" in its place.
    if (found > 0) {
        m_iniList->setCurrentIndex(found);
    } else {
        m_iniList->setCurrentIndex(0);
        m_iniList->setEditText(selectedFile);
    }
    selectedFile = targetFile();
    composeHints();

    m_fStart->setCurrentIndex(0);
    m_fEnd->setCurrentIndex(m_fEnd->count() - 1);
    flagRangeChosen();
}

void SettingsDialog::showValues(const SettingsValues &ini)
{
    buildControls();
    for (int i = 0; i < SettingsValues::AbilityCount; ++i) {
        m_ablChecks[i]->setChecked(ini.enabled[i]);
        m_ablNames[i]->setText(ini.names[i]);
    }
    m_over->setChecked(ini.overLoad);
    m_minus->setChecked(ini.minusEnable);
    m_numDice->setChecked(ini.numberDice);
    // The percentile box shows its stored value even while the zero-face box disables it.
    m_zeroDice->setChecked(ini.zeroDice);
    m_centDice->setChecked(ini.percentileDice);
    m_sound->setChecked(ini.soundEffect && m_soundLoaded);
    m_sound->setEnabled(m_soundLoaded);
    m_variableRoll->setChecked(ini.variableRoll);
    m_routePanelVisible->setChecked(ini.routePanelVisible);
    m_fix->setText(ini.fixWord);

    // A placement no radio stands for leaves the radios alone and is kept as loaded.
    if (ini.fixType >= 0 && ini.fixType < int(m_placements.size()))
        m_placements[ini.fixType]->setChecked(true);
    m_placement = ini.fixType;

    m_loadedFlagListMode = ini.flagListMode;
    m_fMode->setCurrentIndex(ini.flagListMode == 0 || ini.flagListMode == 1 ? ini.flagListMode
                                                                            : -1);
    flagModeChosen();
    QString labels = ini.flagText;
    labels.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    m_fList->setPlainText(labels);

    for (int i = 0; i < SettingsValues::AbilityCount; ++i)
        abilityTicked(i);
    m_centDice->setEnabled(m_zeroDice->isChecked());
    previewRouteFileName();
}

void SettingsDialog::readControls()
{
    buildControls();
    for (int i = 0; i < SettingsValues::AbilityCount; ++i) {
        work.enabled[i] = m_ablChecks[i]->isChecked();
        work.names[i] = Cp932::cutToBytes(m_ablNames[i]->text(), SettingsValues::NameBytes);
    }
    work.overLoad = m_over->isChecked();
    work.minusEnable = m_minus->isChecked();
    work.numberDice = m_numDice->isChecked();
    work.zeroDice = m_zeroDice->isChecked();
    work.percentileDice = m_centDice->isChecked();
    work.soundEffect = m_sound->isChecked();
    work.variableRoll = m_variableRoll->isChecked();
    work.routePanelVisible = m_routePanelVisible->isChecked();
    work.fixWord = m_fix->text();
    work.fixType = m_placement;

    // A mode the list cannot show (only a hand-edited file holds one) is kept as loaded.
    work.flagListMode =
        m_fMode->currentIndex() >= 0 ? m_fMode->currentIndex() : m_loadedFlagListMode;
    const FlagFamilies::Labels labels = FlagFamilies::labelsFromText(m_fList->toPlainText());
    work.flagNumber = labels.count;
    work.flagText = labels.text;
}

void SettingsDialog::showFileList()
{
    buildControls();
    m_settings.refreshList();
    QStringList names =
        m_settings.files.isEmpty() ? QStringList{IniFileName::defaultName()} : m_settings.files;
    std::stable_sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });

    const QString typed = m_iniList->currentText();
    m_iniList->clear();
    m_iniList->addItem(QString());
    m_iniList->addItems(names);
    m_iniList->setEditText(typed);
}

void SettingsDialog::previewRouteFileName()
{
    buildControls();
    // The export's own rule; only the preview stands in a placeholder for an empty name.
    QString name = m_sheet.record().name();
    if (name.isEmpty())
        name = u"（キャラクター名）"_s;
    m_fileName->setText(RouteText::routeFileName(m_fix->text(), m_placement, name));
}

void SettingsDialog::composeHints()
{
    m_iniSave->setToolTip(composedHint(u"設定を"_s, selectedFile, u"というファイル名で保存する"_s));
    m_set->setToolTip(composedHint(u"設定を"_s, selectedFile,
                                   u"というファイル名で保存し、メインウィンドウに反映させる"_s));
}

QString SettingsDialog::targetFile() const
{
    return IniFileName::target(m_iniList->currentText());
}

bool SettingsDialog::acceptsFileName(const QString &name)
{
    // A file the program lists is an entry of its folder, whatever its name: it may have been
    // named by hand, longer than the field lets a name be typed.
    m_settings.refreshList();
    if (m_settings.files.contains(name))
        return true;
    const QString problem = IniFileName::problem(name);
    if (problem.isEmpty())
        return true;
    QMessageBox box(QMessageBox::Warning, u"警告"_s, problem, QMessageBox::Ok, this);
    box.setObjectName(u"FileNameWarning"_s);
    box.exec();
    return false;
}

bool SettingsDialog::acceptsFlagCount()
{
    // Loading reads no more labels than MaxFlagNumber: the rest would be lost at the next load.
    const int count = FlagFamilies::labelsFromText(m_fList->toPlainText()).count;
    if (count <= MaxFlagNumber)
        return true;
    QMessageBox box(
        QMessageBox::Warning, u"警告"_s,
        u"フラグの項目は%1個までです（いまは%2個あります）。"_s.arg(MaxFlagNumber).arg(count),
        QMessageBox::Ok, this);
    box.setObjectName(u"FlagCountWarning"_s);
    box.exec();
    return false;
}

void SettingsDialog::applyAndClose()
{
    const QString target = targetFile();
    if (!acceptsFileName(target) || !acceptsFlagCount())
        return;
    selectedFile = target;
    readControls();
    // The values are in force whether or not they reach the disk.
    m_sheet.applySettings(target, work);
    try {
        m_settings.save(work, target);
    } catch (const FileError &error) {
        PelkoApplication::showError(error.message());
    }
    accept();
}

void SettingsDialog::fileChosen(int index)
{
    if (m_fieldFinishing)
        return;
    if (index > 0) {
        selectedFile = m_iniList->itemText(index);
        QString notice;
        try {
            m_settings.load(work, selectedFile, &notice);
            showValues(work);
        } catch (const FileError &error) {
            PelkoApplication::showError(error.message());
        }
        PelkoApplication::showNotice(notice);
    }
    // The empty entry leaves the field empty: "Default.ini" is then the file written.
    selectedFile = targetFile();
    composeHints();
}

void SettingsDialog::fileNameEdited(const QString &text)
{
    if (text.right(4).toLower() != u".ini"_s) {
        QLineEdit *edit = m_iniList->lineEdit();
        edit->setText(text + u".ini"_s);
        edit->setCursorPosition(int(text.size()));
    }
    selectedFile = targetFile();
    composeHints();
}

void SettingsDialog::newFile()
{
    m_iniList->setCurrentIndex(0);
    m_iniList->setEditText(QString());
    // The empty field writes "Default.ini", and the hints say so.
    selectedFile = targetFile();
    composeHints();
}

void SettingsDialog::saveFile()
{
    const QString target = targetFile();
    if (!acceptsFileName(target) || !acceptsFlagCount())
        return;
    readControls();
    try {
        m_settings.save(work, target);
    } catch (const FileError &error) {
        PelkoApplication::showError(error.message());
        return;
    }
    showFileList();
}
