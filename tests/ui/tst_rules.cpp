#include "BoxAnswerer.h"
#include "CombatWindow.h"
#include "DiceStrip.h"
#include "RulesFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>

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

    // A rule that cannot stand keeps its place in the menu, greyed, saying why; a repeated
    // key is told beside its test.
    void rulesThatCannotStandSayWhy()
    {
        RulesFixture f;
        QFile file(f.dir.filePath(u"Default.ini"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Test1]\r\nName=eq\r\nDice=2\r\nAbility=1\r\nSuccess=eq\r\n"
                   "[Test2]\r\nName=ok\r\nDice=2\r\nDice=3\r\nAbility=1\r\nSuccess=le\r\n"
                   "[Combat]\r\nAttack=2\r\nEndurance=1\r\nDice=2\r\nDamage=-2\r\n");
        file.close();
        f.rules().rebuild();
        QStringList said;
        QList<QAction *> items = f.find<QMenu>(u"Rules1"_s)->actions().first(2);
        for (QAction *item : items << f.rules().combatAction())
            said << item->text() + QString::number(item->isEnabled()) + u' ' + item->toolTip();
        QCOMPARE(said, (QStringList{
                           u"eq0 [Test1] は使えません:\nSuccess は le, lt, ge, gt のどれかです"_s,
                           u"ok1 [Test2]: Dice が二つ以上あります。最初の値を使います"_s,
                           u"戦闘(&B)...0 [Combat] は使えません:\nDamage は 0 から 9999 までです\n"
                           u"EscapeDamage がありません"_s}));
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

    // A round and an escape through the combat window with faces entered; undo takes each
    // back, the enemy's endurance with it, and the ledger lists them.
    void combatRoundsAreSteps()
    {
        RulesFixture f;
        f.menuItem(u"RulesEnterFaces"_s)->trigger();
        f.menuItem(u"RulesCombat"_s)->trigger();
        CombatWindow *window = f.rules().combatWindow();
        QVERIFY(window && window->isVisible());
        const auto edit = [window](const QString &name, const QString &text) {
            QTest::keyClicks(window->findChild<QLineEdit *>(name), text);
        };
        // Japanese text cannot be typed key by key here; it is pasted as an input method would.
        window->findChild<QLineEdit *>(u"EditEnemyName"_s)->insert(u"ゴブリン"_s);
        edit(u"EditEnemyAttack"_s, u"5"_s);
        edit(u"EditEnemyEndurance"_s, u"3"_s);
        QTest::mouseClick(window->findChild<QPushButton *>(u"ButtonAddEnemy"_s), Qt::LeftButton);
        auto *round = window->findChild<QPushButton *>(u"ButtonRound"_s);
        {
            // A face of 7 is refused and the dialog stays for "1 5"; then the enemy's dice.
            // Hero 6 + skill 10 = 16 against 6 + 5 = 11: the goblin loses 2.
            FacesAnswerer answers({u"7 7"_s, u"1 5"_s, u"3 3"_s});
            QTest::mouseClick(round, Qt::LeftButton);
            QVERIFY(answers.done());
            QCOMPARE(f.form->history().undo().dice().size(), 2);
        }
        QCOMPARE(window->enemies().value(0).endurance, 1);
        QCOMPARE(f.current(0), 20);
        {
            // 2 + 10 = 12 against 12 + 5 = 17: the hero loses 2.
            FacesAnswerer answers({u"1 1"_s, u"6 6"_s});
            QTest::mouseClick(round, Qt::LeftButton);
        }
        QCOMPARE(f.current(0), 18);
        QTest::mouseClick(window->findChild<QPushButton *>(u"ButtonEscape"_s), Qt::LeftButton);
        QCOMPARE(f.current(0), 16);
        QCOMPARE(f.form->history().undo().stepCount(), 3);

        const QString ledger = f.ledger();
        QVERIFY2(ledger.contains(
                     u"    サイコロ: 1 5 (合計 6) 入力\r\n    サイコロ: 3 3 (合計 6) 入力\r\n"
                     u"    戦闘: 自分 [1 5] 6+10=16 / ゴブリン [3 3] 6+5=11 → "
                     u"ゴブリン -2 (残り 1) 入力\r\n"_s),
                 qPrintable(ledger));
        QVERIFY2(ledger.contains(u"自分 -2 入力\r\n    体力点: 20 → 18\r\n"_s), qPrintable(ledger));
        QVERIFY2(ledger.contains(u"戦闘: 逃げた (自分 -2)\r\n    体力点: 18 → 16\r\n"_s),
                 qPrintable(ledger));

        f.form->history().undo().undo();
        QCOMPARE(f.current(0), 18);
        f.form->history().undo().undo();
        QCOMPARE(f.current(0), 20);
        f.form->history().undo().undo();
        QCOMPARE(window->enemies().value(0).endurance, 3);
        f.form->history().undo().redo();
        QCOMPARE(window->enemies().value(0).endurance, 1);
    }

    // Each row: the field (0 name, 1 attack, 2 endurance), the text an input method typed,
    // and words of the reason it cannot stand, none when it can.
    void enemyValuesAreReadAsTyped_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason");
        QTest::newRow("full-width digits") << 1 << u"－１０\u3000"_s << QString();
        QTest::newRow("a blank for a name") << 0 << u"\u3000"_s << u"敵の名前を入力"_s;
        QTest::newRow("letters") << 1 << u"5a"_s << u"「5a」は数ではありません"_s;
        QTest::newRow("an enemy already down") << 2 << u"0"_s << u"1 から 9999 まで"_s;
    }
    void enemyValuesAreReadAsTyped()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, reason);
        const QString told = CombatWindow::enemyValueProblem(field, text);
        QVERIFY2(reason.isEmpty() ? told.isEmpty() : told.contains(reason), qPrintable(told));
    }

    // From the keyboard alone: the focus starts in the first field; Enter adds the enemy;
    // Alt+R plays a round; Ctrl+Z takes back first the typing in a field, then the round;
    // Escape closes.
    void theWindowIsPlayedFromTheKeyboard()
    {
        RulesFixture f;
        f.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        f.menuItem(u"RulesCombat"_s)->trigger();
        CombatWindow *window = f.rules().combatWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        const QList<QLineEdit *> fields = window->fields();
        QTRY_COMPARE(QApplication::focusWidget(), fields[0]);
        fields[0]->insert(u"ゴブ%2"_s); // a name is text, never a format
        fields[1]->insert(u"5"_s);
        fields[2]->insert(u"3"_s);
        QTest::keyClick(fields[2], Qt::Key_Return);
        QCOMPARE(window->enemies().size(), 1);
        QCOMPARE(QApplication::focusWidget(), fields[0]);

        QTest::keyClick(fields[0], Qt::Key_R, Qt::AltModifier);
        SheetUndo &undo = f.form->history().undo();
        QTRY_COMPARE(undo.stepCount(), 1); // a button pressed by its key clicks a moment later
        QVERIFY2(undo.stepAt(0).field.contains(u" / ゴブ%2 ["_s), qPrintable(undo.stepAt(0).field));
        QTest::keyClicks(fields[0], u"ab"_s);
        QTest::keyClick(fields[0], Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(fields[0]->text(), QString());
        QCOMPARE(undo.stepCount(), 1);
        QTest::keyClick(fields[0], Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(undo.stepCount(), 0);
        QTest::keyClick(fields[0], Qt::Key_Escape);
        QVERIFY(!window->isVisible());
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

    // The editor: a value that cannot stand is refused where it is typed; what is accepted is
    // written into the file as it stands when OK is pressed, every other line kept; the menu
    // follows at once.
    void theEditorWritesTheRulesAndKeepsEveryOtherLine()
    {
        RulesFixture f;
        QFile file(f.dir.filePath(u"Default.ini"_s));
        const auto bytesOnDisk = [&file] {
            file.open(QIODevice::ReadOnly);
            const QByteArray bytes = file.readAll();
            file.close();
            return bytes;
        };
        const QByteArray head = bytesOnDisk().left(bytesOnDisk().indexOf("[Test1]"));
        ModalDriver driver(u"RulesDialog"_s, [&](QWidget *dialog) {
            auto *dice = dialog->findChild<QLineEdit *>(u"EditTestDice"_s);
            auto *ok = dialog->findChild<QPushButton *>(u"ButtonRulesOk"_s);
            QTest::mouseClick(dice, Qt::LeftButton);
            dice->selectAll();
            QTest::keyClicks(dice, u"11"_s);
            QVERIFY(!dialog->findChild<QLabel *>(u"LabelTestProblem"_s)->isHidden());
            QVERIFY(!dice->toolTip().isEmpty());
            QTest::mouseClick(dialog->findChild<QPushButton *>(u"ButtonAddTest"_s), Qt::LeftButton);
            // OK goes back to the value, on its test, and writes nothing.
            QTest::mouseClick(ok, Qt::LeftButton);
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->focusWidget(), dice);
            QCOMPARE(dice->text(), u"11"_s);
            dice->selectAll();
            QTest::keyClicks(dice, u"3"_s);
            QVERIFY(dialog->findChild<QLabel *>(u"LabelTestProblem"_s)->isHidden());

            // The second test, on skill, under a Japanese name.
            auto *list = dialog->findChild<QListWidget *>(u"ListTests"_s);
            list->setCurrentRow(1);
            auto *name = dialog->findChild<QLineEdit *>(u"EditTestName"_s);
            name->selectAll();
            name->insert(u"技術判定"_s);
            QCOMPARE(list->item(1)->text(), u"技術判定"_s);
            auto *ability = dialog->findChild<QComboBox *>(u"ComboTestAbility"_s);
            QTest::keyClick(ability, Qt::Key_Down);
            // No combat any more.
            dialog->findChild<QTabWidget *>(u"TabsRules"_s)->setCurrentIndex(1);
            auto *combat = dialog->findChild<QCheckBox *>(u"CheckCombat"_s);
            combat->setFocus();
            QTest::keyClick(combat, Qt::Key_Space);
            QVERIFY(!combat->isChecked());
            // Another program adds a section while the dialog is open: it stays.
            QVERIFY(file.open(QIODevice::Append));
            file.write("[Later]\r\nKey=1\r\n");
            file.close();
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        f.menuItem(u"RulesEdit"_s)->trigger();
        QVERIFY(driver.ran);

        const QByteArray after = bytesOnDisk();
        QVERIFY2(after.startsWith(head), after.constData());
        QVERIFY2(after.contains(Cp932::encode(u"Name=運試し\r\nDice=3\r\nAbility=3\r\n"_s)),
                 after.constData());
        QVERIFY2(after.contains(Cp932::encode(u"[Test2]\r\nName=技術判定\r\nDice=2\r\n"
                                              u"Ability=2\r\nSuccess=le\r\n"_s)),
                 after.constData());
        QVERIFY(after.contains("[Later]\r\nKey=1\r\n"));
        QVERIFY(!after.contains("[Combat]"));
        const QList<QAction *> items = f.find<QMenu>(u"Rules1"_s)->actions();
        QCOMPARE(items.value(1)->text(), u"技術判定"_s);
        QVERIFY(!f.rules().combatAction()->isEnabled());
    }

    // A file that cannot be written is told, and the dialog stays with what was typed.
    void aFailedWriteKeepsTheEditor()
    {
        RulesFixture f;
        QVERIFY(QFile::remove(f.dir.filePath(u"Default.ini"_s)));
        QVERIFY(QDir(f.dir.path()).mkdir(u"Default.ini"_s));
        BoxAnswerer boxes;
        ModalDriver driver(u"RulesDialog"_s, [&](QWidget *dialog) {
            QTest::mouseClick(dialog->findChild<QPushButton *>(u"ButtonAddTest"_s), Qt::LeftButton);
            QTest::mouseClick(dialog->findChild<QPushButton *>(u"ButtonRulesOk"_s), Qt::LeftButton);
            QCOMPARE(boxes.texts.size(), 1);
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->findChild<QListWidget *>(u"ListTests"_s)->count(), 1);
            qobject_cast<QDialog *>(dialog)->reject();
        });
        f.menuItem(u"RulesEdit"_s)->trigger();
        QVERIFY(driver.ran);
        QVERIFY(QFileInfo(f.dir.filePath(u"Default.ini"_s)).isDir());
    }
};

QTEST_MAIN(TestRules)
#include "tst_rules.moc"
