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
#include <QLineEdit>
#include <QMenu>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

enum : int { CombatId = -1, EnterFacesId = -2, EditId = -3, InvalidTestId = -4 };

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

// The reasons told for a section, those that leave it out first.
QStringList reasonsFor(const QList<RulesProblem> &problems, const QString &section)
{
    QStringList fatal;
    QStringList told;
    for (const RulesProblem &p : problems) {
        if (p.section == section)
            (p.fatal ? fatal : told).append(p.reason);
    }
    return fatal + told;
}

bool leftOut(const QList<RulesProblem> &problems, const QString &section)
{
    return std::any_of(problems.begin(), problems.end(), [&section](const RulesProblem &p) {
        return p.fatal && p.section == section;
    });
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
    // A rule that cannot stand is greyed, and says why when it is pointed at.
    m_menu->setToolTipsVisible(true);
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
    QList<RulesProblem> duplicates;
    const RulesTexts texts = BookRules::textsFromBytes(settingsBytes(rulesPath()), &duplicates);
    m_rules = BookRules::fromTexts(texts);
    m_rules.problems += duplicates;
    // The item being clicked may be among these: it must outlive its own signal.
    for (QAction *old : m_menu->actions()) {
        m_menu->removeAction(old);
        if (m_testItems.contains(old) || old->isSeparator())
            old->deleteLater();
    }
    m_testItems.clear();
    // Every test of the file has its item: one that cannot stand is greyed, with its reasons.
    int usable = 0;
    for (qsizetype i = 0; i < texts.tests.size(); ++i) {
        const QString section = BookRules::testSection(int(i));
        const QStringList reasons = reasonsFor(m_rules.problems, section);
        QString caption = texts.tests[i].value(BookRules::Name);
        if (caption.isEmpty())
            caption = u'[' + section + u']';
        caption.replace(u'&', u"&&"_s);
        QAction *item = nullptr;
        if (leftOut(m_rules.problems, section)) {
            item = command(m_menu, u"RulesInvalid"_s + section, caption, InvalidTestId);
            item->setEnabled(false);
            item->setToolTip(u"[%1] は使えません:\n%2"_s.arg(section, reasons.join(u'\n')));
        } else {
            item = command(m_menu, u"RulesTest%1"_s.arg(usable + 1), caption, usable);
            ++usable;
            if (!reasons.isEmpty())
                item->setToolTip(u"[%1]: %2"_s.arg(section, reasons.join(u'\n')));
        }
        m_menu->addAction(item);
        m_testItems.append(item);
    }
    m_menu->addSeparator()->setObjectName(u"RulesSeparator"_s);
    const QStringList combatReasons = reasonsFor(m_rules.problems, u"Combat"_s);
    QString &combatWhy = m_combatWhy;
    combatWhy.clear();
    if (!texts.combat)
        combatWhy = u"この設定ファイルには戦闘の規則 ([Combat]) がありません"_s;
    else if (!m_rules.combat)
        combatWhy = u"[Combat] は使えません:\n"_s + combatReasons.join(u'\n');
    m_combatAction->setEnabled(m_rules.combat.has_value());
    m_combatAction->setToolTip(!combatWhy.isEmpty() ? combatWhy
                               : combatReasons.isEmpty()
                                   ? QString()
                                   : u"[Combat]: "_s + combatReasons.join(u'\n'));
    if (m_combat)
        m_combat->setRulesAvailable(m_rules.combat.has_value(), combatWhy);
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
    m_dice->showOutcome(test.name, outcome.result);
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
        m_combat->setRulesAvailable(m_rules.combat.has_value(), m_combatWhy);
        for (QLineEdit *field : m_combat->fields())
            m_history.watchToolField(field, m_combat);
    }
    m_combat->present();
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
