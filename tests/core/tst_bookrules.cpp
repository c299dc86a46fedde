#include "BookRules.h"
#include "Cp932.h"
#include "Sheet.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray bytes(const QString &text)
{
    return Cp932::encode(text);
}

const QString Luck = u"[Test1]\r\nName=運試し\r\nDice=2\r\nAbility=3\r\nSuccess=le\r\n"
                     u"Always=3:-1\r\nOnSuccess=\r\nOnFailure=1:-2\r\n\r\n"_s;
const QString Combat =
    u"[Combat]\r\nAttack=2\r\nEndurance=1\r\nDice=2\r\nDamage=2\r\nEscapeDamage=2\r\n\r\n"_s;

// A problem as "Section/Key!" when it leaves its test out, "Section/Key?" when only told.
QStringList problemTags(const QList<RulesProblem> &problems)
{
    QStringList tags;
    for (const RulesProblem &p : problems)
        tags.append(p.section + u'/' + p.key + (p.fatal ? u'!' : u'?'));
    return tags;
}

QString testSection(int n, const QString &name = u"試し"_s)
{
    return u"[Test%1]\r\nName=%2\r\nDice=1\r\nAbility=1\r\nSuccess=ge\r\n"_s.arg(n).arg(name);
}

} // namespace

class TestBookRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theExampleReads()
    {
        const BookRules rules =
            BookRules::fromBytes(bytes(u"[HEAD]\r\nName1=体力点\r\n"_s + Luck + Combat));
        QCOMPARE(rules.problems, QList<RulesProblem>());
        QCOMPARE(rules.tests.size(), 1);
        const BookTest &t = rules.tests[0];
        QCOMPARE(t.name, u"運試し"_s);
        QCOMPARE(t.dice, 2);
        QCOMPARE(t.ability, 2);
        QCOMPARE(t.success, BookTest::Comparison::Le);
        QCOMPARE(t.always, (QList<AbilityChange>{{2, -1}}));
        QCOMPARE(t.onSuccess, QList<AbilityChange>());
        QCOMPARE(t.onFailure, (QList<AbilityChange>{{0, -2}}));
        QCOMPARE(rules.combat, (CombatRules{1, 0, 2, 2, 2}));
    }

    // Each row: the file's text, how many tests are read, whether combat is, and the problems.
    void sectionsAreChecked_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<int>("tests");
        QTest::addColumn<bool>("combat");
        QTest::addColumn<QStringList>("problems");
        QTest::newRow("reading stops at the first missing number")
            << testSection(1) + testSection(3) << 1 << false << QStringList();
        QTest::newRow("no more than twenty tests") << [] {
            QString all;
            for (int n = 1; n <= 21; ++n)
                all += testSection(n);
            return all;
        }() << 20 << false << QStringList();
        QTest::newRow("a test missing a key is left out, the next still read")
            << u"[Test1]\r\nDice=1\r\nAbility=1\r\nSuccess=le\r\n"_s + testSection(2) << 1 << false
            << QStringList{u"Test1/Name!"_s};
        QTest::newRow("an empty value is missing")
            << u"[Test1]\r\nName=a\r\nDice=\r\nAbility=1\r\nSuccess=le\r\n"_s << 0 << false
            << QStringList{u"Test1/Dice!"_s};
        QTest::newRow("a repeated key: the first counts, and it is told")
            << u"[Test1]\r\nName=a\r\nDice=1\r\nDICE=x\r\nAbility=1\r\nSuccess=le\r\n"_s << 1
            << false << QStringList{u"Test1/Dice?"_s};
        QTest::newRow("a repeated section: the first counts")
            << testSection(1) + u"[Test1]\r\nName=\r\n"_s << 1 << false << QStringList();
        QTest::newRow("dice above ten") << testSection(1).replace(u"Dice=1"_s, u"Dice=11"_s) << 0
                                        << false << QStringList{u"Test1/Dice!"_s};
        QTest::newRow("no dice") << testSection(1).replace(u"Dice=1"_s, u"Dice=0"_s) << 0 << false
                                 << QStringList{u"Test1/Dice!"_s};
        QTest::newRow("ability nine") << testSection(1).replace(u"Ability=1"_s, u"Ability=9"_s) << 0
                                      << false << QStringList{u"Test1/Ability!"_s};
        QTest::newRow("not a number") << testSection(1).replace(u"Dice=1"_s, u"Dice=two"_s) << 0
                                      << false << QStringList{u"Test1/Dice!"_s};
        QTest::newRow("full-width digits, as an input method types them")
            << testSection(1).replace(u"Dice=1"_s, u"Dice=２"_s) << 1 << false << QStringList();
        QTest::newRow("hexadecimal, as the file's other numbers")
            << testSection(1).replace(u"Dice=1"_s, u"Dice=0x0A"_s) << 1 << false << QStringList();
        QTest::newRow("a name of 16 bytes")
            << testSection(1, u"運試し運試し運試"_s) << 1 << false << QStringList();
        QTest::newRow("a name of 17 bytes") << testSection(1, u"運試し運試し運試x"_s) << 0 << false
                                            << QStringList{u"Test1/Name!"_s};
        QTest::newRow("an unknown comparison") << testSection(1).replace(u"ge"_s, u"eq"_s) << 0
                                               << false << QStringList{u"Test1/Success!"_s};
        QTest::newRow("comparison in capitals")
            << testSection(1).replace(u"ge"_s, u"GT"_s) << 1 << false << QStringList();
        QTest::newRow("changes with blanks and full-width separators")
            << testSection(1) + u"Always= 3 : -1 、1：+2 \r\n"_s << 1 << false << QStringList();
        QTest::newRow("changes in full-width signs and digits")
            << testSection(1) + u"Always=3：－1，１：＋２\r\n"_s << 1 << false << QStringList();
        QTest::newRow("a change without its amount") << testSection(1) + u"OnFailure=3\r\n"_s << 0
                                                     << false << QStringList{u"Test1/OnFailure!"_s};
        QTest::newRow("a change of ability nine") << testSection(1) + u"OnSuccess=9:1\r\n"_s << 0
                                                  << false << QStringList{u"Test1/OnSuccess!"_s};
        QTest::newRow("an empty item between commas")
            << testSection(1) + u"Always=1:1,,2:1\r\n"_s << 0 << false
            << QStringList{u"Test1/Always!"_s};
        QTest::newRow("a comment after a value is part of it")
            << testSection(1) + u"Always=1:1 ; lose one\r\n"_s << 0 << false
            << QStringList{u"Test1/Always!"_s};
        QTest::newRow("combat") << Combat << 0 << true << QStringList();
        QTest::newRow("combat without damage")
            << QString(Combat).replace(u"Damage=2\r\nEscape"_s, u"Escape"_s) << 0 << false
            << QStringList{u"Combat/Damage!"_s};
        QTest::newRow("combat: negative damage")
            << QString(Combat).replace(u"\r\nDamage=2"_s, u"\r\nDamage=-2"_s) << 0 << false
            << QStringList{u"Combat/Damage!"_s};
        QTest::newRow("combat: attack of ability zero")
            << QString(Combat).replace(u"Attack=2"_s, u"Attack=0"_s) << 0 << false
            << QStringList{u"Combat/Attack!"_s};
    }
    void sectionsAreChecked()
    {
        QFETCH(QString, ini);
        QFETCH(int, tests);
        QFETCH(bool, combat);
        QFETCH(QStringList, problems);
        const BookRules rules = BookRules::fromBytes(bytes(ini));
        QCOMPARE(problemTags(rules.problems), problems);
        QCOMPARE(rules.tests.size(), tests);
        QCOMPARE(rules.combat.has_value(), combat);
        for (const RulesProblem &p : rules.problems)
            QVERIFY2(!p.reason.isEmpty(), qPrintable(p.key));
    }

    // Faces are read as an input method types them; a wrong one is refused saying why.
    void facesAreReadAsTyped()
    {
        QString told;
        QCOMPARE(BookRules::facesFromText(u" ３\u3000４"_s, 2, 1, 6, told), QList<int>({3, 4}));
        QCOMPARE(told, QString());
        QVERIFY(!BookRules::facesFromText(u"3 x"_s, 2, 1, 6, told));
        QVERIFY2(told.contains(u"「x」は数ではありません"_s), qPrintable(told));
    }

    // A name is text: a "%1" in it stays, and the numbers go where they belong.
    void aNameIsNeverAFormat()
    {
        BookTest test;
        test.name = u"技能%1%2"_s;
        QCOMPARE(BookRules::resolveTest(test, 45, 100).text, u"技能%1%2 100 > 45 失敗"_s);
    }

    void aNameIsReadInCodePage932()
    {
        // 0x5C is the second byte of "ソ": no escape and no cut there.
        const BookRules rules = BookRules::fromBytes(
            "[Test1]\r\nName=\x83\x5C\x83\x5C\r\nDice=1\r\nAbility=1\r\nSuccess=le\r\n");
        QCOMPARE(rules.tests.value(0).name, u"ソソ"_s);
    }

    // Each row: the comparison, the ability's value, the total; success and the text shown.
    void testsCompareAsTheirRuleSays_data()
    {
        QTest::addColumn<int>("comparison");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("total");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("text");
        using C = BookTest::Comparison;
        QTest::newRow("le, below") << int(C::Le) << 9 << 7 << true << u"運試し 7 ≦ 9 成功"_s;
        QTest::newRow("le, equal") << int(C::Le) << 9 << 9 << true << u"運試し 9 ≦ 9 成功"_s;
        QTest::newRow("le, above") << int(C::Le) << 9 << 10 << false << u"運試し 10 > 9 失敗"_s;
        QTest::newRow("lt, equal") << int(C::Lt) << 9 << 9 << false << u"運試し 9 ≧ 9 失敗"_s;
        QTest::newRow("lt, below") << int(C::Lt) << 9 << 8 << true << u"運試し 8 < 9 成功"_s;
        QTest::newRow("ge, equal") << int(C::Ge) << 9 << 9 << true << u"運試し 9 ≧ 9 成功"_s;
        QTest::newRow("ge, below") << int(C::Ge) << 9 << 8 << false << u"運試し 8 < 9 失敗"_s;
        QTest::newRow("gt, equal") << int(C::Gt) << 9 << 9 << false << u"運試し 9 ≦ 9 失敗"_s;
        QTest::newRow("gt, above") << int(C::Gt) << 9 << 10 << true << u"運試し 10 > 9 成功"_s;
        QTest::newRow("a negative value")
            << int(C::Le) << -2 << 2 << false << u"運試し 2 > -2 失敗"_s;
    }
    void testsCompareAsTheirRuleSays()
    {
        QFETCH(int, comparison);
        QFETCH(int, value);
        QFETCH(int, total);
        QFETCH(bool, success);
        QFETCH(QString, text);
        BookTest test;
        test.name = u"運試し"_s;
        test.success = BookTest::Comparison(comparison);
        test.always = {{2, -1}};
        test.onSuccess = {{1, 1}};
        test.onFailure = {{0, -2}, {1, -1}};
        const TestOutcome outcome = BookRules::resolveTest(test, value, total);
        QCOMPARE(outcome.success, success);
        QCOMPARE(outcome.text, text);
        QCOMPARE(outcome.changes, test.always + (success ? test.onSuccess : test.onFailure));
    }

    // Each row: the settings and link mode, the changes; the ability 3's origin and current
    // value after, from origin 10 and current value 4.
    void changesKeepTheSheetsRules_data()
    {
        QTest::addColumn<bool>("overLoad");
        QTest::addColumn<bool>("minusEnable");
        QTest::addColumn<bool>("linkMode");
        QTest::addColumn<QString>("changes");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("origin");
        QTest::newRow("a loss") << false << false << false << u"3:-3"_s << 1 << 10;
        QTest::newRow("no negative value without MinusEnable")
            << false << false << false << u"3:-6"_s << 0 << 10;
        QTest::newRow("a negative value with MinusEnable")
            << false << true << false << u"3:-6"_s << -2 << 10;
        QTest::newRow("capped at the origin") << false << false << false << u"3:9"_s << 10 << 10;
        QTest::newRow("over the origin with OverLoad")
            << true << false << false << u"3:9"_s << 13 << 10;
        // Each change is made on its own: the floor comes between them.
        QTest::newRow("one after another") << false << false << false << u"3:-6,3:2"_s << 2 << 10;
        QTest::newRow("link mode moves the current value only")
            << false << false << true << u"3:-1"_s << 9 << 10;
    }
    void changesKeepTheSheetsRules()
    {
        QFETCH(bool, overLoad);
        QFETCH(bool, minusEnable);
        QFETCH(bool, linkMode);
        QFETCH(QString, changes);
        QFETCH(int, current);
        QFETCH(int, origin);
        Sheet sheet;
        SettingsValues values;
        values.overLoad = overLoad;
        values.minusEnable = minusEnable;
        sheet.applySettings(u"Default.ini"_s, values);
        if (sheet.linkMode())
            sheet.toggleLinkMode();
        sheet.setOrigin(2, 10);
        sheet.setCurrent(2, 4);
        if (linkMode)
            sheet.toggleLinkMode(); // the current value becomes the origin
        const BookRules rules =
            BookRules::fromBytes(bytes(testSection(1) + u"Always="_s + changes));
        QCOMPARE(rules.problems, QList<RulesProblem>());
        BookRules::apply(sheet, rules.tests[0].always);
        QCOMPARE(sheet.record().current(2), current);
        QCOMPARE(sheet.record().origin(2), origin);
    }

    void roundsCostTheLowerSide_data()
    {
        QTest::addColumn<int>("heroAttack");
        QTest::addColumn<int>("heroTotal");
        QTest::addColumn<int>("enemyAttack");
        QTest::addColumn<int>("enemyTotal");
        QTest::addColumn<int>("heroLoss");
        QTest::addColumn<int>("enemyLoss");
        QTest::newRow("the hero stronger") << 10 << 7 << 6 << 8 << 0 << 3;
        QTest::newRow("the enemy stronger") << 6 << 5 << 8 << 4 << 3 << 0;
        QTest::newRow("equal costs nothing") << 6 << 6 << 8 << 4 << 0 << 0;
        QTest::newRow("no overflow") << INT_MAX << 12 << 0 << 2 << 0 << 3;
    }
    void roundsCostTheLowerSide()
    {
        QFETCH(int, heroAttack);
        QFETCH(int, heroTotal);
        QFETCH(int, enemyAttack);
        QFETCH(int, enemyTotal);
        QFETCH(int, heroLoss);
        QFETCH(int, enemyLoss);
        const CombatRules rules{1, 0, 2, 3, 2};
        const RoundOutcome outcome =
            BookRules::resolveRound(rules, heroAttack, heroTotal, enemyAttack, enemyTotal);
        QCOMPARE(outcome.heroLoss, heroLoss);
        QCOMPARE(outcome.enemyLoss, enemyLoss);
        QVERIFY(outcome.heroStrength >= heroTotal);
    }

    // Files whose rules are written back unchanged come back byte for byte.
    void writingTheSameRulesChangesNoByte_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("the example") << bytes(Luck + Combat);
        QTest::newRow("spacing, comments, LF and CR line ends, no last line end")
            << QByteArray("; rules\n[Test1]\n  Name = \x89\x5E\r; keep\rDice=0x2\r\nAbility=3\n"
                          "Success=LE\r\nAlways=3:-1\n\n[HEAD]\r\nName1=x\r\n[Combat]\r\nattack=2"
                          "\r\nEndurance=1\r\nDice=2\r\nDamage=2\r\nEscapeDamage=2");
        QTest::newRow("bytes code page 932 has no character for, elsewhere")
            << QByteArray("[Flags]\r\nFlag1=\x85\x40\xFD\r\n") + bytes(Luck);
        QTest::newRow("a second section of a name, and a value with a NUL")
            << bytes(Luck) + QByteArray("[Test1]\r\nName=other\r\nX=a\0b\r\n", 24);
    }
    void writingTheSameRulesChangesNoByte()
    {
        QFETCH(QByteArray, file);
        QCOMPARE(BookRules::writeInto(file, BookRules::textsFromBytes(file)), file);
    }

    // Each row: the file, the rules to write (as a file that holds only them), what comes out.
    void rulesAreWrittenIntoTheFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QByteArray>("expected");
        const QString head = u"[HEAD]\r\nName1=体力点\r\n\r\n"_s;
        QTest::newRow("into a file without rules")
            << bytes(head) << Luck + Combat << bytes(head + Luck + Combat).chopped(2);
        QTest::newRow("into a file whose last line has no end")
            << QByteArray("[HEAD]\r\nName1=x") << Combat
            << QByteArray("[HEAD]\r\nName1=x\r\n\r\n") + bytes(Combat).chopped(2);
        QTest::newRow("a changed value changes its line only")
            << QByteArray("[Test1]\nName=a\n  DICE = 2 \nAbility=1\nSuccess=le\n; end\n")
            << u"[Test1]\nName=a\nDice=3\nAbility=1\nSuccess=le\n"_s
            << QByteArray("[Test1]\nName=a\nDICE=3\nAbility=1\nSuccess=le\n; end\n");
        QTest::newRow("a missing key goes after the section's last line")
            << QByteArray("[Test1]\r\nName=a\r\nDice=2\r\nAbility=1\r\nSuccess=le\r\n\r\n[X]\r\n")
            << u"[Test1]\r\nName=a\r\nDice=2\r\nAbility=1\r\nSuccess=le\r\nOnFailure=1:-1\r\n"_s
            << QByteArray("[Test1]\r\nName=a\r\nDice=2\r\nAbility=1\r\nSuccess=le\r\n"
                          "OnFailure=1:-1\r\n\r\n[X]\r\n");
        QTest::newRow("a key goes above the comment over the next section, in LF")
            << bytes(testSection(1) + u"; b\r\n"_s + testSection(2)).replace("\r\n", "\n")
            << testSection(1) + u"OnFailure=1:-1\r\n"_s + testSection(2)
            << bytes(testSection(1) + u"OnFailure=1:-1\r\n; b\r\n"_s + testSection(2))
                   .replace("\r\n", "\n");
        QTest::newRow("a key added after a last line without its end")
            << bytes(testSection(1)).chopped(2) << testSection(1) + u"OnFailure=1:-1\r\n"_s
            << bytes(testSection(1) + u"OnFailure=1:-1\r\n"_s);
        QTest::newRow("a test taken away takes its section and the comment above it")
            << bytes(testSection(1) + u"; mine\r\n"_s + testSection(2) +
                     u"[Z]\r\nA=1\r\n; f\r\n"_s + Combat + testSection(3))
            << testSection(1) << bytes(testSection(1) + u"[Z]\r\nA=1\r\n"_s);
        QTest::newRow("a second section of a name is rewritten never")
            << bytes(testSection(1) + u"[test1]\r\nName=b\r\n"_s) << testSection(1, u"c"_s)
            << bytes(testSection(1, u"c"_s) + u"[test1]\r\nName=b\r\n"_s);
        QTest::newRow("a test dropped takes a second section of its name too")
            << bytes(u"[A]\r\n"_s + testSection(1) + u"[test1]\r\nName=b\r\n"_s) << QString()
            << QByteArray("[A]\r\n");
    }
    void rulesAreWrittenIntoTheFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, rules);
        QFETCH(QByteArray, expected);
        const QByteArray written =
            BookRules::writeInto(file, BookRules::textsFromBytes(bytes(rules)));
        QCOMPARE(written, expected);
        QCOMPARE(BookRules::textsFromBytes(written), BookRules::textsFromBytes(bytes(rules)));
    }

    // Each row: the file as the editor read it, the tests kept in their new order, and the
    // file written: a test takes the comments above it, blank lines keep their place.
    void movedAndRemovedTestsTakeTheirComments_data()
    {
        QTest::addColumn<QString>("read");
        QTest::addColumn<QList<int>>("origins");
        QTest::addColumn<QString>("expected");
        const QString a1 = testSection(1, u"a"_s), b2 = testSection(2, u"b"_s);
        const QString gap = a1 + u"\r\n"_s + b2 + u"\r\n"_s + testSection(4, u"d"_s);
        QTest::newRow("nothing changed, past a gap") << gap << QList<int>{0, 1} << gap;
        QTest::newRow("the first removed, in LF")
            << u"%1; skill\n%2\n[Z]\n"_s.arg(a1, b2).replace(u"\r\n"_s, u"\n"_s) << QList<int>{1}
            << u"; skill\n%1\n[Z]\n"_s.arg(testSection(1, u"b"_s)).replace(u"\r\n"_s, u"\n"_s);
        QTest::newRow("moved") << u"; luck\r\n%1\r\n; skill\r\n%2Always=1:1\r\n"_s.arg(a1, b2)
                               << QList<int>{1, 0}
                               << u"; skill\r\n%1Always=1:1\r\n\r\n; luck\r\n%2"_s.arg(
                                      testSection(1, u"b"_s), testSection(2, u"a"_s));
    }
    void movedAndRemovedTestsTakeTheirComments()
    {
        QFETCH(QString, read);
        QFETCH(QList<int>, origins);
        QFETCH(QString, expected);
        RulesEdit edit{BookRules::textsFromBytes(bytes(read)), {}, origins};
        for (int origin : origins)
            edit.after.tests.append(edit.before.tests[origin]);
        QCOMPARE(edit.changed(), read != expected);
        QCOMPARE(BookRules::writeInto(bytes(read), edit), bytes(expected));
    }

    // The editor and the reader judge a value alike: as the file holds it once written.
    void valuesAreJudgedAsTheFileHoldsThem_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("stands");
        QTest::newRow("a name of blanks") << int(BookRules::Name) << u" \t "_s << false;
        QTest::newRow("a name of a NUL") << int(BookRules::Name) << u" \0 "_s << false;
        QTest::newRow("dice between blanks") << int(BookRules::Dice) << u" 2\t"_s << true;
        QTest::newRow("changes over a line break")
            << int(BookRules::Always) << u"1:1,\n2:1"_s << true;
    }
    void valuesAreJudgedAsTheFileHoldsThem()
    {
        QFETCH(int, key);
        QFETCH(QString, typed);
        QFETCH(bool, stands);
        QCOMPARE(BookRules::testValueProblem(key, typed).isEmpty(), stands);
        RulesEdit edit{{}, {{{u"n"_s, u"1"_s, u"1"_s, u"le"_s, {}, {}, {}}}, {}}, {-1}};
        edit.after.tests[0][key] = typed;
        QCOMPARE(BookRules::fromBytes(BookRules::writeInto({}, edit)).tests.size(), stands ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestBookRules)
#include "tst_bookrules.moc"
