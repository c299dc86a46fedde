#pragma once

#include "BookRules.h"

#include <QWidget>

#include <functional>
#include <optional>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class Sheet;
class SheetUndo;

// "戦闘": a tool window beside the main window. Enemies are rows of name, attack value and
// endurance; a round pits the hero against the first enemy still standing. Each round (and an
// escape) is one step of the sheet's history; the enemies' endurance follows undo and redo,
// as it is worked out from the rounds still in effect.
//
// An enemy's values are read as the other fields of the rules read numbers (full-width digits
// and blanks too); a value that cannot stand is refused at its field with its reason. Enter in
// a field adds the enemy, Escape closes the window.
class CombatWindow : public QWidget
{
    Q_OBJECT

public:
    using Rules = std::function<std::optional<CombatRules>()>;
    // The faces of count dice and their total; nothing when none were given.
    using Faces = std::function<std::optional<QList<int>>(int count, int &total)>;
    // Whether the faces are typed in from real dice.
    using Entered = std::function<bool()>;

    CombatWindow(Sheet &sheet, SheetUndo &undo, Rules rules, Faces faces, Entered entered,
                 QWidget *parent);

    // Adds the enemy typed in; false, the first field that cannot stand marked and focused,
    // when a value cannot stand.
    bool addEnemy();
    void playRound();
    void escape();
    // Shows the window to type enemies in: raised, active, the focus in its first field.
    void present();
    // The book's combat in force, or why there is none: the round and the escape wait for it.
    void setRulesAvailable(bool available, const QString &reason);
    // The fields an enemy is typed into, in order.
    QList<QLineEdit *> fields() const;

    // Why text cannot stand as an enemy's value of the given field (0 name, 1 attack, 2
    // endurance); an empty text when it can.
    static QString enemyValueProblem(int field, const QString &text);

    struct Enemy
    {
        QString name;
        int attack = 0;
        int endurance = 0;
    };
    // The enemies as the rounds in effect leave them.
    QList<Enemy> enemies() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Round
    {
        int step = 0; // its index among the steps
        QString text;
        int enemy = 0;
        int loss = 0;
    };
    void stepsChanged();
    void showEnemies();
    void log(const QString &line);
    void commit(const QString &text);

    Sheet &m_sheet;
    SheetUndo &m_undo;
    Rules m_rules;
    Faces m_faces;
    Entered m_entered;
    QList<Enemy> m_enemies; // as added
    QList<Round> m_rounds;
    QList<bool> m_inEffect; // of m_rounds
    QLineEdit *m_name;
    QLineEdit *m_attack;
    QLineEdit *m_endurance;
    QLabel *m_problem;
    QTableWidget *m_table;
    QPushButton *m_round;
    QPushButton *m_escape;
    QLabel *m_rulesState;
    QPlainTextEdit *m_log;
};
