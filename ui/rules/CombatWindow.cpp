#include "CombatWindow.h"

#include "NumberText.h"
#include "Sheet.h"
#include "SheetUndo.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

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
      m_table(new QTableWidget(0, 3, this)), m_log(new QPlainTextEdit(this))
{
    setObjectName(u"CombatWindow"_s);
    setWindowTitle(u"戦闘"_s);
    auto *form = new QFormLayout;
    form->addRow(u"名前"_s, m_name);
    form->addRow(u"攻撃値"_s, m_attack);
    form->addRow(u"耐久値"_s, m_endurance);
    auto *add = button(this, u"ButtonAddEnemy"_s, u"敵を加える(&A)"_s);
    form->addRow(add);
    m_table->setObjectName(u"ListEnemies"_s);
    m_table->setHorizontalHeaderLabels({u"名前"_s, u"攻撃値"_s, u"耐久値"_s});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_log->setObjectName(u"LogCombat"_s);
    m_log->setReadOnly(true);
    m_log->setAccessibleName(u"戦闘の記録"_s);
    auto *round = button(this, u"ButtonRound"_s, u"1ラウンド(&R)"_s);
    auto *flee = button(this, u"ButtonEscape"_s, u"逃げる(&E)"_s);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(round);
    buttons->addWidget(flee);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_table);
    layout->addLayout(buttons);
    layout->addWidget(m_log);
    resize(360, 420);

    connect(add, &QPushButton::clicked, this, &CombatWindow::addEnemy);
    connect(round, &QPushButton::clicked, this, &CombatWindow::playRound);
    connect(flee, &QPushButton::clicked, this, &CombatWindow::escape);
    connect(&m_undo, &SheetUndo::stepsChanged, this, &CombatWindow::stepsChanged);
}

void CombatWindow::addEnemy()
{
    const QString name = m_name->text().trimmed();
    if (name.isEmpty())
        return;
    m_enemies.append(
        {name, NumberText::read(m_attack->text()), qMax(NumberText::read(m_endurance->text()), 0)});
    m_name->clear();
    m_attack->clear();
    m_endurance->clear();
    m_name->setFocus();
    showEnemies();
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
        result = u"%1 -%2 (残り %3)%4"_s.arg(enemy.name)
                     .arg(outcome.enemyLoss)
                     .arg(left)
                     .arg(left == 0 ? u" 倒した"_s : QString());
    } else if (outcome.heroLoss > 0) {
        result = u"自分 -%1"_s.arg(outcome.heroLoss);
    } else {
        result = u"引き分け"_s;
    }
    const QString text =
        u"戦闘: 自分 [%1] %2+%3=%4 / %5 [%6] %7+%8=%9 → "_s.arg(facesText(*heroFaces))
            .arg(heroTotal)
            .arg(heroAttack)
            .arg(outcome.heroStrength)
            .arg(enemy.name, facesText(*enemyFaces))
            .arg(enemyTotal)
            .arg(enemy.attack)
            .arg(outcome.enemyStrength) +
        result + (m_entered() ? u" 入力"_s : QString());
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
