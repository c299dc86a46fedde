#include "RulesDialog.h"

#include "Cp932.h"
#include "FieldMarks.h"
#include "LabelledComboBox.h"
#include "NumberText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// What each comparison of Success is offered as; the texts are the ones the file holds.
const std::array<std::pair<QString, QString>, 4> &comparisons()
{
    static const std::array<std::pair<QString, QString>, 4> list{{
        {u"le"_s, u"合計 ≦ 能力値で成功"_s},
        {u"lt"_s, u"合計 < 能力値で成功"_s},
        {u"ge"_s, u"合計 ≧ 能力値で成功"_s},
        {u"gt"_s, u"合計 > 能力値で成功"_s},
    }};
    return list;
}

QLineEdit *lineEdit(QWidget *parent, const QString &name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

QComboBox *abilityBox(QWidget *parent, const QString &name,
                      const RulesDialog::AbilityNames &abilities)
{
    auto *box = new LabelledComboBox(parent);
    box->setObjectName(name);
    for (std::size_t i = 0; i < abilities.size(); ++i)
        box->addItem(u"%1: %2"_s.arg(QString::number(i + 1), abilities[i]), QString::number(i + 1));
    return box;
}

QPushButton *button(QWidget *parent, const QString &name, const QString &text)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

// A field shows the text; a box, the item standing for it (none for a text it cannot take).
void showValue(QWidget *field, const QString &text)
{
    if (auto *edit = qobject_cast<QLineEdit *>(field)) {
        edit->setText(text);
        edit->setCursorPosition(0);
        return;
    }
    auto *box = qobject_cast<QComboBox *>(field);
    int index = -1;
    for (int i = 0; i < box->count() && index < 0; ++i) {
        const QString item = box->itemData(i).toString();
        const std::optional<int> number = NumberText::readTyped(text);
        if (item.compare(text.trimmed(), Qt::CaseInsensitive) == 0 ||
            (number && item == QString::number(*number)))
            index = i;
    }
    box->setCurrentIndex(index);
}

// Why a test's value cannot stand: what the file's readers refuse, and a name the file cannot
// hold, which would be written as something else.
QString testProblem(int key, const QString &text)
{
    if (key == BookRules::Name && !Cp932::canHold(text))
        return u"名前に設定ファイルに書けない文字があります"_s;
    return BookRules::testValueProblem(key, text);
}

QString problemLines(const QStringList &reasons)
{
    return reasons.join(u'\n');
}

} // namespace

RulesDialog::RulesDialog(const RulesTexts &texts, const AbilityNames &abilities,
                         const QString &fileName, Commit commit, QWidget *parent)
    : QDialog(parent), m_read(texts), m_tests(texts.tests),
      m_combat(texts.combat.value_or(QStringList())), m_commit(std::move(commit)),
      m_tabs(new QTabWidget(this))
{
    for (int i = 0; i < m_tests.size(); ++i)
        m_origins.append(i);
    setObjectName(u"RulesDialog"_s);
    setWindowTitle(u"判定を編集"_s);
    // A combat the file lacks starts from the usual rules once it is switched on.
    if (m_combat.size() < BookRules::CombatKeyCount)
        m_combat = {u"2"_s, u"1"_s, u"2"_s, u"2"_s, u"2"_s};
    for (QStringList &test : m_tests)
        test.resize(BookRules::TestKeyCount);

    auto *file = new QLabel(u"設定ファイル: %1"_s.arg(fileName), this);
    file->setObjectName(u"LabelRulesFile"_s);
    auto *testsPage = new QWidget(m_tabs);
    auto *combatPage = new QWidget(m_tabs);
    buildTestsPage(testsPage, abilities);
    buildCombatPage(combatPage, abilities);
    m_tabs->setObjectName(u"TabsRules"_s);
    m_tabs->addTab(testsPage, u"判定(&T)"_s);
    m_tabs->addTab(combatPage, u"戦闘(&B)"_s);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(u"ButtonRulesOk"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &RulesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &RulesDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(file);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);

    for (int row = 0; row < m_tests.size(); ++row) {
        m_list->addItem(QString());
        refreshItem(row);
    }
    m_useCombat->setChecked(texts.combat.has_value());
    showCombat();
    m_list->setCurrentRow(m_tests.isEmpty() ? -1 : 0);
    showTest(m_list->currentRow());
    FieldMarks::nameByCaptions(this);
}

void RulesDialog::buildTestsPage(QWidget *page, const AbilityNames &abilities)
{
    m_list = new QListWidget(page);
    m_list->setObjectName(u"ListTests"_s);
    m_list->setAccessibleName(u"判定の一覧"_s);
    m_add = button(page, u"ButtonAddTest"_s, u"追加(&A)"_s);
    m_remove = button(page, u"ButtonRemoveTest"_s, u"削除(&D)"_s);
    m_up = button(page, u"ButtonTestUp"_s, u"上へ(&U)"_s);
    m_down = button(page, u"ButtonTestDown"_s, u"下へ(&W)"_s);
    connect(m_list, &QListWidget::currentRowChanged, this, &RulesDialog::showTest);
    connect(m_add, &QPushButton::clicked, this, &RulesDialog::addTest);
    connect(m_remove, &QPushButton::clicked, this, &RulesDialog::removeTest);
    connect(m_up, &QPushButton::clicked, this, [this] { moveTest(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { moveTest(1); });

    m_testForm = new QWidget(page);
    m_name = lineEdit(m_testForm, u"EditTestName"_s);
    m_dice = lineEdit(m_testForm, u"EditTestDice"_s);
    m_ability = abilityBox(m_testForm, u"ComboTestAbility"_s, abilities);
    m_success = new LabelledComboBox(m_testForm);
    m_success->setObjectName(u"ComboTestSuccess"_s);
    for (const auto &[text, caption] : comparisons())
        m_success->addItem(caption, text);
    m_always = lineEdit(m_testForm, u"EditTestAlways"_s);
    m_onSuccess = lineEdit(m_testForm, u"EditTestOnSuccess"_s);
    m_onFailure = lineEdit(m_testForm, u"EditTestOnFailure"_s);
    m_testProblem = FieldMarks::problemLabel(m_testForm, u"LabelTestProblem"_s);

    auto *form = new QFormLayout(m_testForm);
    form->addRow(u"名前(&M)"_s, m_name);
    form->addRow(u"ダイスの数(&C)"_s, m_dice);
    form->addRow(u"比べる能力値(&V)"_s, m_ability);
    form->addRow(u"成功の条件(&S)"_s, m_success);
    form->addRow(u"いつも(&L)"_s, m_always);
    form->addRow(u"成功したとき(&O)"_s, m_onSuccess);
    form->addRow(u"失敗したとき(&F)"_s, m_onFailure);
    auto *hint = new QLabel(
        u"変化は 能力値の番号:増減 をカンマで区切って書きます (例: 3:-1, 1:2)"_s, m_testForm);
    hint->setWordWrap(true);
    form->addRow(hint);
    form->addRow(m_testProblem);
    for (int key = 0; key < BookRules::TestKeyCount; ++key) {
        QWidget *field = testField(key);
        if (auto *label = qobject_cast<QLabel *>(form->labelForField(field)))
            field->setAccessibleName(FieldMarks::withoutMnemonic(label->text()));
        if (auto *edit = qobject_cast<QLineEdit *>(field)) {
            connect(edit, &QLineEdit::textEdited, this,
                    [this, key](const QString &text) { testEdited(key, text); });
        } else {
            auto *box = qobject_cast<QComboBox *>(field);
            connect(box, &QComboBox::activated, this, [this, key, box](int index) {
                testEdited(key, box->itemData(index).toString());
            });
        }
    }

    auto *side = new QVBoxLayout;
    side->addWidget(m_list);
    auto *order = new QHBoxLayout;
    for (QPushButton *b : {m_add, m_remove, m_up, m_down})
        order->addWidget(b);
    side->addLayout(order);
    auto *layout = new QHBoxLayout(page);
    layout->addLayout(side, 1);
    layout->addWidget(m_testForm, 2);
}

void RulesDialog::buildCombatPage(QWidget *page, const AbilityNames &abilities)
{
    m_useCombat = new QCheckBox(u"この本の戦闘を使う(&U)"_s, page);
    m_useCombat->setObjectName(u"CheckCombat"_s);
    m_combatForm = new QWidget(page);
    m_attack = abilityBox(m_combatForm, u"ComboCombatAttack"_s, abilities);
    m_endurance = abilityBox(m_combatForm, u"ComboCombatEndurance"_s, abilities);
    m_combatDice = lineEdit(m_combatForm, u"EditCombatDice"_s);
    m_damage = lineEdit(m_combatForm, u"EditCombatDamage"_s);
    m_escapeDamage = lineEdit(m_combatForm, u"EditCombatEscape"_s);
    m_combatProblem = FieldMarks::problemLabel(m_combatForm, u"LabelCombatProblem"_s);
    auto *form = new QFormLayout(m_combatForm);
    form->addRow(u"攻撃力に足す能力値(&A)"_s, m_attack);
    form->addRow(u"ダメージを受ける能力値(&E)"_s, m_endurance);
    form->addRow(u"1 ラウンドのダイスの数(&C)"_s, m_combatDice);
    form->addRow(u"負けたときのダメージ(&D)"_s, m_damage);
    form->addRow(u"逃げるときのダメージ(&R)"_s, m_escapeDamage);
    form->addRow(m_combatProblem);
    for (int key = 0; key < BookRules::CombatKeyCount; ++key) {
        QWidget *field = combatField(key);
        if (auto *label = qobject_cast<QLabel *>(form->labelForField(field)))
            field->setAccessibleName(FieldMarks::withoutMnemonic(label->text()));
        if (auto *edit = qobject_cast<QLineEdit *>(field)) {
            connect(edit, &QLineEdit::textEdited, this,
                    [this, key](const QString &text) { combatEdited(key, text); });
        } else {
            auto *box = qobject_cast<QComboBox *>(field);
            connect(box, &QComboBox::activated, this, [this, key, box](int index) {
                combatEdited(key, box->itemData(index).toString());
            });
        }
    }
    connect(m_useCombat, &QCheckBox::toggled, this, &RulesDialog::combatSwitched);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(m_useCombat);
    layout->addWidget(m_combatForm);
    layout->addStretch();
}

QWidget *RulesDialog::testField(int key) const
{
    const std::array<QWidget *, BookRules::TestKeyCount> fields{
        m_name, m_dice, m_ability, m_success, m_always, m_onSuccess, m_onFailure};
    return fields.at(key);
}

QWidget *RulesDialog::combatField(int key) const
{
    const std::array<QWidget *, BookRules::CombatKeyCount> fields{
        m_attack, m_endurance, m_combatDice, m_damage, m_escapeDamage};
    return fields.at(key);
}

RulesTexts RulesDialog::texts() const
{
    const auto asFileHolds = [](QStringList values) {
        for (QString &value : values)
            value = BookRules::fileValue(value);
        return values;
    };
    RulesTexts texts;
    for (const QStringList &test : m_tests)
        texts.tests.append(asFileHolds(test));
    if (m_useCombat->isChecked())
        texts.combat = asFileHolds(m_combat);
    return texts;
}

RulesEdit RulesDialog::edit() const
{
    return {m_read, texts(), m_origins};
}

void RulesDialog::showTest(int row)
{
    m_filling = true;
    const bool shown = row >= 0 && row < m_tests.size();
    m_testForm->setEnabled(shown);
    for (int key = 0; key < BookRules::TestKeyCount; ++key)
        showValue(testField(key), shown ? m_tests[row][key] : QString());
    m_filling = false;
    showTestProblems();
    refreshButtons();
}

void RulesDialog::showCombat()
{
    m_filling = true;
    for (int key = 0; key < BookRules::CombatKeyCount; ++key)
        showValue(combatField(key), m_combat[key]);
    m_filling = false;
    m_combatForm->setEnabled(m_useCombat->isChecked());
    showCombatProblems();
}

void RulesDialog::testEdited(int key, const QString &text)
{
    const int row = m_list->currentRow();
    if (m_filling || row < 0 || row >= m_tests.size())
        return;
    m_tests[row][key] = text;
    refreshItem(row);
    showTestProblems();
}

void RulesDialog::combatEdited(int key, const QString &text)
{
    if (m_filling)
        return;
    m_combat[key] = text;
    showCombatProblems();
}

void RulesDialog::combatSwitched(bool on)
{
    m_combatForm->setEnabled(on);
    showCombatProblems();
}

void RulesDialog::addTest()
{
    if (m_tests.size() >= BookRules::MaxTests)
        return;
    m_tests.append({u"判定%1"_s.arg(m_tests.size() + 1), u"2"_s, u"1"_s, u"le"_s, QString(),
                    QString(), QString()});
    m_origins.append(-1);
    m_list->addItem(QString());
    refreshItem(int(m_tests.size()) - 1);
    m_list->setCurrentRow(int(m_tests.size()) - 1);
    m_name->setFocus();
    m_name->selectAll();
}

void RulesDialog::removeTest()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_tests.size())
        return;
    m_tests.removeAt(row);
    m_origins.removeAt(row);
    delete m_list->takeItem(row);
    m_list->setCurrentRow(std::min(row, int(m_tests.size()) - 1));
    showTest(m_list->currentRow());
}

void RulesDialog::moveTest(int by)
{
    const int row = m_list->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= m_tests.size())
        return;
    m_tests.move(row, to);
    m_origins.move(row, to);
    m_list->insertItem(to, m_list->takeItem(row));
    m_list->setCurrentRow(to);
}

// A test's line in the list: its name, marked while one of its values cannot stand.
void RulesDialog::refreshItem(int row)
{
    QListWidgetItem *item = m_list->item(row);
    const QStringList &test = m_tests[row];
    QStringList reasons;
    for (int key = 0; key < BookRules::TestKeyCount; ++key) {
        const QString reason = testProblem(key, test[key]);
        if (!reason.isEmpty())
            reasons.append(reason);
    }
    const bool valid = reasons.isEmpty();
    const QString fileName = BookRules::fileValue(test[BookRules::Name]);
    const QString name = fileName.isEmpty() ? u"(名前なし)"_s : fileName;
    item->setText(name);
    item->setIcon(valid ? QIcon() : style()->standardIcon(QStyle::SP_MessageBoxWarning));
    // The mark in words, for a screen reader and for the eye: what the icon stands for.
    const QString why = valid ? QString() : u"直す値があります: "_s + reasons.join(u"、"_s);
    item->setToolTip(why);
    item->setData(Qt::AccessibleTextRole, valid ? name : name + u" ("_s + why + u')');
    item->setData(Qt::AccessibleDescriptionRole, why);
}

void RulesDialog::refreshButtons()
{
    const int row = m_list->currentRow();
    const int count = int(m_tests.size());
    m_add->setEnabled(count < BookRules::MaxTests);
    m_remove->setEnabled(row >= 0);
    m_up->setEnabled(row > 0);
    m_down->setEnabled(row >= 0 && row + 1 < count);
}

void RulesDialog::showTestProblems()
{
    const int row = m_list->currentRow();
    QStringList reasons;
    for (int key = 0; key < BookRules::TestKeyCount; ++key) {
        const QString reason =
            row >= 0 && row < m_tests.size() ? testProblem(key, m_tests[row][key]) : QString();
        FieldMarks::mark(testField(key), reason);
        if (!reason.isEmpty())
            reasons.append(reason);
    }
    m_testProblem->setText(problemLines(reasons));
    m_testProblem->setVisible(!reasons.isEmpty());
}

void RulesDialog::showCombatProblems()
{
    QStringList reasons;
    for (int key = 0; key < BookRules::CombatKeyCount; ++key) {
        const QString reason = m_useCombat->isChecked()
                                   ? BookRules::combatValueProblem(key, m_combat[key])
                                   : QString();
        FieldMarks::mark(combatField(key), reason);
        if (!reason.isEmpty())
            reasons.append(reason);
    }
    m_combatProblem->setText(problemLines(reasons));
    m_combatProblem->setVisible(!reasons.isEmpty());
}

QList<RulesDialog::Problem> RulesDialog::problems() const
{
    QList<Problem> found;
    for (int row = 0; row < m_tests.size(); ++row) {
        for (int key = 0; key < BookRules::TestKeyCount; ++key) {
            const QString reason = testProblem(key, m_tests[row][key]);
            if (!reason.isEmpty())
                found.append({row, key, reason});
        }
    }
    for (int key = 0; key < BookRules::CombatKeyCount && m_useCombat->isChecked(); ++key) {
        const QString reason = BookRules::combatValueProblem(key, m_combat[key]);
        if (!reason.isEmpty())
            found.append({-1, key, reason});
    }
    return found;
}

void RulesDialog::accept()
{
    const QList<Problem> found = problems();
    if (!found.isEmpty()) {
        // The first value that cannot stand is shown where it is typed, with its reason.
        const Problem &first = found.first();
        QWidget *field = nullptr;
        if (first.test >= 0) {
            m_tabs->setCurrentIndex(0);
            m_list->setCurrentRow(first.test);
            field = testField(first.key);
        } else {
            m_tabs->setCurrentIndex(1);
            field = combatField(first.key);
        }
        field->setFocus();
        if (auto *edit = qobject_cast<QLineEdit *>(field))
            edit->selectAll();
        return;
    }
    if (m_commit && !m_commit(edit()))
        return;
    QDialog::accept();
}
