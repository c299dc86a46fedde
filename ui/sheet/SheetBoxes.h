#pragma once

#include <QList>

class CheckListBox;
class Cp932PlainTextEdit;
class DiceStrip;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class SpinButton;
struct SettingsValues;

// The controls of the character sheet, laid out on the sheet widget and named as outside tools
// know them. The six ability lists are indexed by ability: 0 for the first.
struct SheetBoxes
{
    static constexpr int AbilityCount = 8;

    // Makes the controls on sheet; the dice strip reads settings, the values in force.
    static SheetBoxes create(QWidget *sheet, const SettingsValues &settings);

    // The boxes the keyboard reaches in order, after which it goes to next.
    QList<QWidget *> tabOrder() const;
    // Every box that takes digits only.
    QList<QLineEdit *> numberBoxes() const;

    QLabel *nameLabel = nullptr;
    QLineEdit *name = nullptr;
    QLabel *moneyLabel = nullptr;
    QLineEdit *money = nullptr;
    QLabel *inventoryLabel = nullptr;
    Cp932PlainTextEdit *inventory = nullptr;
    QLabel *paragraphLabel = nullptr;
    QLineEdit *paragraph = nullptr;
    QPushButton *registerButton = nullptr;
    CheckListBox *flags = nullptr;
    DiceStrip *dice = nullptr;

    QList<QLabel *> abilityLabels;
    QList<QLineEdit *> origins;
    QList<SpinButton *> originSpins;
    QList<QLabel *> slashes;
    QList<QLineEdit *> currents;
    QList<SpinButton *> currentSpins;
};
