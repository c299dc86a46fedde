#include "RulesCommands.h"

#include "CombatWindow.h"
#include "Dice.h"
#include "DiceStrip.h"
#include "ErrorReport.h"
#include "FacesDialog.h"
#include "FileError.h"
#include "IniData.h"
#include "RulesDialog.h"
#include "Sheet.h"
#include "SheetHistory.h"
#include "SheetUndo.h"
#include "WholeFile.h"

#include <QAction>
#include <QFile>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace {

enum : int { CombatId = -1, EnterFacesId = -2, EditId = -3 };

QAction *command(QObject *owner, const QString &name, const QString &text, int id)
{
    auto *action = new QAction(text, owner);
    action->setObjectName(name);
    action->setData(id);
    return action;
}

// The bytes of a settings file, or none when it cannot be read: the load that put it in force
// has told the user already.
QByteArray settingsBytes(const QString &path)
{
    QFile file;
    if (!openRegularFile(file, path) || file.size() > MaxIniFileBytes)
        return {};
    return file.read(MaxIniFileBytes);
}

} // namespace

RulesCommands::RulesCommands(QMenu *menu, Sheet &sheet, SheetHistory &history, DiceStrip *dice,
                             IniSettings &files, QWidget *window)
    : QObject(window), m_menu(menu), m_sheet(sheet), m_history(history), m_dice(dice),
      m_files(files), m_window(window),
      m_combatAction(command(this, u"RulesCombat"_s, u"戦闘(&B)..."_s, CombatId)),
      m_enterFacesAction(
          command(this, u"RulesEnterFaces"_s, u"ダイスの目を入力する(&I)"_s, EnterFacesId)),
      m_editAction(command(this, u"RulesEdit"_s, u"判定を編集(&E)..."_s, EditId))
{
    m_enterFacesAction->setCheckable(true);
    connect(m_menu, &QMenu::triggered, this, &RulesCommands::itemChosen);
    connect(m_enterFacesAction, &QAction::toggled, this, &RulesCommands::setEntersFaces);
    connect(&m_sheet, &Sheet::changed, this, [this](Sheet::Parts parts) {
        if (parts & Sheet::Settings)
            rebuild();
    });
    connect(m_dice, &DiceStrip::rolled, this, &RulesCommands::diceRolled);
    rebuild();
}

RulesCommands::~RulesCommands() = default;

QString RulesCommands::rulesPath() const
{
    return m_files.pathOf(m_files.nameOnDisk(m_sheet.settingsFile()));
}

void RulesCommands::rebuild()
{
    m_rules = BookRules::fromBytes(settingsBytes(rulesPath()));
    // The item being clicked may be among these: it must outlive its own signal.
    for (QAction *old : m_menu->actions()) {
        m_menu->removeAction(old);
        if (m_testItems.contains(old) || old->isSeparator())
            old->deleteLater();
    }
    m_testItems.clear();
    for (qsizetype i = 0; i < m_rules.tests.size(); ++i) {
        QString caption = m_rules.tests[i].name;
        caption.replace(u'&', u"&&"_s);
        QAction *item = command(m_menu, u"RulesTest%1"_s.arg(i + 1), caption, int(i));
        m_menu->addAction(item);
        m_testItems.append(item);
    }
    m_menu->addSeparator()->setObjectName(u"RulesSeparator"_s);
    m_combatAction->setEnabled(m_rules.combat.has_value());
    m_menu->addAction(m_combatAction);
    m_menu->addAction(m_enterFacesAction);
    m_menu->addAction(m_editAction);
}

void RulesCommands::itemChosen(QAction *item)
{
    const int id = item->data().toInt();
    if (item == m_combatAction)
        showCombat();
    else if (item == m_editAction)
        editRules();
    else if (m_testItems.contains(item))
        runTest(id);
}

bool RulesCommands::entersFaces() const
{
    return m_enterFacesAction->isChecked();
}

void RulesCommands::setEntersFaces(bool on)
{
    m_enterFacesAction->setChecked(on);
    if (!on) {
        m_dice->setFacesAsker({});
        return;
    }
    m_dice->setFacesAsker([this](int count, int low, int high) {
        return FacesDialog::ask(m_window, count, low, high);
    });
}

void RulesCommands::runTest(int index)
{
    if (index < 0 || index >= m_rules.tests.size() || m_dice->isRolling())
        return;
    m_pendingTest = m_rules.tests[index];
    // Faces asked for and left without: nothing was rolled, and nothing is tested.
    if (!m_dice->rollDice(m_pendingTest->dice))
        m_pendingTest.reset();
}

void RulesCommands::diceRolled(const QList<int> &faces, int total, bool entered)
{
    Q_UNUSED(faces);
    Q_UNUSED(entered);
    if (!m_pendingTest)
        return;
    const BookTest test = *m_pendingTest;
    m_pendingTest.reset();
    const int value = m_sheet.record().current(test.ability);
    const TestOutcome outcome = BookRules::resolveTest(test, value, total);
    BookRules::apply(m_sheet, outcome.changes);
    m_history.undo().commit(SheetStep::Kind::Test, u"判定: "_s + outcome.text);
    m_dice->showOutcome(outcome.text);
}

std::optional<QList<int>> RulesCommands::facesFor(int count, int &total)
{
    const int low = m_dice->faceLow();
    const int high = m_dice->pipMax();
    std::optional<QList<int>> faces;
    if (entersFaces()) {
        faces = FacesDialog::ask(m_combat ? static_cast<QWidget *>(m_combat) : m_window, count, low,
                                 high);
    } else {
        faces.emplace();
        for (int i = 0; i < count; ++i)
            faces->append(m_faceSource.draw(high, low == 0));
    }
    if (faces) {
        const SettingsValues &settings = m_sheet.settings();
        total = Dice::total(
            *faces, count,
            Dice::isPercentile(count, high, settings.zeroDice, settings.percentileDice));
        m_history.addDice(*faces, total, entersFaces());
    }
    return faces;
}

void RulesCommands::showCombat()
{
    if (!m_combat) {
        m_combat = new CombatWindow(
            m_sheet, m_history.undo(), [this] { return m_rules.combat; },
            [this](int count, int &total) { return facesFor(count, total); },
            [this] { return entersFaces(); }, m_window);
    }
    m_combat->show();
    m_combat->raise();
}

void RulesCommands::editRules()
{
    const QString fileName = m_sheet.settingsFile();
    RulesDialog dialog(
        BookRules::textsFromBytes(settingsBytes(rulesPath())), m_sheet.settings().names,
        m_files.nameOnDisk(fileName), [this](const RulesEdit &edit) { return writeRules(edit); },
        m_window);
    dialog.exec();
}

bool RulesCommands::writeRules(const RulesEdit &edit)
{
    if (!edit.changed())
        return true;
    // The file is read again as it stands now: only what the editor changed is written.
    try {
        m_files.rewrite(m_sheet.settingsFile(), [&edit](const QByteArray &existing) {
            return BookRules::writeInto(existing, edit);
        });
    } catch (const FileError &error) {
        PelkoApplication::showError(error.message());
        return false;
    }
    rebuild();
    return true;
}
