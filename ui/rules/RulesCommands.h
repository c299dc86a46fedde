#pragma once

#include "BookRules.h"
#include "Dice.h"

#include <QObject>

#include <optional>

class CombatWindow;
class DiceStrip;
class IniSettings;
class QAction;
class QMenu;
class QWidget;
class Sheet;
class SheetHistory;

// The menu "判定(&J)" and what it runs: the tests of the settings file in force, the combat
// window, the entry of real dice and the rules' editor. The menu follows the settings in force:
// the rules are read again from their file whenever the sheet says they changed. A test or a
// combat that cannot stand is greyed with its reasons as its tooltip, and a repeated key is
// told in the tooltip of the item it belongs to; an open combat window waits while the book
// has no combat in force.
//
// A test is one step of the sheet's history (its outcome is the step's ledger line); its roll
// goes to the history as every roll of the strip does.
class RulesCommands : public QObject
{
    Q_OBJECT

public:
    RulesCommands(QMenu *menu, Sheet &sheet, SheetHistory &history, DiceStrip *dice,
                  IniSettings &files, QWidget *window);
    ~RulesCommands() override;

    const BookRules &rules() const { return m_rules; }
    // The path of the settings file in force, as the rules are read from it.
    QString rulesPath() const;
    // Reads the rules again and rebuilds the menu.
    void rebuild();

    void runTest(int index);
    void showCombat();
    void editRules();
    // Writes what the editor changed into the settings file in force; nothing when it changed
    // nothing. False, the user told why, when the file cannot be written.
    bool writeRules(const RulesEdit &edit);
    bool entersFaces() const;
    void setEntersFaces(bool on);

    // The faces of count dice of the kind the strip uses: asked for while real dice are
    // entered (nothing when the entry is left), else drawn. The total goes to total.
    std::optional<QList<int>> facesFor(int count, int &total);

    QAction *combatAction() const { return m_combatAction; }
    QAction *enterFacesAction() const { return m_enterFacesAction; }
    QAction *editAction() const { return m_editAction; }
    CombatWindow *combatWindow() const { return m_combat; }

private:
    void itemChosen(QAction *item);
    void diceRolled(const QList<int> &faces, int total, bool entered);

    QMenu *m_menu;
    Sheet &m_sheet;
    SheetHistory &m_history;
    DiceStrip *m_dice;
    IniSettings &m_files;
    QWidget *m_window;
    BookRules m_rules;
    Dice::FaceSource m_faceSource;         // for combat rounds
    std::optional<BookTest> m_pendingTest; // rolling in the strip
    QList<QAction *> m_testItems;
    QAction *m_combatAction;
    QAction *m_enterFacesAction;
    QAction *m_editAction;
    CombatWindow *m_combat = nullptr; // made at its first showing, a child of the window
    QString m_combatWhy;              // why the book has no combat in force, if it has none
};
