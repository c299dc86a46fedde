#include "DiceStrip.h"
#include "RulesFixture.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>

using namespace Qt::StringLiterals;

class TestRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theMenuFollowsTheSettingsInForce()
    {
        RulesFixture f;
        auto *menu = f.find<QMenu>(u"Rules1"_s);
        const QList<QAction *> bar = f.form->menuBar()->actions();
        QCOMPARE(bar.indexOf(menu->menuAction()) + 1,
                 bar.indexOf(f.find<QMenu>(u"Help1"_s)->menuAction()));
        QCOMPARE(menu->actions().first()->text(), u"運試し"_s);
        QVERIFY(f.rules().combatAction()->isEnabled());

        // Another file in force, without rules: no test, and no combat.
        QFile other(f.dir.filePath(u"Plain.ini"_s));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("[Test1]\r\nName=a&b\r\nDice=1\r\nAbility=1\r\nSuccess=ge\r\n");
        other.close();
        f.form->sheet().applySettings(u"Plain.ini"_s, f.form->sheet().settings());
        QCOMPARE(menu->actions().first()->text(), u"a&&b"_s);
        QVERIFY(!f.rules().combatAction()->isEnabled());
        // Undo brings the first file back in force, and its rules with it.
        f.form->history().undo().commit(SheetStep::Kind::Settings);
        f.form->history().undo().undo();
        QCOMPARE(menu->actions().first()->text(), u"運試し"_s);
        QVERIFY(f.rules().combatAction()->isEnabled());
    }

    // A test through the menu with faces entered: a wrong entry is refused in the dialog, the
    // changes are made, the outcome is shown, undo takes the test back, the ledger lists it.
    void aTestWithEnteredFacesIsOneStep()
    {
        RulesFixture f;
        auto *dice = f.find<DiceStrip>(u"PanelDice"_s);
        f.menuItem(u"RulesEnterFaces"_s)->trigger();
        QVERIFY(f.rules().entersFaces());
        {
            FacesAnswerer answers({u"3"_s, u"3 7"_s, u"3 4"_s});
            f.menuItem(u"RulesTest1"_s)->trigger();
            QVERIFY(answers.done());
        }
        // 7 against luck 9: success; Always takes one luck.
        QCOMPARE(f.current(2), 8);
        QCOMPARE(f.current(0), 20);
        QCOMPARE(dice->outcome(), u"運試し 7 ≦ 9 成功"_s);
        QCOMPARE(f.find<QLabel>(u"LabelOutcome"_s)->accessibleName(), dice->outcome());
        QCOMPARE(f.find<QLabel>(u"LabelTotal"_s)->text(), u"7"_s);
        {
            FacesAnswerer answers({u"6 6"_s});
            f.menuItem(u"RulesTest1"_s)->trigger();
        }
        // 12 against 8: failure, two stamina and one luck.
        QCOMPARE(f.current(2), 7);
        QCOMPARE(f.current(0), 18);
        QCOMPARE(f.form->history().undo().stepCount(), 2);
        {
            // Escape rolls nothing: no step, no roll.
            FacesAnswerer answers({QString()});
            f.menuItem(u"RulesTest1"_s)->trigger();
        }
        QCOMPARE(f.form->history().undo().stepCount(), 2);
        QCOMPARE(f.form->history().undo().dice().size(), 2);

        const QString ledger = f.ledger();
        QVERIFY2(
            ledger.contains(u"    サイコロ: 3 4 (合計 7) 入力\r\n    判定: 運試し 7 ≦ 9 成功\r\n"
                            u"    運点: 9 → 8\r\n"_s),
            qPrintable(ledger));
        QVERIFY2(ledger.contains(u"判定: 運試し 12 > 8 失敗\r\n    体力点: 20 → 18\r\n"
                                 u"    運点: 8 → 7\r\n"_s),
                 qPrintable(ledger));

        f.form->history().undo().undo();
        QCOMPARE(f.current(0), 20);
        QCOMPARE(f.current(2), 8);
        f.form->history().undo().undo();
        QCOMPARE(f.current(2), 9);
        QVERIFY(!f.ledger().contains(u"判定"_s));
    }

    // Without entered faces the dice roll and stop by themselves.
    void aTestRollsTheDice()
    {
        RulesFixture f;
        auto *dice = f.find<DiceStrip>(u"PanelDice"_s);
        dice->setSeed(7);
        f.menuItem(u"RulesTest1"_s)->trigger();
        QVERIFY(dice->isRolling());
        QTRY_VERIFY(!dice->isRolling());
        QCOMPARE(dice->diceCount(), 2);
        const int total = dice->diceValues()[0] + dice->diceValues()[1];
        QCOMPARE(f.current(2), 8);
        QCOMPARE(f.current(0), total <= 9 ? 20 : 18);
        QVERIFY(dice->outcome().startsWith(u"運試し %1 "_s.arg(total)));
        QCOMPARE(f.form->history().undo().stepCount(), 1);
    }
};

QTEST_MAIN(TestRules)
#include "tst_rules.moc"
