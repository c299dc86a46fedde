#include "SettingsDialog.h"

#include "Cp932.h"
#include "Cp932Input.h"
#include "FlagFamilies.h"
#include "Fonts.h"
#include "IniFileName.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextCursor>

#include <algorithm>

using namespace Qt::StringLiterals;

// The dialog's controls: the file strip, the five tabs and the buttons, built at the first
// use, and how the controls of a tab answer one another.

namespace {

// A problem that is always worth telling: any refusal comes with its reason.
Cp932Input::Problem toldProblem(std::function<QString(const QString &)> problem)
{
    return [problem = std::move(problem)](const QString &text) -> std::optional<QString> {
        QString reason = problem(text);
        return reason.isEmpty() ? std::nullopt : std::optional<QString>(std::move(reason));
    };
}

// The word becomes part of a file name in the program's folder.
QString fixWordProblem(const QString &text)
{
    if (text.contains(u'/') || text.contains(u'\\'))
        return u"「/」や「\\」は使えません"_s;
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20; }))
        return u"制御文字は使えません"_s;
    const QString unheld = Cp932::unheldCharacters(text);
    return unheld.isEmpty() ? QString() : Cp932Input::refusalText(unheld);
}

void setBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
}

QString fullWidthDigit(int n)
{
    return QString(QChar(u'０' + n));
}

template <typename Widget>
Widget *place(Widget *widget, const char16_t *name, int x, int y, int width, int height)
{
    widget->setObjectName(QString::fromUtf16(name));
    widget->setGeometry(x, y, width, height);
    return widget;
}

QLabel *label(QWidget *parent, const QString &text, int x, int y)
{
    auto *result = new QLabel(text, parent);
    result->move(x, y);
    result->adjustSize();
    return result;
}

} // namespace

// The dialog is created at start-up but seldom opened: its forty controls, their texts and
// their fonts are built when they are first needed, not before the main window is drawn.
void SettingsDialog::buildControls()
{
    if (m_built)
        return;
    m_built = true;
    buildFileStrip();
    m_pages = place(new QTabWidget(this), u"PageControl", 8, 38, 264, 244);
    m_pages->addTab(buildItemTab(), u"項目"_s);
    m_pages->addTab(buildLimitTab(), u"制限"_s);
    m_pages->addTab(buildFlagTab(), u"フラグ"_s);
    m_pages->addTab(buildDiceTab(), u"ダイス"_s);
    m_pages->addTab(buildRouteTab(), u"道程"_s);
    buildButtons();

    flagFamilyChosen();
    showValues(work);
}

void SettingsDialog::buildFileStrip()
{
    m_iniList = place(new QComboBox(this), u"ComboBoxIniList", 8, 8, 156, 22);
    // When editing ends (Enter, or the field losing the focus to a button the user clicks) on
    // a text equal to an entry, the box chooses that entry and reports it as activated, as if
    // it had been picked from the drop-down: the file would then load over the user's edits
    // just before the button acts. Only a real choice loads, so such reports are let pass
    // unheeded; the flag is raised before the box hears of the end and lowered after it.
    auto *field = new QLineEdit;
    connect(field, &QLineEdit::editingFinished, this, [this] { m_fieldFinishing = true; });
    m_iniList->setLineEdit(field);
    connect(field, &QLineEdit::editingFinished, this, [this] { m_fieldFinishing = false; });
    // Enter must not add the typed name as an entry, and no completion may rewrite what the
    // user types: the field's own rule appends ".ini".
    m_iniList->setInsertPolicy(QComboBox::NoInsert);
    m_iniList->setCompleter(nullptr);
    m_iniList->setFont(Fonts::fixedPitch(12));
    m_iniList->setToolTip(u"設定ファイルの選択"_s);
    m_iniList->setAccessibleName(u"設定ファイルの選択"_s);
    Cp932Input::refuse(m_iniList->lineEdit(), toldProblem(&IniFileName::typingProblem),
                       &IniFileName::fits);
    connect(m_iniList, &QComboBox::activated, this, &SettingsDialog::fileChosen);
    connect(m_iniList->lineEdit(), &QLineEdit::textEdited, this, &SettingsDialog::fileNameEdited);

    m_iniNew = place(new QPushButton(u"新規"_s, this), u"ButtonIniNew", 170, 7, 48, 24);
    m_iniNew->setToolTip(u"入力欄をクリアする"_s);
    connect(m_iniNew, &QPushButton::clicked, this, &SettingsDialog::newFile);

    m_iniSave = place(new QPushButton(u"保存"_s, this), u"ButtonIniSave", 224, 7, 48, 24);
    connect(m_iniSave, &QPushButton::clicked, this, &SettingsDialog::saveFile);
}

QWidget *SettingsDialog::buildItemTab()
{
    auto *page = new QWidget;
    page->setObjectName(u"TabSheetItem"_s);
    label(page, u"有効"_s, 8, 4)->setObjectName(u"LabelAblEnable"_s);
    label(page, u"名称"_s, 92, 4)->setObjectName(u"LabelAblName"_s);
    label(page, u"（全角4文字以内）"_s, 124, 4)->setObjectName(u"LabelAblNote"_s);

    for (int i = 0; i < SettingsValues::AbilityCount; ++i) {
        const QString digit = fullWidthDigit(i + 1);
        const int y = 24 + 23 * i;

        auto *check = new QCheckBox(u"能力値"_s + digit, page);
        check->setObjectName(u"CheckBoxAbl%1"_s.arg(i + 1));
        check->setGeometry(8, y, 80, 20);
        check->setToolTip(u"能力値"_s + digit + u"を有効にするか否か"_s);
        connect(check, &QCheckBox::toggled, this, [this, i] { abilityTicked(i); });
        m_ablChecks[i] = check;

        auto *name = new QLineEdit(page);
        name->setObjectName(u"EditAbl%1"_s.arg(i + 1));
        name->setGeometry(92, y, 100, 20);
        name->setToolTip(u"能力値"_s + digit + u"の名称"_s);
        name->setAccessibleName(name->toolTip());
        Cp932Input::guard(name, SettingsValues::NameBytes);
        m_ablNames[i] = name;
    }
    return page;
}

QWidget *SettingsDialog::buildLimitTab()
{
    auto *page = new QWidget;
    page->setObjectName(u"TabSheetLimit"_s);
    m_over = place(new QCheckBox(u"能力値が原点を越えることを許可する"_s, page), u"CheckBoxOver", 8,
                   8, 244, 20);
    m_minus = place(new QCheckBox(u"能力値が負の値をとることを許可する"_s, page), u"CheckBoxMinus",
                    8, 32, 244, 20);
    return page;
}

QWidget *SettingsDialog::buildFlagTab()
{
    auto *page = new QWidget;
    page->setObjectName(u"TabSheetFlag"_s);

    auto *modeLabel = place(new QLabel(u"モード"_s, page), u"LabelFMode", 8, 8, 40, 16);
    m_fMode = place(new QComboBox(page), u"ComboBoxFMode", 52, 4, 128, 22);
    m_fMode->addItems({u"チェックリスト"_s, u"フラグリスト"_s});
    modeLabel->setBuddy(m_fMode);
    connect(m_fMode, &QComboBox::currentIndexChanged, this, &SettingsDialog::flagModeChosen);

    m_fFamilyLabel = place(new QLabel(u"タイプ"_s, page), u"LabelFFamily", 8, 34, 40, 16);
    m_fFamily = place(new QComboBox(page), u"ComboBoxFFamily", 52, 30, 128, 22);
    m_fFamily->addItems(FlagFamilies::names());
    m_fFamilyLabel->setBuddy(m_fFamily);
    connect(m_fFamily, &QComboBox::activated, this, &SettingsDialog::flagFamilyChosen);

    m_fStartLabel = place(new QLabel(u"開始"_s, page), u"LabelFStart", 8, 60, 40, 16);
    m_fStart = place(new QComboBox(page), u"ComboBoxFStart", 52, 56, 52, 22);
    m_fStartLabel->setBuddy(m_fStart);
    m_fEndLabel = place(new QLabel(u"終了"_s, page), u"LabelFEnd", 112, 60, 24, 16);
    m_fEnd = place(new QComboBox(page), u"ComboBoxFEnd", 138, 56, 52, 22);
    m_fEndLabel->setBuddy(m_fEnd);
    connect(m_fStart, &QComboBox::activated, this, &SettingsDialog::flagRangeChosen);
    connect(m_fEnd, &QComboBox::activated, this, &SettingsDialog::flagRangeChosen);

    m_fNew = place(new QPushButton(u"新規"_s, page), u"ButtonNew", 192, 4, 60, 24);
    connect(m_fNew, &QPushButton::clicked, this, &SettingsDialog::makeLabels);
    m_fAdd = place(new QPushButton(u"追加"_s, page), u"ButtonAdd", 192, 30, 60, 24);
    connect(m_fAdd, &QPushButton::clicked, this, &SettingsDialog::addLabels);
    m_fClear = place(new QPushButton(u"クリア"_s, page), u"ButtonClear", 192, 56, 60, 24);
    m_fClear->setToolTip(u"既存のリストをクリアする"_s);
    connect(m_fClear, &QPushButton::clicked, this, &SettingsDialog::clearLabels);

    auto *listLabel = place(new QLabel(u"項目"_s, page), u"LabelFList", 8, 84, 40, 16);
    // Labels are stored in code page 932: a character it cannot hold would come back as "?".
    m_fList = place(new Cp932PlainTextEdit(page), u"MemoFList", 8, 100, 244, 110);
    m_fList->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_fList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_fList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    listLabel->setBuddy(m_fList);
    return page;
}

QWidget *SettingsDialog::buildDiceTab()
{
    auto *page = new QWidget;
    page->setObjectName(u"TabSheetDice"_s);
    m_numDice =
        place(new QCheckBox(u"ダイスの目を数字にする"_s, page), u"CheckBoxNumDice", 8, 8, 244, 20);
    m_zeroDice = place(new QCheckBox(u"ダイスが0の目を出す事を許可する"_s, page),
                       u"CheckBoxZeroDice", 8, 32, 244, 20);
    m_centDice = place(new QCheckBox(u"2D9の時100面ダイス扱いにする"_s, page), u"CheckBoxCentDice",
                       28, 56, 224, 20);
    m_centDice->setEnabled(false);
    m_sound =
        place(new QCheckBox(u"効果音を鳴らす"_s, page), u"CheckBoxSoundEffect", 8, 80, 244, 20);
    m_variableRoll = place(new QCheckBox(u"ダイスの転がり方に変化をつける"_s, page),
                           u"CheckBoxVariableRoll", 8, 104, 244, 20);
    connect(m_zeroDice, &QCheckBox::toggled, this, &SettingsDialog::zeroDiceTicked);
    return page;
}

QWidget *SettingsDialog::buildRouteTab()
{
    auto *page = new QWidget;
    page->setObjectName(u"TabSheetRoute"_s);
    m_routePanelVisible = place(new QCheckBox(u"自動的に道程パネルを開く"_s, page),
                                u"CheckBoxRoutePanelVisible", 8, 8, 244, 20);

    auto *group = place(new QGroupBox(u"出力ファイル"_s, page), u"GroupBoxFile", 8, 34, 244, 176);
    m_fix = place(new QLineEdit(group), u"EditFix", 12, 22, 120, 20);
    m_fix->setAccessibleName(u"出力ファイル名の語"_s);
    Cp932Input::refuse(m_fix, toldProblem(&fixWordProblem));
    connect(m_fix, &QLineEdit::textChanged, this, &SettingsDialog::routeWordEdited);
    place(new QLabel(u"を"_s, group), u"LabelFix", 136, 24, 20, 16);

    const std::array<const char16_t *, 3> names{u"RadioButtonDirect", u"RadioButtonPre",
                                                u"RadioButtonSuf"};
    const std::array<QString, 3> captions{u"直接ファイル名にする"_s,
                                          u"キャラクター名の前方につける"_s,
                                          u"キャラクター名の後方につける"_s};
    for (int i = 0; i < 3; ++i) {
        m_placements[i] =
            place(new QRadioButton(captions[i], group), names[i], 12, 50 + 22 * i, 224, 20);
        connect(m_placements[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                placementChosen(i);
        });
    }

    auto *caption =
        place(new QLabel(u"出力ファイル名プレビュー"_s, group), u"LabelFileName", 12, 122, 220, 16);
    m_fileName = place(new QLineEdit(group), u"LabeledEditFileName", 12, 140, 220, 20);
    m_fileName->setReadOnly(true);
    m_fileName->setFocusPolicy(Qt::ClickFocus);
    setBackground(m_fileName, palette().color(QPalette::Button));
    caption->setBuddy(m_fileName);
    m_placements[2]->setChecked(true);
    return page;
}

void SettingsDialog::buildButtons()
{
    m_set = place(new QPushButton(u"設定(&S)"_s, this), u"btnSet", 104, 291, 80, 25);
    connect(m_set, &QPushButton::clicked, this, &SettingsDialog::applyAndClose);
    m_cancel = place(new QPushButton(u"キャンセル(&C)"_s, this), u"btnCancel", 192, 291, 80, 25);
    m_cancel->setToolTip(u"設定を反映させずにウィンドウを閉じる"_s);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Enter in the file field or a name box must neither clear the field nor write a file.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
}

void SettingsDialog::abilityTicked(int row)
{
    const bool on = m_ablChecks[row]->isChecked();
    m_ablNames[row]->setEnabled(on);
    setBackground(m_ablNames[row], palette().color(on ? QPalette::Base : QPalette::Button));
}

void SettingsDialog::zeroDiceTicked()
{
    const bool on = m_zeroDice->isChecked();
    if (!on)
        m_centDice->setChecked(false);
    m_centDice->setEnabled(on);
}

void SettingsDialog::routeWordEdited()
{
    previewRouteFileName();
}

void SettingsDialog::placementChosen(int placement)
{
    m_placement = placement;
    previewRouteFileName();
}

void SettingsDialog::flagModeChosen()
{
    const int mode = m_fMode->currentIndex();
    if (mode != 0 && mode != 1)
        return;
    const bool checkList = mode == 0;
    for (QWidget *control :
         std::initializer_list<QWidget *>{m_fAdd, m_fNew, m_fFamily, m_fStart, m_fEnd,
                                          m_fFamilyLabel, m_fStartLabel, m_fEndLabel})
        control->setEnabled(checkList);
    m_fMode->setToolTip(
        checkList
            ? u"リストを左から右へと複数列に配置します。表示しきれない部分は右側にはみ出します。"_s
            : u"リストを上から下へと一列に配置します。表示しきれない部分は下側にはみ出します。"_s);
}

void SettingsDialog::flagFamilyChosen()
{
    const QStringList characters = FlagFamilies::characters(m_fFamily->currentIndex());
    for (QComboBox *list : {m_fStart, m_fEnd}) {
        list->clear();
        list->addItems(characters);
    }
    m_fStart->setCurrentIndex(0);
    m_fEnd->setCurrentIndex(m_fEnd->count() - 1);
    flagRangeChosen();
}

void SettingsDialog::flagRangeChosen()
{
    for (QComboBox *list : {m_fStart, m_fEnd})
        list->setMaxVisibleItems(std::max(1, FlagFamilies::dropDownRows(list->count())));
    const QString range = FlagFamilies::rangeText(m_fStart->currentText(), m_fEnd->currentText());
    m_fAdd->setToolTip(FlagFamilies::addHint(range));
    m_fNew->setToolTip(FlagFamilies::newHint(range));
}

void SettingsDialog::makeLabels()
{
    m_fList->clear();
    addLabels();
}

void SettingsDialog::addLabels()
{
    const QStringList labels =
        FlagFamilies::range(FlagFamilies::characters(m_fFamily->currentIndex()),
                            m_fStart->currentIndex(), m_fEnd->currentIndex());
    if (labels.isEmpty())
        return;
    // Generated labels always start a line of their own, also after a typed last line.
    const QString text = m_fList->toPlainText();
    QString addition = text.isEmpty() || text.endsWith(u'\n') ? QString() : u"\n"_s;
    addition += labels.join(u'\n');
    QTextCursor cursor(m_fList->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(addition);
    m_fList->setTextCursor(cursor);
}

void SettingsDialog::clearLabels()
{
    m_fList->clear();
}
