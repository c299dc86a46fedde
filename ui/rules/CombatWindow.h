#pragma once

#include "BookRules.h"

#include <QWidget>

#include <functional>
#include <optional>

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

    void addEnemy();
    void playRound();
    void escape();

    struct Enemy
    {
        QString name;
        int attack = 0;
        int endurance = 0;
    };
    // The enemies as the rounds in effect leave them.
    QList<Enemy> enemies() const;

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
    QTableWidget *m_table;
    QPlainTextEdit *m_log;
};
