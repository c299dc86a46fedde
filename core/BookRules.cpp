#include "BookRules.h"

#include "Cp932.h"
#include "Dice.h"
#include "IniData.h"
#include "IniText.h"
#include "NumberText.h"

#include <algorithm>
#include <array>
#include <climits>

using namespace Qt::StringLiterals;

namespace {

using Comparison = BookTest::Comparison;

struct Range
{
    int low;
    int high;
};

constexpr Range AbilityRange{1, BookRules::AbilityCount};
constexpr Range DiceRange{1, BookRules::MaxDice};
constexpr Range AmountRange{-BookRules::MaxAmount, BookRules::MaxAmount};
constexpr Range DamageRange{0, BookRules::MaxAmount};

QString missing(const QString &key)
{
    return u"%1 がありません"_s.arg(key);
}

// A number of the file within range, or the reason it is not one.
std::optional<int> numberIn(const QString &key, QStringView value, Range range, QString &reason)
{
    if (value.isEmpty()) {
        reason = missing(key);
        return std::nullopt;
    }
    const std::optional<int> number = NumberText::readTyped(value);
    if (!number) {
        reason = u"%1 の「%2」は数ではありません"_s.arg(key, value.toString());
        return std::nullopt;
    }
    if (*number < range.low || *number > range.high) {
        reason = u"%1 は %2 から %3 までです"_s.arg(key).arg(range.low).arg(range.high);
        return std::nullopt;
    }
    return number;
}

std::optional<Comparison> comparisonOf(QStringView value)
{
    static const QList<std::pair<QString, Comparison>> names{{u"le"_s, Comparison::Le},
                                                             {u"lt"_s, Comparison::Lt},
                                                             {u"ge"_s, Comparison::Ge},
                                                             {u"gt"_s, Comparison::Gt}};
    for (const auto &[name, comparison] : names) {
        if (value.compare(name, Qt::CaseInsensitive) == 0)
            return comparison;
    }
    return std::nullopt;
}

// "3:-1, 1:-2": pairs of ability and amount. Full-width separators are taken as well.
std::optional<QList<AbilityChange>> changesOf(const QString &key, QStringView value,
                                              QString &reason)
{
    QList<AbilityChange> changes;
    if (value.isEmpty())
        return changes;
    QString text = NumberText::halfWidth(value);
    text.replace(u'、', u',');
    const QStringList items = text.split(u',');
    for (const QString &item : items) {
        const QStringList pair = item.split(u':');
        if (pair.size() != 2) {
            reason = u"%1 は「能力:増減」をカンマで区切って並べます"_s.arg(key);
            return std::nullopt;
        }
        const std::optional<int> ability =
            numberIn(key + u" の能力"_s, IniText::strippedView(pair[0]), AbilityRange, reason);
        if (!ability)
            return std::nullopt;
        const std::optional<int> amount =
            numberIn(key + u" の増減"_s, IniText::strippedView(pair[1]), AmountRange, reason);
        if (!amount)
            return std::nullopt;
        changes.append({*ability - 1, *amount});
    }
    return changes;
}

} // namespace

const QStringList &BookRules::testKeys()
{
    static const QStringList keys{u"Name"_s,   u"Dice"_s,      u"Ability"_s,  u"Success"_s,
                                  u"Always"_s, u"OnSuccess"_s, u"OnFailure"_s};
    return keys;
}

const QStringList &BookRules::combatKeys()
{
    static const QStringList keys{u"Attack"_s, u"Endurance"_s, u"Dice"_s, u"Damage"_s,
                                  u"EscapeDamage"_s};
    return keys;
}

RulesTexts BookRules::textsFromBytes(const QByteArray &bytes, QList<RulesProblem> *duplicates)
{
    const IniText ini = IniText::parse(bytes);
    RulesTexts texts;
    const auto read = [&ini, duplicates](const QString &section, const QStringList &keys) {
        QStringList values;
        for (const QString &key : keys) {
            const QString *value = ini.find(section, key);
            values.append(value ? shownIniValue(*value).toString() : QString());
            if (duplicates && ini.keyCount(section, key) > 1)
                duplicates->append(
                    {section, key, u"%1 が二つ以上あります。最初の値を使います"_s.arg(key), false});
        }
        return values;
    };
    for (int i = 0; i < MaxTests && ini.hasSection(testSection(i)); ++i)
        texts.tests.append(read(testSection(i), testKeys()));
    if (ini.hasSection(u"Combat"_s))
        texts.combat = read(u"Combat"_s, combatKeys());
    return texts;
}

QString BookRules::fileValue(QStringView typed)
{
    QString line = typed.toString();
    line.replace(u'\r', u' ').replace(u'\n', u' ');
    return shownIniValue(IniText::strippedView(line)).toString();
}

QString BookRules::testValueProblem(int key, QStringView typed)
{
    const QString value = fileValue(typed);
    const QString &name = testKeys().value(key);
    QString reason;
    switch (key) {
    case Name:
        if (value.isEmpty())
            return missing(name);
        if (Cp932::byteLength(value) > MaxNameBytes)
            return u"Name は %1 バイトまでです (%2 バイト)"_s.arg(MaxNameBytes)
                .arg(Cp932::byteLength(value));
        return {};
    case Dice:
        numberIn(name, value, DiceRange, reason);
        return reason;
    case Ability:
        numberIn(name, value, AbilityRange, reason);
        return reason;
    case Success:
        if (value.isEmpty())
            return missing(name);
        return comparisonOf(value) ? QString() : u"Success は le, lt, ge, gt のどれかです"_s;
    case Always:
    case OnSuccess:
    case OnFailure:
        changesOf(name, value, reason);
        return reason;
    default:
        return {};
    }
}

QString BookRules::combatValueProblem(int key, QStringView typed)
{
    const QString value = fileValue(typed);
    const QString &name = combatKeys().value(key);
    const Range range = key == Attack || key == Endurance ? AbilityRange
                        : key == CombatDice               ? DiceRange
                                                          : DamageRange;
    QString reason;
    numberIn(name, value, range, reason);
    return reason;
}

BookRules BookRules::fromTexts(const RulesTexts &texts)
{
    BookRules rules;
    for (qsizetype i = 0; i < texts.tests.size(); ++i) {
        const QStringList &v = texts.tests[i];
        bool valid = true;
        for (int key = 0; key < TestKeyCount; ++key) {
            const QString reason = testValueProblem(key, v.value(key));
            if (!reason.isEmpty()) {
                rules.problems.append({testSection(int(i)), testKeys()[key], reason, true});
                valid = false;
            }
        }
        if (!valid)
            continue;
        QString unused;
        BookTest test;
        test.name = v[Name];
        test.dice = *NumberText::readTyped(v[Dice]);
        test.ability = *NumberText::readTyped(v[Ability]) - 1;
        test.success = *comparisonOf(v[Success]);
        test.always = *changesOf(testKeys()[Always], v[Always], unused);
        test.onSuccess = *changesOf(testKeys()[OnSuccess], v[OnSuccess], unused);
        test.onFailure = *changesOf(testKeys()[OnFailure], v[OnFailure], unused);
        rules.tests.append(test);
    }
    if (texts.combat) {
        const QStringList &v = *texts.combat;
        std::array<int, CombatKeyCount> numbers{};
        bool valid = true;
        for (int key = 0; key < CombatKeyCount; ++key) {
            const QString reason = combatValueProblem(key, v.value(key));
            if (!reason.isEmpty()) {
                rules.problems.append({u"Combat"_s, combatKeys()[key], reason, true});
                valid = false;
            } else {
                numbers[key] = *NumberText::readTyped(v[key]);
            }
        }
        if (valid)
            rules.combat = CombatRules{numbers[Attack] - 1, numbers[Endurance] - 1,
                                       numbers[CombatDice], numbers[Damage], numbers[EscapeDamage]};
    }
    return rules;
}

BookRules BookRules::fromBytes(const QByteArray &bytes)
{
    QList<RulesProblem> duplicates;
    const RulesTexts texts = textsFromBytes(bytes, &duplicates);
    BookRules rules = fromTexts(texts);
    rules.problems += duplicates;
    return rules;
}

std::optional<QList<int>> BookRules::facesFromText(QStringView text, int count, int low, int high,
                                                   QString &reason)
{
    const QStringList items =
        NumberText::halfWidth(text).simplified().split(u' ', Qt::SkipEmptyParts);
    if (items.size() != count) {
        reason = u"ダイスの目を %1 個、空白で区切って入力してください"_s.arg(count);
        return std::nullopt;
    }
    QList<int> faces;
    for (const QString &item : items) {
        const std::optional<int> face = NumberText::readTyped(item);
        if (!face) {
            reason = u"「%1」は数ではありません"_s.arg(item);
            return std::nullopt;
        }
        if (*face < low || *face > high) {
            reason = u"ダイスの目は %1 から %2 までです"_s.arg(low).arg(high);
            return std::nullopt;
        }
        faces.append(*face);
    }
    return faces;
}

QString BookRules::changesText(const QList<AbilityChange> &changes)
{
    QStringList items;
    for (const AbilityChange &change : changes)
        items.append(u"%1:%2"_s.arg(change.ability + 1).arg(change.amount));
    return items.join(u',');
}

TestOutcome BookRules::resolveTest(const BookTest &test, int value, int total)
{
    TestOutcome outcome;
    outcome.total = total;
    outcome.value = value;
    // The sign shown is the relation that holds: the test's own on success, its opposite else.
    QString sign;
    switch (test.success) {
    case Comparison::Le:
        outcome.success = total <= value;
        sign = outcome.success ? u"≦"_s : u">"_s;
        break;
    case Comparison::Lt:
        outcome.success = total < value;
        sign = outcome.success ? u"<"_s : u"≧"_s;
        break;
    case Comparison::Ge:
        outcome.success = total >= value;
        sign = outcome.success ? u"≧"_s : u"<"_s;
        break;
    case Comparison::Gt:
        outcome.success = total > value;
        sign = outcome.success ? u">"_s : u"≦"_s;
        break;
    }
    outcome.changes = test.always + (outcome.success ? test.onSuccess : test.onFailure);
    // One pass: a "%1" in the name is part of the name.
    outcome.result = u"%1 %2 %3 %4"_s.arg(QString::number(total), sign, QString::number(value),
                                          outcome.success ? u"成功"_s : u"失敗"_s);
    outcome.text = test.name + u' ' + outcome.result;
    return outcome;
}

RoundOutcome BookRules::resolveRound(const CombatRules &rules, int heroAttack, int heroTotal,
                                     int enemyAttack, int enemyTotal)
{
    RoundOutcome outcome;
    // Widened: an ability may hold any number a file or a hand typed.
    outcome.heroStrength =
        int(std::clamp<qint64>(qint64(heroTotal) + heroAttack, INT_MIN, INT_MAX));
    outcome.enemyStrength =
        int(std::clamp<qint64>(qint64(enemyTotal) + enemyAttack, INT_MIN, INT_MAX));
    if (outcome.heroStrength < outcome.enemyStrength)
        outcome.heroLoss = rules.damage;
    else if (outcome.enemyStrength < outcome.heroStrength)
        outcome.enemyLoss = rules.damage;
    return outcome;
}
