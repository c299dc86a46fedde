#include "CombatWindow.h"

#include "FieldMarks.h"
#include "NumberText.h"
#include "Sheet.h"
#include "SheetUndo.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>

#include <array>

using namespace Qt::StringLiterals;

namespace {

QLineEdit *field(QWidget *parent, const QString &name, const QString &label)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setAccessibleName(label);
    return edit;
}

QPushButton *button(QWidget *parent, const QString &name, const QString &text)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

enum EnemyField { NameField, AttackField, EnduranceField };

// What a value of each field may be: an attack may be anything a sum can bear, an enemy
// standing has some endurance.
constexpr int MaxEnemyValue = BookRules::MaxAmount;
constexpr std::array<std::pair<int, int>, 3> EnemyRanges{
    {{0, 0}, {-MaxEnemyValue, MaxEnemyValue}, {1, MaxEnemyValue}}};

QString facesText(const QList<int> &faces)
{
    QStringList items;
    for (int face : faces)
        items.append(QString::number(face));
    return items.join(u' ');
}

} // namespace

CombatWindow::CombatWindow(Sheet &sheet, SheetUndo &undo, Rules rules, Faces faces, Entered entered,
                           QWidget *parent)
    : QWidget(parent, Qt::Tool), m_sheet(sheet), m_undo(undo), m_rules(std::move(rules)),
      m_faces(std::move(faces)), m_entered(std::move(entered)),
      m_name(field(this, u"EditEnemyName"_s, u"敵の名前"_s)),
      m_attack(field(this, u"EditEnemyAttack"_s, u"敵の攻撃値"_s)),
      m_endurance(field(this, u"EditEnemyEndurance"_s, u"敵の耐久値"_s)),
      m_problem(FieldMarks::problemLabel(this, u"LabelEnemyProblem"_s)),
      m_table(new QTableWidget(0, 3, this)),
      m_round(button(this, u"ButtonRound"_s, u"1ラウンド(&R)"_s)),
      m_escape(button(this, u"ButtonEscape"_s, u"逃げる(&E)"_s)),
      m_rulesState(FieldMarks::problemLabel(this, u"LabelCombatRules"_s)),
      m_log(new QPlainTextEdit(this))
{
    setObjectName(u"CombatWindow"_s);
    setWindowTitle(u"戦闘"_s);
    auto *form = new QFormLayout;
    form->addRow(u"名前"_s, m_name);
    form->addRow(u"攻撃値"_s, m_attack);
    form->addRow(u"耐久値"_s, m_endurance);
    auto *add = button(this, u"ButtonAddEnemy"_s, u"敵を加える(&A)"_s);
    form->addRow(add);
    form->addRow(m_problem);
    m_table->setObjectName(u"ListEnemies"_s);
    m_table->setAccessibleName(u"敵の一覧"_s);
    m_table->horizontalHeader()->setAccessibleName(u"敵の一覧の見出し"_s);
    m_table->setHorizontalHeaderLabels({u"名前"_s, u"攻撃値"_s, u"耐久値"_s});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_log->setObjectName(u"LogCombat"_s);
    m_log->setReadOnly(true);
    m_log->setAccessibleName(u"戦闘の記録"_s);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_round);
    buttons->addWidget(m_escape);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_table);
    layout->addLayout(buttons);
    layout->addWidget(m_rulesState);
    layout->addWidget(m_log);
    resize(360, 420);
    FieldMarks::nameByCaptions(this);

    connect(add, &QPushButton::clicked, this, &CombatWindow::addEnemy);
    connect(m_round, &QPushButton::clicked, this, &CombatWindow::playRound);
    connect(m_escape, &QPushButton::clicked, this, &CombatWindow::escape);
    connect(&m_undo, &SheetUndo::stepsChanged, this, &CombatWindow::stepsChanged);
    for (QLineEdit *edit : fields()) {
        // Enter in any field adds the enemy, as the button does.
        connect(edit, &QLineEdit::returnPressed, this, &CombatWindow::addEnemy);
        // A field typed into again is no longer marked.
        connect(edit, &QLineEdit::textEdited, this, [this, edit] {
            FieldMarks::mark(edit, QString());
            m_problem->hide();
        });
    }
}

QList<QLineEdit *> CombatWindow::fields() const
{
    return {m_name, m_attack, m_endurance};
}

QString CombatWindow::enemyValueProblem(int field, const QString &text)
{
    static const std::array<QString, 3> names{u"敵の名前"_s, u"攻撃値"_s, u"耐久値"_s};
    const QString typed = NumberText::halfWidth(text).trimmed();
    if (typed.isEmpty())
        return u"%1を入力してください"_s.arg(names.at(field));
    if (field == NameField)
        return {};
    const std::optional<int> value = NumberText::readTyped(typed);
    static const QRegularExpression digits(u"^[-+]?[0-9]+$"_s);
    if (!value && !digits.match(typed).hasMatch())
        return u"%1の「%2」は数ではありません"_s.arg(names.at(field), typed);
    const auto [low, high] = EnemyRanges.at(field);
    if (!value || *value < low || *value > high)
        return u"%1は %2 から %3 までです"_s.arg(names.at(field), QString::number(low),
                                                 QString::number(high));
    return {};
}

bool CombatWindow::addEnemy()
{
    const QList<QLineEdit *> edits = fields();
    QLineEdit *first = nullptr;
    QStringList reasons;
    for (int i = 0; i < edits.size(); ++i) {
        const QString reason = enemyValueProblem(i, edits[i]->text());
        FieldMarks::mark(edits[i], reason);
        if (!reason.isEmpty()) {
            reasons.append(reason);
            first = first ? first : edits[i];
        }
    }
    m_problem->setText(reasons.join(u'\n'));
    m_problem->setVisible(first != nullptr);
    if (first) {
        first->setFocus();
        first->selectAll();
        return false;
    }
    // A name keeps what was typed inside it, blanks included; only its ends are trimmed.
    m_enemies.append({m_name->text().trimmed(), *NumberText::readTyped(m_attack->text()),
                      *NumberText::readTyped(m_endurance->text())});
    // setText, not clear: the next enemy's typing starts without the last one's to undo.
    for (QLineEdit *edit : edits)
        edit->setText(QString());
    m_name->setFocus();
    showEnemies();
    return true;
}

void CombatWindow::present()
{
    show();
    raise();
    activateWindow();
    m_name->setFocus();
}

void CombatWindow::setRulesAvailable(bool available, const QString &reason)
{
    m_round->setEnabled(available);
    m_escape->setEnabled(available);
    const QString said = available ? QString() : reason;
    m_round->setToolTip(said);
    m_escape->setToolTip(said);
    m_rulesState->setText(said);
    m_rulesState->setVisible(!available);
}

void CombatWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

QList<CombatWindow::Enemy> CombatWindow::enemies() const
{
    QList<Enemy> now = m_enemies;
    for (qsizetype i = 0; i < m_rounds.size(); ++i) {
        const Round &r = m_rounds[i];
        if (m_inEffect.value(i) && r.enemy >= 0 && r.enemy < now.size())
            now[r.enemy].endurance = qMax(now[r.enemy].endurance - r.loss, 0);
    }
    return now;
}

void CombatWindow::showEnemies()
{
    const QList<Enemy> now = enemies();
    m_table->setRowCount(int(now.size()));
    for (int row = 0; row < now.size(); ++row) {
        m_table->setItem(row, 0, new QTableWidgetItem(now[row].name));
        m_table->setItem(row, 1, new QTableWidgetItem(QString::number(now[row].attack)));
        m_table->setItem(row, 2, new QTableWidgetItem(QString::number(now[row].endurance)));
    }
}

void CombatWindow::log(const QString &line)
{
    m_log->appendPlainText(line);
}

void CombatWindow::commit(const QString &text)
{
    m_undo.commit(SheetStep::Kind::Round, text);
    log(text);
}

void CombatWindow::playRound()
{
    const std::optional<CombatRules> rules = m_rules();
    if (!rules)
        return;
    const QList<Enemy> now = enemies();
    int target = -1;
    for (int i = 0; i < now.size() && target < 0; ++i) {
        if (now[i].endurance > 0)
            target = i;
    }
    if (target < 0) {
        log(u"戦える敵がいません。"_s);
        return;
    }
    int heroTotal = 0;
    int enemyTotal = 0;
    const std::optional<QList<int>> heroFaces = m_faces(rules->dice, heroTotal);
    if (!heroFaces)
        return;
    const std::optional<QList<int>> enemyFaces = m_faces(rules->dice, enemyTotal);
    if (!enemyFaces)
        return;
    const Enemy &enemy = now[target];
    const int heroAttack = m_sheet.record().current(rules->attack);
    const RoundOutcome outcome =
        BookRules::resolveRound(*rules, heroAttack, heroTotal, enemy.attack, enemyTotal);
    BookRules::apply(m_sheet, {{rules->endurance, -outcome.heroLoss}});
    QString result;
    if (outcome.enemyLoss > 0) {
        const int left = qMax(enemy.endurance - outcome.enemyLoss, 0);
        result = enemy.name + u" -%1 (残り %2)%3"_s.arg(QString::number(outcome.enemyLoss),
                                                        QString::number(left),
                                                        left == 0 ? u" 倒した"_s : QString());
    } else if (outcome.heroLoss > 0) {
        result = u"自分 -%1"_s.arg(outcome.heroLoss);
    } else {
        result = u"引き分け"_s;
    }
    // Each side in one pass of arg(): a "%1" in the enemy's name is part of the name.
    const auto side = [](const QString &who, const QList<int> &faces, int total, int attack,
                         int strength) {
        return who + u" [%1] %2+%3=%4"_s.arg(facesText(faces), QString::number(total),
                                             QString::number(attack), QString::number(strength));
    };
    const QString text =
        u"戦闘: "_s + side(u"自分"_s, *heroFaces, heroTotal, heroAttack, outcome.heroStrength) +
        u" / "_s + side(enemy.name, *enemyFaces, enemyTotal, enemy.attack, outcome.enemyStrength) +
        u" → "_s + result + (m_entered() ? u" 入力"_s : QString());
    // Rounds taken back and not redone are gone once a new step is taken.
    for (qsizetype i = m_rounds.size() - 1; i >= 0; --i) {
        if (!m_inEffect.value(i)) {
            m_rounds.removeAt(i);
            m_inEffect.removeAt(i);
        }
    }
    m_rounds.append({m_undo.stepCount(), text, target, outcome.enemyLoss});
    m_inEffect.append(false);
    commit(text);
    if (m_sheet.record().current(rules->endurance) <= 0)
        log(u"あなたは倒れました。"_s);
}

void CombatWindow::escape()
{
    const std::optional<CombatRules> rules = m_rules();
    if (!rules)
        return;
    BookRules::apply(m_sheet, {{rules->endurance, -rules->escapeDamage}});
    commit(u"戦闘: 逃げた (自分 -%1)"_s.arg(rules->escapeDamage));
    if (m_sheet.record().current(rules->endurance) <= 0)
        log(u"あなたは倒れました。"_s);
}

void CombatWindow::stepsChanged()
{
    const int count = m_undo.stepCount();
    for (qsizetype i = 0; i < m_rounds.size(); ++i) {
        const Round &r = m_rounds[i];
        m_inEffect[i] = r.step < count && m_undo.stepAt(r.step).kind == SheetStep::Kind::Round &&
                        m_undo.stepAt(r.step).field == r.text;
    }
    showEnemies();
}
