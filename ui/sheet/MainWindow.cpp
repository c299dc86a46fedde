#include "MainWindow.h"

#include "AboutDialog.h"
#include "ChartCommands.h"
#include "CheckListBox.h"
#include "Cp932Input.h"
#include "DataFolderItem.h"
#include "DiceStrip.h"
#include "FileCommands.h"
#include "IniData.h"
#include "NumberText.h"
#include "ProgramDir.h"
#include "QuickSelectMenu.h"
#include "Reports.h"
#include "RoutePanel.h"
#include "RouteText.h"
#include "RulesCommands.h"
#include "SettingsDialog.h"
#include "SheetHistory.h"
#include "SheetKeyFilter.h"
#include "SheetUndo.h"
#include "SpinButton.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShowEvent>

using namespace Qt::StringLiterals;

namespace {

// Writes a number into a box and puts the caret after its last character.
void writeNumber(QLineEdit *edit, int value)
{
    const QString text = QString::number(value);
    if (edit->text() != text)
        edit->setText(text);
    edit->setCursorPosition(static_cast<int>(text.size()));
}

// The inventory box breaks lines with LF alone; the sheet keeps CR LF, as the save file does.
QString inventoryForBox(QString text)
{
    return text.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
}

} // namespace

MainWindow::MainWindow(IniSettings &settingsFiles, const QString &programDir, QWidget *parent)
    : MainWindow(settingsFiles, ProgramDir::portable(programDir), parent)
{}

MainWindow::MainWindow(IniSettings &settingsFiles, const ProgramDir &programDir, QWidget *parent)
    : QMainWindow(parent), m_settingsFiles(settingsFiles), m_programDir(programDir.path()),
      m_soundFile(programDir.soundFile())
{
    setObjectName(u"MainForm"_s);
    setWindowTitle(u"Pelko"_s);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setContextMenuPolicy(Qt::NoContextMenu);
    m_style = RoutePanel::dockSiteStyle();
    setStyle(m_style.get());
    m_menus = MainMenus::create(menuBar());
    m_quickSelect = new QuickSelectMenu(m_menus.quickSelect, m_settingsFiles, m_sheet, this);
    DataFolderItem::add(m_menus.help, m_programDir);
    createSheet();
    m_history = std::make_unique<SheetHistory>(m_sheet, m_menus.edit, this, m_programDir);
    m_files = std::make_unique<FileCommands>(
        m_sheet, *m_history, m_settingsFiles,
        DialogFolder(programDir, DialogFolder::userDocumentsDir()), this);
    connectMenus();
    connectBoxes();
    // After the boxes: a test's roll is in the history before the test's own step.
    m_rules =
        new RulesCommands(m_menus.rules, m_sheet, *m_history, m_boxes.dice, m_settingsFiles, this);
    m_charts = new ChartCommands(m_menus, m_sheet, *m_history, this);
    connect(&m_sheet, &Sheet::changed, this, &MainWindow::showParts);

    // The window is laid out for the sheet and the docked route panel; its width cuts the
    // panel's room off until the panel is docked and shown.
    setFixedSize(SheetWidth, menuBar()->sizeHint().height() + ClientHeight);
    showParts(Sheet::LinkMode);
    m_boxes.dice->loadSound(m_soundFile);
}

MainWindow::~MainWindow()
{
    // The history goes first: it watches the boxes. The window's own style goes before the
    // window does.
    m_history.reset();
    setStyle(nullptr);
}

void MainWindow::createSheet()
{
    auto *sheet = new QWidget(this);
    sheet->setObjectName(u"Sheet"_s);
    setCentralWidget(sheet);
    m_boxes = SheetBoxes::create(sheet, m_sheet.settings());
    m_routePanel = new RoutePanel(this);
    addDockWidget(Qt::RightDockWidgetArea, m_routePanel);
    m_routePanel->hide();
    QList<QWidget *> order = m_boxes.tabOrder();
    order.append(m_routePanel);
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void MainWindow::connectMenus()
{
    const MainMenus &m = m_menus;
    connect(m.newSheet, &QAction::triggered, m_files.get(), &FileCommands::newSheet);
    connect(m.open, &QAction::triggered, m_files.get(), &FileCommands::open);
    connect(m_files.get(), &FileCommands::sheetStarted, this, [this] {
        // The old sheet's text is no text of the new one's: the boxes forget their own undo.
        {
            const QScopedValueRollback painting(m_painting, true);
            m_boxes.name->setText(m_boxes.name->text());
            m_boxes.inventory->document()->clearUndoRedoStacks();
        }
        m_boxes.name->setFocus();
    });
    connect(m_files.get(), &FileCommands::sheetOpened, this,
            [this] { m_boxes.paragraph->setFocus(); });
    connect(m.save, &QAction::triggered, m_files.get(), &FileCommands::save);
    connect(m.saveAs, &QAction::triggered, m_files.get(), &FileCommands::saveAs);
    connect(m.exportCharacter, &QAction::triggered, this, &MainWindow::exportCharacterReport);
    connect(m.exportRoute, &QAction::triggered, this, &MainWindow::exportRouteReport);
    connect(m.exit, &QAction::triggered, this, &QWidget::close);
    connect(m.linkMode, &QAction::triggered, this, &MainWindow::toggleLinkMode);
    connect(m.settings, &QAction::triggered, this, &MainWindow::editSettings);
    connect(m_quickSelect, &QuickSelectMenu::settingsChosen, this,
            [this](const QString &file, const SettingsValues &values) {
                m_sheet.applySettings(file, values);
                step(SheetStep::Kind::Settings);
            });
    connect(m.showRoute, &QAction::triggered, this, &MainWindow::showRoutePanelChosen);
    connect(m.clearRoute, &QAction::triggered, this, &MainWindow::clearRoute);
    connect(m.about, &QAction::triggered, this, [this] {
        if (m_aboutDialog)
            m_aboutDialog->exec();
    });

    connect(m_routePanel, &RoutePanel::outputClicked, this, &MainWindow::exportRouteReport);
    connect(m_routePanel, &RoutePanel::clearClicked, this, &MainWindow::clearRoute);
    connect(m_routePanel, &RoutePanel::closeClicked, this, &MainWindow::closeRoutePanel);
    // The strip the panel docks into must be on screen while it is dragged.
    connect(m_routePanel, &RoutePanel::dragStarted, this, [this] { setWindowWidth(DockedWidth); });
    connect(m_routePanel, &RoutePanel::dockSettled, this, [this](bool floating) {
        setWindowWidth(floating ? SheetWidth : DockedWidth);
        m_routePanel->scrollToNewest();
    });
}

void MainWindow::connectBoxes()
{
    const SheetBoxes &b = m_boxes;
    m_keys = new SheetKeyFilter([this] { registerParagraph(); }, this);
    for (QMenu *menu : {m_menus.file, m_menus.edit, m_menus.options, m_menus.quickSelect,
                        m_menus.rules, m_menus.help})
        m_keys->watchMenu(menu);
    for (QLineEdit *box : b.numberBoxes())
        m_keys->watchNumberBox(box);
    m_keys->watchParagraphBox(b.paragraph);

    // A box reports a user's edit before its change; the step is taken once the change is in
    // the sheet.
    for (QLineEdit *box : b.numberBoxes() + QList<QLineEdit *>{b.name})
        connect(box, &QLineEdit::textEdited, this, [this, box] { m_typed = box; });
    connect(b.name, &QLineEdit::textChanged, this, [this] {
        if (m_painting)
            return;
        const QScopedValueRollback<QObject *> source(m_source, m_boxes.name);
        m_sheet.setName(m_boxes.name->text());
        boxTyped(m_boxes.name);
    });
    for (int i = 0; i < SheetBoxes::AbilityCount; ++i) {
        connect(b.origins[i], &QLineEdit::textChanged, this, [this, i] {
            numberEdited(
                m_boxes.origins[i], [this, i](int v) { m_sheet.setOrigin(i, v); },
                [this, i] { return m_sheet.record().origin(i); });
        });
        connect(b.currents[i], &QLineEdit::textChanged, this, [this, i] {
            numberEdited(
                m_boxes.currents[i], [this, i](int v) { m_sheet.setCurrent(i, v); },
                [this, i] { return m_sheet.record().current(i); });
        });
    }
    connect(b.money, &QLineEdit::textChanged, this, [this] {
        numberEdited(
            m_boxes.money, [this](int v) { m_sheet.setMoney(v); },
            [this] { return m_sheet.record().money(); });
    });
    // Typing a paragraph is no step of its own: the number goes with the next step.
    connect(b.paragraph, &QLineEdit::textChanged, this, [this] {
        numberEdited(
            m_boxes.paragraph, [this](int v) { m_sheet.setParagraph(v); },
            [this] { return m_sheet.paragraph(); });
    });
    for (const auto *spins : {&b.originSpins, &b.currentSpins}) {
        for (SpinButton *spin : *spins)
            connect(spin, &SpinButton::stepped, this,
                    [this, spin] { step(SheetStep::Kind::Spin, spin->buddy()->objectName()); });
    }
    connect(b.inventory, &QPlainTextEdit::textChanged, this, [this] {
        if (m_painting)
            return;
        const QScopedValueRollback<QObject *> source(m_source, m_boxes.inventory);
        m_sheet.setInventory(m_boxes.inventory->toPlainText().replace(u'\n', u"\r\n"_s));
        step(SheetStep::Kind::Typing, m_boxes.inventory->objectName());
    });
    connect(b.registerButton, &QPushButton::clicked, this, &MainWindow::registerParagraph);
    connect(b.flags, &CheckListBox::clickCheck, this, [this](int row) {
        m_sheet.setFlag(row, m_boxes.flags->isChecked(row));
        step(SheetStep::Kind::Flag);
    });
    connect(b.dice, &DiceStrip::rolled, m_history.get(), &SheetHistory::addDice);

    for (QWidget *box : b.tabOrder())
        m_history->watchUndoKeys(box);
}

bool MainWindow::soundLoaded() const
{
    return m_boxes.dice->soundLoaded();
}

void MainWindow::loadStartupSettings()
{
    m_sheet.applySettings(u"Default.ini"_s, m_files->settingsOrDefaults(u"Default.ini"_s));
}

void MainWindow::setApplicationTitleHandler(std::function<void(const QString &)> handler)
{
    m_setApplicationTitle = std::move(handler);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown && !event->spontaneous()) {
        m_shown = true;
        firstShown();
    }
}

void MainWindow::firstShown()
{
    m_boxes.dice->clearFaces();
    showSettings();
    m_boxes.name->setFocus();
    openStartupFile();
    // The history starts from the sheet the window first shows, a file named at start included.
    m_history->windowShown(this);
}

void MainWindow::openStartupFile()
{
    QString path = m_startupFile;
    if (path.isEmpty() && !m_startupArguments.isEmpty()) {
        // Only the first argument counts, and only with the ending ".PKD" exactly as written.
        const QString &argument = m_startupArguments.first();
        const QString lastElement = argument.mid(argument.lastIndexOf(u'/') + 1);
        const qsizetype dot = lastElement.lastIndexOf(u'.');
        if (dot >= 0 && lastElement.mid(dot) == u".PKD"_s)
            path = argument;
    }
    if (!path.isEmpty())
        m_files->openFile(path, m_startupFileSource ? m_startupFileSource(path) : path);
}

// ---- The view ------------------------------------------------------------------------------

void MainWindow::showSettings()
{
    const SettingsValues &values = m_sheet.settings();
    for (int i = 0; i < SheetBoxes::AbilityCount; ++i) {
        const bool e = values.enabled[i];
        const QString &n = values.names[i];
        m_boxes.abilityLabels[i]->setText(n);
        m_boxes.abilityLabels[i]->setVisible(e);
        const auto apply = [e, &n](QWidget *widget, const QString &what) {
            widget->setToolTip(n + what);
            // Read aloud, a space keeps the ability's name apart from what the control is.
            widget->setAccessibleName(n.isEmpty() ? what : n + u' ' + what);
            widget->setEnabled(e);
            widget->setVisible(e);
        };
        apply(m_boxes.origins[i], u"原点"_s);
        apply(m_boxes.originSpins[i], u"原点増減"_s);
        m_boxes.slashes[i]->setVisible(e);
        apply(m_boxes.currents[i], u"現在値"_s);
        apply(m_boxes.currentSpins[i], u"現在値増減"_s);
    }

    CheckListBox *flags = m_boxes.flags;
    flags->setLabels(values.flagLabels().mid(0, values.flagNumber));
    if (values.flagListMode == 0)
        flags->setColumns(CheckListBox::columnsFor(values.flagNumber));
    else if (values.flagListMode == 1)
        flags->setSingleColumn();
    const CharacterRecord &r = m_sheet.record();
    for (int i = 0; i < r.flagCount() && i < flags->count(); ++i)
        flags->setChecked(i, r.flag(i));

    m_settingsFiles.refreshList();
    m_quickSelect->rebuild();
    // The faces drawn here still follow the percentile decision made before; it is renewed
    // right after.
    m_boxes.dice->drawFaces(false);
    showName();
    m_boxes.dice->updatePercentileMode();
}

void MainWindow::showParts(Sheet::Parts parts)
{
    const QScopedValueRollback painting(m_painting, true);
    const CharacterRecord &r = m_sheet.record();
    if (parts & Sheet::Settings) {
        // A loaded or restored sheet shows its settings file's page of the quick-select menu.
        if (parts & Sheet::Restored) {
            m_settingsFiles.refreshList();
            m_quickSelect->page = m_quickSelect->pageOf(m_sheet.settingsFile());
        }
        showSettings();
    } else if (parts & Sheet::Flags) {
        for (int i = 0; i < r.flagCount() && i < m_boxes.flags->count(); ++i)
            m_boxes.flags->setChecked(i, r.flag(i));
    }
    if ((parts & Sheet::Name) && m_source != m_boxes.name) {
        if (m_boxes.name->text() != r.name())
            m_boxes.name->setText(r.name());
    }
    if (parts & (Sheet::Abilities | Sheet::Settings)) {
        for (int i = 0; i < SheetBoxes::AbilityCount && i < r.abilityCount(); ++i) {
            writeNumber(m_boxes.origins[i], r.origin(i));
            writeNumber(m_boxes.currents[i], r.current(i));
        }
    }
    if (parts & Sheet::Money)
        writeNumber(m_boxes.money, r.money());
    if ((parts & Sheet::Inventory) && m_source != m_boxes.inventory)
        m_boxes.inventory->setPlainText(inventoryForBox(r.inventory()));
    if (parts & Sheet::Paragraph)
        writeNumber(m_boxes.paragraph, m_sheet.paragraph());
    if (parts & Sheet::Route)
        showRoute(parts & Sheet::RouteReplaced);
    if (parts & Sheet::RoutePanel)
        showRoutePanel();
    if (parts & Sheet::LinkMode)
        m_menus.linkMode->setChecked(m_sheet.linkMode());
    if (parts & Sheet::SaveFile)
        m_menus.setSaveEnabled(!m_sheet.saveFile().isEmpty());
    if (parts & (Sheet::Name | Sheet::Route))
        showName();
}

// The captions that follow the name, and the route report that may depend on it.
void MainWindow::showName()
{
    const QString name = m_sheet.record().name();
    if (!name.isEmpty()) {
        setWindowTitle(u"Pelko, paired with * "_s + name + u" *"_s);
        if (m_setApplicationTitle)
            m_setApplicationTitle(u"Pelko["_s + name + u']');
    } else {
        // The application title keeps the last name, as the taskbar always has.
        setWindowTitle(u"Pelko"_s);
    }
    m_menus.exportCharacter->setEnabled(!name.isEmpty());
    const SettingsValues &values = m_sheet.settings();
    m_routeFileName = RouteText::routeFileName(values.fixWord, values.fixType, name);
    m_routePanel->setRouteFileName(m_routeFileName);
    checkRouteOutput();
}

void MainWindow::showRoute(bool replaced)
{
    m_routePanel->followRoute(m_sheet.record().routeList(), replaced);
    const bool any = m_sheet.routeCount() > 0;
    m_menus.showRoute->setEnabled(any);
    m_menus.clearRoute->setEnabled(any);
    m_routePanel->setClearEnabled(any);
}

void MainWindow::showRoutePanel()
{
    if (m_sheet.routePanelShown()) {
        if (!m_routePanel->isFloating())
            setWindowWidth(DockedWidth);
        m_routePanel->show();
        m_routePanel->scrollToNewest();
    } else {
        m_routePanel->hide();
        setWindowWidth(SheetWidth);
    }
}

void MainWindow::checkRouteOutput()
{
    const SettingsValues &values = m_sheet.settings();
    const bool allowed = RouteText::routeOutputAllowed(m_sheet.routeCount(), values.fixWord,
                                                       values.fixType, m_sheet.record().name());
    m_menus.exportRoute->setEnabled(allowed);
    m_routePanel->setOutputEnabled(allowed);
}

void MainWindow::setWindowWidth(int width)
{
    // The docked panel sits flush against the sheet; the rest of a wide window is at its right.
    setContentsMargins(0, 0, qMax(0, width - SheetWidth - RoutePanel::PanelWidth), 0);
    setFixedSize(width, height());
}

// ---- User actions --------------------------------------------------------------------------

void MainWindow::step(SheetStep::Kind kind, const QString &field)
{
    m_history->undo().commit(kind, field);
}

void MainWindow::numberEdited(QLineEdit *box, const std::function<void(int)> &store,
                              const std::function<int()> &stored)
{
    if (m_painting)
        return;
    store(NumberText::read(box->text()));
    // The box shows the number kept, normalised, with the caret after it. Written afresh, it
    // keeps no text undo of its own: the undo keys mean the sheet there.
    {
        const QScopedValueRollback painting(m_painting, true);
        box->setText(QString::number(stored()));
    }
    boxTyped(box);
}

void MainWindow::boxTyped(QObject *box)
{
    if (m_typed != box)
        return;
    m_typed = nullptr;
    step(SheetStep::Kind::Typing, box->objectName());
}

void MainWindow::registerParagraph()
{
    m_sheet.registerParagraph();
    m_boxes.paragraph->setFocus();
    step(SheetStep::Kind::Register);
}

void MainWindow::toggleLinkMode()
{
    m_sheet.toggleLinkMode();
    // The menu flipped its mark as it was chosen; the sheet decides it.
    m_menus.linkMode->setChecked(m_sheet.linkMode());
    step(SheetStep::Kind::LinkMode);
}

void MainWindow::editSettings()
{
    // Whichever way the dialog closed, the settings in force are applied again; the sheet
    // announces those the dialog put in force.
    if (!m_settingsDialog || m_settingsDialog->exec() != QDialog::Accepted)
        showSettings();
    step(SheetStep::Kind::Settings);
}

void MainWindow::showRoutePanelChosen()
{
    m_sheet.setRoutePanelShown(true);
    step(SheetStep::Kind::RoutePanel);
}

void MainWindow::clearRoute()
{
    m_sheet.clearRoute();
    step(SheetStep::Kind::ClearRoute);
}

void MainWindow::closeRoutePanel()
{
    m_sheet.setRoutePanelShown(false);
    step(SheetStep::Kind::RoutePanel);
}

void MainWindow::exportCharacterReport()
{
    Reports::exportCharacter(m_programDir, m_sheet, m_boxes.flags);
}

void MainWindow::exportRouteReport()
{
    Reports::exportRoute(m_programDir, m_routeFileName, m_sheet, m_routePanel->routeViewLines());
}
