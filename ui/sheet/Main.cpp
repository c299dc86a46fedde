#include "Main.h"

#include "AboutDialog.h"
#include "CharacterRecord.h"
#include "CharacterReport.h"
#include "CheckListBox.h"
#include "Cp932Input.h"
#include "DataFolderItem.h"
#include "DiceStrip.h"
#include "EditingKeys.h"
#include "FileCommands.h"
#include "Fonts.h"
#include "IniData.h"
#include "NumberText.h"
#include "ProgramDir.h"
#include "QuickSelectMenu.h"
#include "RoutePanel.h"
#include "RouteText.h"
#include "SettingsDialog.h"
#include "SheetHistory.h"
#include "SheetUndo.h"
#include "SpinButton.h"
#include "TextReport.h"
#include "WholeFile.h"

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int AbilityCount = 8;
constexpr int FirstRowTop = 56;
constexpr int RowPitch = 24;

// The spin buttons of the origins keep the names they have always had, lower-case "max" and all.
const char16_t *const OriginSpinNames[AbilityCount] = {
    u"UpDownAbl1Max", u"UpDownAbl2max", u"UpDownAbl3Max", u"UpDownAbl4max",
    u"UpDownAbl5Max", u"UpDownAbl6Max", u"UpDownAbl7max", u"UpDownAbl8Max"};

template <typename W>
W *place(W *widget, const QString &name, int left, int top, int width = -1, int height = -1)
{
    widget->setObjectName(name);
    if (width < 0)
        widget->move(left, top);
    else
        widget->setGeometry(left, top, width, height);
    return widget;
}

// A label's top is that of the 20-pixel box beside it, its text centred on the box's height.
QLabel *label(QWidget *parent, const QString &name, const QString &caption, int left, int top)
{
    auto *widget = place(new QLabel(caption, parent), name, left, top);
    widget->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    widget->adjustSize();
    widget->setFixedHeight(20);
    return widget;
}

QLineEdit *numberBox(QWidget *parent, const QString &name, const QString &hint, int left, int top,
                     int width)
{
    auto *edit = place(new QLineEdit(u"0"_s, parent), name, left, top, width, 20);
    edit->setToolTip(hint);
    // Only single-byte digits are typed here: no input method.
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    return edit;
}

SpinButton *spinButton(QWidget *parent, const QString &name, QLineEdit *buddy, int left, int top)
{
    auto *spin = place(new SpinButton(parent), name, left, top, 13, 20);
    spin->setBuddy(buddy);
    spin->setRange(-32767, 32767);
    return spin;
}

// Writes a number into a box and puts the caret after its last character. Writing a text that
// differs runs the box's change handler at once, nested inside the caller.
void writeNumber(QLineEdit *edit, int value)
{
    edit->setText(QString::number(value));
    edit->setCursorPosition(static_cast<int>(edit->text().size()));
}

QAction *menuItem(QMenu *menu, const QString &name, const QString &caption, bool enabled = true)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    action->setEnabled(enabled);
    return action;
}

void separator(QMenu *menu, const QString &name)
{
    menu->addSeparator()->setObjectName(name);
}

// A letter that several items of a menu share moves the selection among them, and Return
// chooses. Qt counts disabled items among them but cannot select one: while "保存(&S)" is
// disabled, S would reach neither it nor the route export sharing its letter. Here the letter
// moves among the enabled items alone; a menu without disabled sharers is left to Qt.
bool selectBySharedMnemonic(QMenu *menu, const QKeyEvent *key)
{
    if (key->text().size() != 1 ||
        (key->modifiers() & ~(Qt::ShiftModifier | Qt::AltModifier | Qt::KeypadModifier)))
        return false;
    const int letter = key->text().front().toUpper().unicode();
    QList<QAction *> enabled;
    int sharers = 0;
    for (QAction *action : menu->actions()) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        const QKeySequence mnemonic = QKeySequence::mnemonic(action->text());
        if (mnemonic.isEmpty() || (mnemonic[0].toCombined() & 0xFFFF) != letter)
            continue;
        ++sharers;
        if (action->isEnabled())
            enabled.append(action);
    }
    if (sharers < 2 || enabled.isEmpty() || enabled.size() == sharers)
        return false;
    const qsizetype at = enabled.indexOf(menu->activeAction());
    menu->setActiveAction(enabled[(at + 1) % enabled.size()]);
    return true;
}

} // namespace

TMainForm::TMainForm(IniSettings &settings, const QString &programDir, QWidget *parent)
    : TMainForm(settings, ProgramDir::portable(programDir), parent)
{}

TMainForm::TMainForm(IniSettings &settings, const ProgramDir &programDir, QWidget *parent)
    : QMainWindow(parent), m_settings(settings), m_programDir(programDir.path()),
      m_soundFile(programDir.soundFile())
{
    setObjectName(u"MainForm"_s);
    setWindowTitle(u"Pelko"_s);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setContextMenuPolicy(Qt::NoContextMenu);
    m_style = RoutePanel::dockSiteStyle();
    setStyle(m_style.get());
    m_files = std::make_unique<FileCommands>(*this);
    createMenus();
    createSheet();
    FormCreate();
    m_history = std::make_unique<SheetHistory>(*this);
}

TMainForm::~TMainForm()
{
    FormDestroy();
}

void TMainForm::FormDestroy()
{
    // The window's own style goes before the window does; the record, the control lists and
    // the quick-select items go with their owners.
    setStyle(nullptr);
    m_soundData.clear();
}

void TMainForm::FormCreate()
{
    // The window is laid out for the sheet and the docked route panel; its width cuts the
    // panel's room off until the panel is docked and shown.
    setFixedSize(SheetWidth, menuBar()->sizeHint().height() + ClientHeight);
    newRecord();
    setLinkMode(true);
    readSound();
}

void TMainForm::newRecord()
{
    m_chara = std::make_unique<CharacterRecord>();
    m_chara->setAbilityCount(AbilityCount);
    m_chara->setRouteCount(0);
    m_chara->setRouteAt(0, 0);
}

void TMainForm::readSound()
{
    QFile file;
    m_soundLoaded = openRegularFile(file, m_soundFile);
    if (m_soundLoaded) {
        m_soundData = file.readAll();
        m_soundLoaded = file.error() == QFileDevice::NoError;
    }
    if (m_soundLoaded)
        PanelDice->setSound(m_soundData);
    if (!m_soundLoaded) {
        m_soundData.clear();
        QMessageBox box(
            QMessageBox::Critical, u"エラー"_s,
            u"効果音ファイルを読みこめませんでした。ダイスロール時には効果音は鳴りません。"
            u"また、“効果音を鳴らす”オプションは使用不可になります。"_s,
            QMessageBox::Ok);
        box.setObjectName(u"SoundError"_s);
        box.exec();
    }
}

void TMainForm::createMenus()
{
    F1 = menuBar()->addMenu(u"ファイル(&F)"_s);
    F1->setObjectName(u"F1"_s);
    New1 = menuItem(F1, u"New1"_s, u"新規作成(&N)"_s);
    Open1 = menuItem(F1, u"Open1"_s, u"開く(&O)"_s);
    separator(F1, u"N1"_s);
    Save1 = menuItem(F1, u"Save1"_s, u"保存(&S)"_s, false);
    SaveAs1 = menuItem(F1, u"SaveAs1"_s, u"名前をつけて保存(&A)"_s);
    separator(F1, u"N2"_s);
    N7 = menuItem(F1, u"N7"_s, u"データをテキストファイルに書き出す(&D)"_s, false);
    N10 = menuItem(F1, u"N10"_s, u"道程をテキストファイルに書き出す(&S)"_s, false);
    separator(F1, u"N5"_s);
    Exit1 = menuItem(F1, u"Exit1"_s, u"終了(&X)"_s);
    connect(New1, &QAction::triggered, this, &TMainForm::New1Click);
    connect(Open1, &QAction::triggered, this, &TMainForm::Open1Click);
    connect(Save1, &QAction::triggered, this, &TMainForm::Save1Click);
    connect(SaveAs1, &QAction::triggered, this, &TMainForm::SaveAs1Click);
    connect(N7, &QAction::triggered, this, &TMainForm::N7Click);
    connect(N10, &QAction::triggered, this, &TMainForm::N10Click);
    connect(Exit1, &QAction::triggered, this, &TMainForm::Exit1Click);

    Edit1 = menuBar()->addMenu(u"編集(&E)"_s);
    Edit1->setObjectName(u"Edit1"_s);
    N4 = menuItem(Edit1, u"N4"_s, u"現在値を原点にそろえる(&M)"_s);
    N4->setCheckable(true);
    // The menu flips a checkable item's mark before it reports the click; link mode decides
    // from the state before the click, so the mark is put back and N4Click flips it.
    connect(N4, &QAction::triggered, this, [this](bool checked) {
        N4->setChecked(!checked);
        N4Click();
    });

    O1 = menuBar()->addMenu(u"オプション(&O)"_s);
    O1->setObjectName(u"O1"_s);
    N3 = menuItem(O1, u"N3"_s, u"環境設定(&E)"_s);
    connect(N3, &QAction::triggered, this, &TMainForm::N3Click);
    Env = O1->addMenu(u"簡易選択(&S)"_s);
    Env->setObjectName(u"Env"_s);
    Env->menuAction()->setObjectName(u"EnvAction"_s);
    Env->setEnabled(false);
    m_envMenu = new QuickSelectMenu(Env, m_settings, this);
    connect(m_envMenu, &QuickSelectMenu::settingsChosen, this, &TMainForm::Reflect);
    separator(O1, u"N6"_s);
    N8 = menuItem(O1, u"N8"_s, u"道程を見る(&L)"_s, false);
    N9 = menuItem(O1, u"N9"_s, u"道程をクリアする(&C)"_s, false);
    connect(N8, &QAction::triggered, this, &TMainForm::N8Click);
    connect(N9, &QAction::triggered, this, &TMainForm::N9Click);

    Help1 = menuBar()->addMenu(u"ヘルプ(&H)"_s);
    Help1->setObjectName(u"Help1"_s);
    About1 = menuItem(Help1, u"About1"_s, u"バージョン情報(&A)"_s);
    connect(About1, &QAction::triggered, this, &TMainForm::About1Click);
    DataFolderItem::add(Help1, m_programDir);

    for (QMenu *menu : {F1, Edit1, O1, Env, Help1})
        menu->installEventFilter(this);
}

void TMainForm::createSheet()
{
    m_sheet = new QWidget(this);
    m_sheet->setObjectName(u"Sheet"_s);
    setCentralWidget(m_sheet);
    QWidget *sheet = m_sheet;

    LabelName = label(sheet, u"LabelName"_s, u"名前"_s, 8, 8);
    EditName = place(new QLineEdit(sheet), u"EditName"_s, 64, 8, 153, 20);
    EditName->setToolTip(u"キャラクターの名前"_s);
    Cp932Input::guard(EditName, CharacterRecord::NameBytes);
    connect(EditName, &QLineEdit::textChanged, this, &TMainForm::EditNameChange);

    const QString fullWidthDigits = u"１２３４５６７８"_s;
    for (int i = 0; i < AbilityCount; ++i) {
        const int top = FirstRowTop + RowPitch * i;
        const QString n = QString::number(i + 1);
        auto *name = label(sheet, u"LabelAbl"_s + n, u"能力値"_s + fullWidthDigits[i], 8, top);
        name->setFixedWidth(64);
        auto *origin = numberBox(sheet, u"EditAbl%1Max"_s.arg(n), u"原点"_s, 88, top, 40);
        auto *originSpin =
            spinButton(sheet, QString::fromUtf16(OriginSpinNames[i]), origin, 128, top);
        auto *slash = label(sheet, u"LabelSepAbl"_s + n, u"/"_s, 149, top);
        auto *current = numberBox(sheet, u"EditAbl"_s + n, u"現在値"_s, 165, top, 40);
        auto *currentSpin = spinButton(sheet, u"UpDownAbl"_s + n, current, 205, top);

        LabelAblList.append(name);
        EditAblMaxList.append(origin);
        UpDownAblMaxList.append(originSpin);
        LabelSepAblList.append(slash);
        EditAblList.append(current);
        UpDownAblList.append(currentSpin);

        origin->installEventFilter(this);
        current->installEventFilter(this);
        connect(origin, &QLineEdit::textChanged, this, [this, i] { EditAblMaxChange(i); });
        connect(current, &QLineEdit::textChanged, this, [this, i] { EditAblChange(i); });
    }

    LabelMoney = label(sheet, u"LabelMoney"_s, u"所持金"_s, 8, 264);
    EditMoney = numberBox(sheet, u"EditMoney"_s, u"所持金記入欄"_s, 72, 264, 145);
    EditMoney->installEventFilter(this);
    connect(EditMoney, &QLineEdit::textChanged, this, &TMainForm::EditMoneyChange);

    LabelInventry = label(sheet, u"LabelInventry"_s, u"所持品"_s, 240, 8);
    MemoInventry = place(new Cp932PlainTextEdit(sheet), u"MemoInventry"_s, 240, 40, 241, 209);
    MemoInventry->setToolTip(u"所持品記入欄"_s);
    MemoInventry->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoInventry->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MemoInventry->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MemoInventry->setTabChangesFocus(true);

    LabelNow = label(sheet, u"LabelNow"_s, u"現在のパラグラフ"_s, 240, 264);
    EditNow = place(new QLineEdit(u"0"_s, sheet), u"EditNow"_s, 384, 264, 57, 20);
    EditNow->setToolTip(u"現在地記入欄"_s);
    Cp932Input::limitTyping(EditNow, 4);
    EditNow->setFont(Fonts::fixedPitch(12, true));
    EditNow->setAttribute(Qt::WA_InputMethodEnabled, false);
    ButtonAssign = place(new QPushButton(u"登録"_s, sheet), u"ButtonAssign"_s, 448, 264, 33, 17);
    ButtonAssign->setToolTip(u"道程に登録する"_s);
    EditNow->installEventFilter(this);
    connect(EditNow, &QLineEdit::textChanged, this, &TMainForm::EditNowChange);
    connect(ButtonAssign, &QPushButton::clicked, this, &TMainForm::ButtonAssignClick);

    CheckListBoxFL = place(new CheckListBox(sheet), u"CheckListBoxFL"_s, 0, 294, 489, 66);
    connect(CheckListBoxFL, &CheckListBox::clickCheck, this, &TMainForm::CheckListBoxFLClickCheck);

    PanelDice = new DiceStrip(m_settings.IniData, sheet);
    PanelDice->move(0, 370);

    PanelRoute = new RoutePanel(this);
    addDockWidget(Qt::RightDockWidgetArea, PanelRoute);
    PanelRoute->hide();
    connect(PanelRoute, &RoutePanel::outputClicked, this, &TMainForm::OutputButtonClick);
    connect(PanelRoute, &RoutePanel::clearClicked, this, &TMainForm::ClearButtonClick);
    connect(PanelRoute, &RoutePanel::closeClicked, this, &TMainForm::CloseButtonClick);
    connect(PanelRoute, &RoutePanel::dragStarted, this, &TMainForm::PanelRouteStartDock);
    connect(PanelRoute, &RoutePanel::dockSettled, this, &TMainForm::PanelRouteEndDock);

    // Read aloud, the other boxes are called by their hints.
    for (QWidget *box : QList<QWidget *>{EditName, EditMoney, MemoInventry, EditNow})
        box->setAccessibleName(box->toolTip());
    CheckListBoxFL->setAccessibleName(u"フラグ"_s);
    setTabOrderOfSheet();
}

void TMainForm::setTabOrderOfSheet()
{
    QList<QWidget *> order{EditName};
    for (QLineEdit *edit : EditAblMaxList)
        order.append(edit);
    for (QLineEdit *edit : EditAblList)
        order.append(edit);
    order << EditMoney << MemoInventry << EditNow << ButtonAssign << CheckListBoxFL << PanelRoute;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TMainForm::setApplicationTitleHandler(std::function<void(const QString &)> handler)
{
    m_setApplicationTitle = std::move(handler);
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown && !event->spontaneous()) {
        m_shown = true;
        FormShow();
        m_history->windowShown();
    }
}

void TMainForm::setStartupArguments(const QStringList &arguments)
{
    m_startupArguments = arguments;
}

void TMainForm::FormShow()
{
    PanelDice->clearFaces();
    Reflect();
    EditName->setFocus();
    if (!m_startupFile.isEmpty()) {
        OpenFile(m_startupFile);
        return;
    }
    if (m_startupArguments.isEmpty())
        return;
    // Only the first argument counts, and only with the ending ".PKD" exactly as written.
    const QString &argument = m_startupArguments.first();
    const QString lastElement = argument.mid(argument.lastIndexOf(u'/') + 1);
    const qsizetype dot = lastElement.lastIndexOf(u'.');
    if (dot >= 0 && lastElement.mid(dot) == u".PKD"_s)
        OpenFile(argument);
}

void TMainForm::Reflect()
{
    const SettingsValues &ini = m_settings.IniData;

    for (int i = 0; i < EditAblMaxList.size(); ++i) {
        const bool e = ini.enabled[i];
        const QString &n = ini.names[i];
        LabelAblList[i]->setText(n);
        LabelAblList[i]->setVisible(e);
        const auto apply = [e, &n](QWidget *widget, const QString &what) {
            widget->setToolTip(n + what);
            // Read aloud, a space keeps the ability's name apart from what the control is.
            widget->setAccessibleName(n.isEmpty() ? what : n + u' ' + what);
            widget->setEnabled(e);
            widget->setVisible(e);
        };
        apply(EditAblMaxList[i], u"原点"_s);
        apply(UpDownAblMaxList[i], u"原点増減"_s);
        LabelSepAblList[i]->setVisible(e);
        apply(EditAblList[i], u"現在値"_s);
        apply(UpDownAblList[i], u"現在値増減"_s);
    }

    recomputeRouteFileName();

    m_chara->setOverLoad(ini.overLoad);
    m_chara->setMinusEnable(ini.minusEnable);
    m_chara->setFlagCount(ini.flagNumber);

    CheckListBoxFL->setLabels(ini.flagLabels().mid(0, ini.flagNumber));
    if (ini.flagListMode == 0)
        CheckListBoxFL->setColumns(CheckListBox::columnsFor(ini.flagNumber));
    else if (ini.flagListMode == 1)
        CheckListBoxFL->setSingleColumn();
    for (int i = 0; i < m_chara->flagCount() && i < CheckListBoxFL->count(); ++i)
        CheckListBoxFL->setChecked(i, m_chara->flag(i));

    m_settings.refreshList();
    m_envMenu->rebuild();
    // The faces drawn here still follow the percentile decision made before; it is renewed
    // right after.
    PanelDice->drawFaces(false);
    RouteOutputCheck();
    PanelDice->updatePercentileMode();
}

bool TMainForm::linkMode() const
{
    return N4->isChecked();
}

void TMainForm::setLinkMode(bool on)
{
    N4->setChecked(on);
}

void TMainForm::EditNameChange()
{
    m_chara->setName(EditName->text());
    const QString name = m_chara->name();
    if (!name.isEmpty()) {
        setWindowTitle(u"Pelko, paired with * "_s + name + u" *"_s);
        if (m_setApplicationTitle)
            m_setApplicationTitle(u"Pelko["_s + name + u']');
        N7->setEnabled(true);
    } else {
        // The application title keeps the last name, as the taskbar always has.
        setWindowTitle(u"Pelko"_s);
        N7->setEnabled(false);
    }
    recomputeRouteFileName();
    RouteOutputCheck();
}

void TMainForm::EditAblMaxChange(int index)
{
    const int v = NumberText::read(EditAblMaxList[index]->text());
    m_chara->setOrigin(index, v);
    if (linkMode())
        m_chara->setCurrent(index, v);
    writeNumber(EditAblMaxList[index], m_chara->origin(index));
    writeNumber(EditAblList[index], m_chara->current(index));
}

void TMainForm::EditAblChange(int index)
{
    m_chara->setCurrent(index, NumberText::read(EditAblList[index]->text()));
    writeNumber(EditAblList[index], m_chara->current(index));
}

void TMainForm::EditMoneyChange()
{
    m_chara->setMoney(NumberText::read(EditMoney->text()));
    writeNumber(EditMoney, m_chara->money());
}

void TMainForm::N4Click()
{
    const bool wasOn = linkMode();
    if (!wasOn) {
        for (int i = 0; i < EditAblList.size(); ++i)
            EditAblList[i]->setText(EditAblMaxList[i]->text());
    }
    setLinkMode(!wasOn);
}

void TMainForm::CheckListBoxFLClickCheck()
{
    for (int i = 0; i < CheckListBoxFL->count() && i < m_chara->flagCount(); ++i)
        m_chara->setFlag(i, CheckListBoxFL->isChecked(i));
}

bool TMainForm::NumberColumPress(QChar c) const
{
    return NumberText::isAcceptedKey(c);
}

bool TMainForm::ParagraphColumPress(QChar c)
{
    if (c == u'\r' || c == u'\n') {
        ButtonAssignClick();
        return false;
    }
    return NumberText::isAcceptedKey(c);
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (auto *menu = qobject_cast<QMenu *>(watched)) {
        if (event->type() == QEvent::KeyPress &&
            selectBySharedMnemonic(menu, static_cast<QKeyEvent *>(event)))
            return true;
        return QMainWindow::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (!EditingKeys::isEditingShortcut(key)) {
        // Every character a key would type must pass, whatever modifier is held: the box takes
        // Alt+A as an "a", and a character beyond the BMP comes as two halves, neither a digit.
        const QString typed = key->text();
        if (!std::all_of(typed.begin(), typed.end(), [this, watched](QChar c) {
                return watched == EditNow ? ParagraphColumPress(c) : NumberColumPress(c);
            }))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::setWindowWidth(int width)
{
    // The docked panel sits flush against the sheet; the rest of a wide window is at its right.
    setContentsMargins(0, 0, qMax(0, width - SheetWidth - RoutePanel::PanelWidth), 0);
    setFixedSize(width, height());
}

// ---- File commands -------------------------------------------------------------------------

void TMainForm::New1Click()
{
    m_files->newSheet();
}

void TMainForm::Open1Click()
{
    m_files->open();
}

void TMainForm::Save1Click()
{
    m_files->save();
}

void TMainForm::SaveAs1Click()
{
    m_files->saveAs();
}

void TMainForm::Exit1Click()
{
    close();
}

void TMainForm::SaveFile(const QString &path)
{
    m_files->saveFile(path);
}

bool TMainForm::OpenFile(const QString &path)
{
    return m_files->openFile(path);
}

bool TMainForm::OpenOldFile(const QString &path)
{
    return m_files->openOldFile(path);
}

const QString &TMainForm::currentSaveFile() const
{
    return m_files->currentSaveFile();
}

// ---- Character report ----------------------------------------------------------------------

void TMainForm::N7Click()
{
    CharacterReportData report = CharacterReportData::fromRecord(*m_chara, m_settings.IniData);
    report.inventory = MemoInventry->toPlainText();
    for (int i = 0; i < CheckListBoxFL->count(); ++i)
        report.flags.append({CheckListBoxFL->item(i)->text(), CheckListBoxFL->isChecked(i)});
    TextReport::write(m_programDir, CharacterReport::fileName(m_chara->name()),
                      CharacterReport::lines(report));
}

// ---- Settings and the About box ---------------------------------------------------------

void TMainForm::N3Click()
{
    if (m_option)
        m_option->exec();
    // Whichever way the dialog closed, the settings in force are applied again and every
    // current value is brought under the limits now in force.
    Reflect();
    for (int i = 0; i < EditAblList.size(); ++i)
        EditAblChange(i);
}

void TMainForm::About1Click()
{
    if (m_about)
        m_about->exec();
}

// ---- Route ---------------------------------------------------------------------------------

void TMainForm::EditNowChange()
{
    // A paragraph is never negative: pasted negative text counts as 0 like any other junk, so
    // it can never be registered as a large unsigned number.
    const int value = qMax(NumberText::read(EditNow->text()), 0);
    writeNumber(EditNow, value);
}

void TMainForm::ButtonAssignClick()
{
    const int p = NumberText::read(EditNow->text());
    if (p > 0 && p <= 0xFFFF && p != m_chara->routeAt(m_chara->routeCount())) {
        m_chara->setRouteCount(m_chara->routeCount() + 1);
        m_chara->setRouteAt(m_chara->routeCount(), static_cast<std::uint16_t>(p));
        RouteCreate();
        N8->setEnabled(true);
        N9->setEnabled(true);
        PanelRoute->setClearEnabled(true);
        if (m_settings.IniData.routePanelVisible)
            N8Click();
    }
    RouteOutputCheck();
    EditNow->clear();
    EditNow->setFocus();
    m_history->undo().commit(SheetStep::Kind::Register);
}

void TMainForm::RouteCreate()
{
    const int count = m_chara->routeCount();
    // The view is brought up to the route; a rebuild gives the same lines as an append.
    if (m_routeShown == count - 1 && m_routeShown >= 0)
        PanelRoute->appendParagraph(m_chara->routeAt(count));
    else if (m_routeShown != count)
        PanelRoute->setRoute(RouteText::routeOf(*m_chara));
    m_routeShown = count;
    PanelRoute->scrollToNewest();
    recomputeRouteFileName();
}

void TMainForm::RouteClear()
{
    for (int i = 1; i <= m_chara->routeCount(); ++i)
        m_chara->setRouteAt(i, 0);
    m_chara->setRouteCount(0);
    m_chara->setRouteAt(0, 0);
    setWindowWidth(SheetWidth);
    PanelRoute->hide();
    N8->setEnabled(false);
    N9->setEnabled(false);
    N10->setEnabled(false);
    PanelRoute->setOutputEnabled(false);
    PanelRoute->setClearEnabled(false);
    PanelRoute->clearRoute();
    m_routeShown = 0;
    EditNow->clear();
}

void TMainForm::showEmptyRoute()
{
    // A loaded sheet without a route shows no panel: a panel left open would be squeezed out of
    // the narrowed window.
    PanelRoute->clearRoute();
    m_routeShown = 0;
    EditNow->clear();
    N8->setEnabled(false);
    N9->setEnabled(false);
    PanelRoute->setClearEnabled(false);
    PanelRoute->hide();
    setWindowWidth(SheetWidth);
}

void TMainForm::RouteOutputCheck()
{
    const SettingsValues &ini = m_settings.IniData;
    const bool allowed = RouteText::routeOutputAllowed(m_chara->routeCount(), ini.fixWord,
                                                       ini.fixType, m_chara->name());
    N10->setEnabled(allowed);
    PanelRoute->setOutputEnabled(allowed);
}

void TMainForm::recomputeRouteFileName()
{
    m_routeFileName = RouteText::routeFileName(m_settings.IniData.fixWord,
                                               m_settings.IniData.fixType, m_chara->name());
    PanelRoute->setRouteFileName(m_routeFileName);
}

void TMainForm::N8Click()
{
    RouteCreate();
    if (!PanelRoute->isFloating())
        setWindowWidth(DockedWidth);
    PanelRoute->show();
}

void TMainForm::N9Click()
{
    RouteClear();
}

void TMainForm::ClearButtonClick()
{
    RouteClear();
}

void TMainForm::CloseButtonClick()
{
    PanelRoute->hide();
    setWindowWidth(SheetWidth);
}

void TMainForm::N10Click()
{
    TextReport::write(m_programDir, m_routeFileName,
                      RouteText::routeReportLines(m_chara->name(), PanelRoute->routeViewLines()));
}

void TMainForm::OutputButtonClick()
{
    N10Click();
}

void TMainForm::PanelRouteStartDock()
{
    // The strip the panel docks into must be on screen while it is dragged.
    setWindowWidth(DockedWidth);
}

void TMainForm::PanelRouteEndDock(bool floating)
{
    setWindowWidth(floating ? SheetWidth : DockedWidth);
    PanelRoute->scrollToNewest();
}
