#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Sheet;

// A change a test or a combat round makes: amount added to the current value of an ability.
struct AbilityChange
{
    int ability = 0; // 0-based
    int amount = 0;

    bool operator==(const AbilityChange &) const = default;
};

// One ability test of a book: dice rolled, their total compared with an ability's current value.
struct BookTest
{
    enum class Comparison { Le, Lt, Ge, Gt };

    QString name;
    int dice = 2;
    int ability = 0; // 0-based
    Comparison success = Comparison::Le;
    QList<AbilityChange> always;
    QList<AbilityChange> onSuccess;
    QList<AbilityChange> onFailure;

    bool operator==(const BookTest &) const = default;
};

// How a book fights: abilities are 0-based.
struct CombatRules
{
    int attack = 1;
    int endurance = 0;
    int dice = 2;
    int damage = 2;
    int escapeDamage = 2;

    bool operator==(const CombatRules &) const = default;
};

// Something wrong with a value of the rules' sections. A fatal one leaves its test (or the
// combat) out; a repeated key is only told, the first one being used.
struct RulesProblem
{
    QString section; // "Test3", "Combat"
    QString key;
    QString reason;
    bool fatal = true;

    bool operator==(const RulesProblem &) const = default;
};

// The values of the rules' sections as the file holds them, one text per key in the order of
// testKeys() and combatKeys(); an empty text is a key that is missing or empty.
struct RulesTexts
{
    QList<QStringList> tests;
    std::optional<QStringList> combat;

    bool operator==(const RulesTexts &) const = default;
};

// What the editor made of the rules it read: the rules as read and as they are now, and for
// each test of now the test (0-based) it was read as, -1 for one added.
struct RulesEdit
{
    RulesTexts before;
    RulesTexts after;
    QList<int> origins;

    // Whether writing it would change the file: a value changed as the file would hold it, a
    // test added, removed or moved, the combat switched.
    bool changed() const;
};

struct TestOutcome
{
    int total = 0;
    int value = 0; // the ability's current value it was compared with
    bool success = false;
    QList<AbilityChange> changes; // Always first, then OnSuccess or OnFailure
    QString text;                 // "運試し 7 ≦ 9 成功"
    QString result;               // what follows the name: "7 ≦ 9 成功"
};

struct RoundOutcome
{
    int heroStrength = 0;
    int enemyStrength = 0;
    int heroLoss = 0;  // taken from the hero's Endurance ability
    int enemyLoss = 0; // taken from the enemy's endurance
};

// The tests and the combat of a book, read from the sections [Test1]..[Test20] (up to the first
// missing number) and [Combat] of a settings file.
class BookRules
{
public:
    static constexpr int MaxTests = 20;
    static constexpr int MaxNameBytes = 16;
    static constexpr int MaxDice = 10;
    static constexpr int AbilityCount = 8;
    // Amounts and damage are bounded so that a sum can never overflow.
    static constexpr int MaxAmount = 9999;

    enum TestKey { Name, Dice, Ability, Success, Always, OnSuccess, OnFailure, TestKeyCount };
    enum CombatKey { Attack, Endurance, CombatDice, Damage, EscapeDamage, CombatKeyCount };

    QList<BookTest> tests;
    std::optional<CombatRules> combat;
    QList<RulesProblem> problems;

    static const QStringList &testKeys();
    static const QStringList &combatKeys();
    static QString testSection(int index) { return QStringLiteral("Test%1").arg(index + 1); }

    static RulesTexts textsFromBytes(const QByteArray &bytes,
                                     QList<RulesProblem> *duplicates = nullptr);
    static BookRules fromTexts(const RulesTexts &texts);
    static BookRules fromBytes(const QByteArray &bytes);

    // A value as the file holds it once written and read again: on one line, without the
    // blanks at either end, up to a NUL.
    static QString fileValue(QStringView typed);
    // Why a value cannot stand for a key, or an empty text when it can. The reader and the
    // editor ask the same: a value is judged as the file would hold it.
    static QString testValueProblem(int key, QStringView value);
    static QString combatValueProblem(int key, QStringView value);

    // existing with what edit changed written into it, and nothing else. A test section goes
    // with the comments right above it: moved, it takes them along; removed, they go too, as
    // does a later section of its number. A key whose value did not change keeps its line, even
    // when another program changed it meanwhile; a section no test was read from stays where it
    // is, unless a test added takes its number, which then writes into it. A new key goes after
    // its section's last entry, a new section after the test before it (else at the end), with
    // the line end the file uses. Nothing changed, nothing changes.
    static QByteArray writeInto(const QByteArray &existing, const RulesEdit &edit);
    // existing with its rules made to hold texts, test by test in place.
    static QByteArray writeInto(const QByteArray &existing, const RulesTexts &texts);

    // Faces typed in from real dice: count numbers, each within low..high, separated by blanks
    // (full-width digits and blanks too). Nothing, with the reason, for anything else.
    static std::optional<QList<int>> facesFromText(QStringView text, int count, int low, int high,
                                                   QString &reason);

    static QString changesText(const QList<AbilityChange> &changes);

    // total compared with value under the test's rule.
    static TestOutcome resolveTest(const BookTest &test, int value, int total);
    static RoundOutcome resolveRound(const CombatRules &rules, int heroAttack, int heroTotal,
                                     int enemyAttack, int enemyTotal);
    // The changes made through the sheet one after another, as typing each new current value
    // would make them: the limits in force apply to each.
    static void apply(Sheet &sheet, const QList<AbilityChange> &changes);
};
