#pragma once

#include "BookRules.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

// "判定を編集": the tests and the combat of a settings file, edited as the texts the file holds.
// A value is checked as it is typed: the field shows why it cannot stand, and OK goes back to
// the first such field rather than writing it. OK hands what was changed to commit, which
// writes it; the dialog closes only once that succeeded, so a failed write loses nothing typed.
class RulesDialog : public QDialog
{
    Q_OBJECT

public:
    using AbilityNames = std::array<QString, BookRules::AbilityCount>;
    using Commit = std::function<bool(const RulesEdit &)>;

    RulesDialog(const RulesTexts &texts, const AbilityNames &abilities, const QString &fileName,
                Commit commit, QWidget *parent = nullptr);

    // The texts as edited, as the file would hold them: [Combat] only while it is switched on.
    RulesTexts texts() const;
    // The texts as read and as edited, each test with the test it was read as.
    RulesEdit edit() const;
    void accept() override;

private:
    struct Problem
    {
        int test = -1; // -1: the combat
        int key = 0;
        QString reason;
    };

    void buildTestsPage(QWidget *page, const AbilityNames &abilities);
    void buildCombatPage(QWidget *page, const AbilityNames &abilities);

    void showTest(int row);
    void showCombat();
    void testEdited(int key, const QString &text);
    void combatEdited(int key, const QString &text);
    void addTest();
    void removeTest();
    void moveTest(int by);
    void combatSwitched(bool on);

    void refreshItem(int row);
    void refreshButtons();
    void showTestProblems();
    void showCombatProblems();
    QList<Problem> problems() const;
    QWidget *testField(int key) const;
    QWidget *combatField(int key) const;

    RulesTexts m_read;
    QList<QStringList> m_tests;
    QList<int> m_origins; // for each test, the test it was read as; -1 for one added
    QStringList m_combat;
    Commit m_commit;
    bool m_filling = false; // the fields are being set from the texts, not typed

    QTabWidget *m_tabs;
    QListWidget *m_list;
    QPushButton *m_add;
    QPushButton *m_remove;
    QPushButton *m_up;
    QPushButton *m_down;
    QWidget *m_testForm;
    QLineEdit *m_name;
    QLineEdit *m_dice;
    QComboBox *m_ability;
    QComboBox *m_success;
    QLineEdit *m_always;
    QLineEdit *m_onSuccess;
    QLineEdit *m_onFailure;
    QLabel *m_testProblem;
    QCheckBox *m_useCombat;
    QWidget *m_combatForm;
    QComboBox *m_attack;
    QComboBox *m_endurance;
    QLineEdit *m_combatDice;
    QLineEdit *m_damage;
    QLineEdit *m_escapeDamage;
    QLabel *m_combatProblem;
};
