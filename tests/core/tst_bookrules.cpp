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

    // Each row: the text typed for two dice of 1 to 6; the faces, or words of the reason.
    void facesAreReadAsTypedOrRefusedWithTheirReason_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("faces");
        QTest::addColumn<QString>("reason");
        QTest::newRow("full-width") << u" ３\u3000４"_s << QList<int>{3, 4} << QString();
        QTest::newRow("a letter") << u"3 x"_s << QList<int>() << u"「x」は数ではありません"_s;
        QTest::newRow("a face too high") << u"3 7"_s << QList<int>() << u"1 から 6 まで"_s;
    }
    void facesAreReadAsTypedOrRefusedWithTheirReason()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, faces);
        QFETCH(QString, reason);
        QString told;
        QCOMPARE(BookRules::facesFromText(text, 2, 1, 6, told).value_or(QList<int>()), faces);
        QVERIFY2(reason.isEmpty() ? told.isEmpty() : told.contains(reason), qPrintable(told));
    }

    // A name is text: a "%1" in it stays, and the numbers go where they belong.
    void aNameIsNeverAFormat()
    {
        BookTest test;
        test.name = u"技能%1%2"_s;
        const TestOutcome outcome = BookRules::resolveTest(test, 45, 100);
        QCOMPARE(outcome.text, u"技能%1%2 100 > 45 失敗"_s);
        QCOMPARE(outcome.result, u"100 > 45 失敗"_s);
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
        QTest::newRow("a test taken away takes its section and the comment above it")
            << bytes(testSection(1) + u"; mine\r\n"_s + testSection(2) + u"[Z]\r\nA=1\r\n"_s +
                     Combat + testSection(3))
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

    // Each row: the file as the editor read it, the file when OK is pressed (empty: the same),
    // what the editor did, and the bytes written.
    void onlyWhatTheEditorChangedIsWritten_data()
    {
        QTest::addColumn<QByteArray>("read");
        QTest::addColumn<QByteArray>("onDisk");
        QTest::addColumn<QString>("done");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray t1 = "[Test1]\r\nName=a\r\nDice=1\r\nAbility=1\r\nSuccess=ge\r\n";
        const QByteArray t1Dice3 = QByteArray(t1).replace("Dice=1", "Dice=3");
        const QByteArray t2 = "[Test2]\r\nName=b\r\nDice=2\r\nAbility=2\r\nSuccess=le\r\n";
        const QByteArray t4 = "[Test4]\r\nName=d\r\nDice=1\r\nAbility=1\r\nSuccess=le\r\n";
        const auto lf = [](QByteArray text) { return text.replace("\r\n", "\n"); };
        QTest::newRow("past a gap, nothing changed")
            << t1 + "\r\n" + t2 + "\r\n" + t4 << QByteArray() << QString()
            << t1 + "\r\n" + t2 + "\r\n" + t4;
        QTest::newRow("past a gap, a value changed")
            << t1 + t2 + "; later\r\n" + t4 + "[Combat]\r\n"
            << QByteArray() << u"dice 3"_s << t1Dice3 + t2 + "; later\r\n" + t4 + "[Combat]\r\n";
        QTest::newRow("a section another program added meanwhile")
            << t1 + t2 << t1 + t2 + "[Test3]\r\nName=c\r\n"
            << u"dice 3"_s << t1Dice3 + t2 + "[Test3]\r\nName=c\r\n";
        QTest::newRow("removed: the comment above the next test moves with it")
            << lf(t1 + "; skill\r\n" + t2 + "\r\n[Z]\r\n") << QByteArray() << u"remove"_s
            << lf("; skill\r\n" + QByteArray(t2).replace("Test2", "Test1") + "\r\n[Z]\r\n");
        QTest::newRow("moved: each with its comments, the blank lines keep their place")
            << "; luck\r\n" + t1 + "\r\n; skill\r\n" + t2 + "Always=1:1\r\n"
            << QByteArray() << u"move"_s
            << "; skill\r\n" + QByteArray(t2).replace("Test2", "Test1") + "Always=1:1\r\n\r\n" +
                   "; luck\r\n" + QByteArray(t1).replace("Test1", "Test2");
        QTest::newRow("a key added before the comment above the next section, LF kept")
            << lf(t1 + "; skill\r\n" + t2) << QByteArray() << u"fail"_s
            << lf(t1 + "OnFailure=1:-1\r\n; skill\r\n" + t2);
        QTest::newRow("a key added after a last line without its end")
            << t1.chopped(2) << QByteArray() << u"fail"_s << t1 + "OnFailure=1:-1\r\n";
        QTest::newRow("a test added after the one before it, LF")
            << lf(t1 + "\r\n[Combat]\r\nAttack=1\r\n") << QByteArray() << u"add"_s
            << lf(t1 + "\r\n" + QByteArray(t2).replace("Name=b", "Name=n") +
                  "Always=\r\nOnSuccess=\r\nOnFailure=\r\n\r\n[Combat]\r\nAttack=1\r\n");
        QTest::newRow("added tests: the second takes the number of a section past a gap")
            << t1 + "\r\n[Test3]\r\nName=old\r\nX=1\r\n"
            << QByteArray() << u"add 2"_s
            << t1 + "\r\n[Test2]\r\nName=n\r\nDice=2\r\nAbility=2\r\nSuccess=le\r\nAlways=\r\n"
                    "OnSuccess=\r\nOnFailure=\r\n\r\n[Test3]\r\nName=n\r\nX=1\r\nDice=2\r\n"
                    "Ability=2\r\nSuccess=le\r\n";
        QTest::newRow("combat switched off goes with its comment")
            << t1 + "\r\n; fights\r\n[Combat]\r\nAttack=1\r\n\r\n[Z]\r\n"
            << QByteArray() << u"no combat"_s << t1 + "\r\n[Z]\r\n";
    }
    void onlyWhatTheEditorChangedIsWritten()
    {
        QFETCH(QByteArray, read);
        QFETCH(QByteArray, onDisk);
        QFETCH(QString, done);
        QFETCH(QByteArray, expected);
        RulesEdit edit{BookRules::textsFromBytes(read), {}, {}};
        edit.after = edit.before;
        for (int i = 0; i < edit.before.tests.size(); ++i)
            edit.origins.append(i);
        QList<QStringList> &tests = edit.after.tests;
        if (done == u"dice 3"_s) {
            tests[0][BookRules::Dice] = u"3"_s;
        } else if (done == u"remove"_s) {
            tests.removeFirst();
            edit.origins.removeFirst();
        } else if (done == u"move"_s) {
            tests.move(1, 0);
            edit.origins.move(1, 0);
        } else if (done == u"fail"_s) {
            tests[0][BookRules::OnFailure] = u"1:-1"_s;
        } else if (done.startsWith(u"add"_s)) {
            for (int n = done.endsWith(u'2') ? 2 : 1; n > 0; --n) {
                tests.append({u"n"_s, u"2"_s, u"2"_s, u"le"_s, {}, {}, {}});
                edit.origins.append(-1);
            }
        } else if (done == u"no combat"_s) {
            edit.after.combat.reset();
        }
        QCOMPARE(edit.changed(), !done.isEmpty());
        const QByteArray written = BookRules::writeInto(onDisk.isEmpty() ? read : onDisk, edit);
        QCOMPARE(written, expected);
        QCOMPARE(BookRules::textsFromBytes(written).tests.mid(0, tests.size()), tests);
    }

    // The editor and the reader judge a value alike: as the file holds it once written.
    void valuesAreJudgedAsTheFileHoldsThem_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("stands");
        QTest::newRow("a name of blanks") << int(BookRules::Name) << u" \t "_s << false;
        QTest::newRow("a name of 16 bytes between blanks")
            << int(BookRules::Name) << u"  運試し運試し運試 "_s << true;
        QTest::newRow("a name of a NUL between blanks")
            << int(BookRules::Name) << u" \0 "_s << false;
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
        const QList<QStringList> tests{{u"n"_s, u"1"_s, u"1"_s, u"le"_s, {}, {}, {}}};
        RulesEdit edit{{}, {tests, {}}, {-1}};
        edit.after.tests[0][key] = typed;
        const QByteArray file = BookRules::writeInto({}, edit);
        QCOMPARE(BookRules::fromBytes(file).tests.size(), stands ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestBookRules)
#include "tst_bookrules.moc"
