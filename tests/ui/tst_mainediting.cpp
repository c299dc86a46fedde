#include "CheckListBox.h"
#include "MainFormControls.h"
#include "MainFormFixture.h"
#include "SpinButton.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

using namespace Qt::StringLiterals;

// The rules of editing the sheet: the flags, the number boxes, origins and current values under
// the link mode and the limits in force, and the texts that refuse what cannot be stored.
class TestMainEditing : public QObject
{
    Q_OBJECT

private:
    static void typeInto(QLineEdit *box, const QString &keys, bool selectAll = false)
    {
        box->setFocus();
        if (selectAll)
            box->selectAll();
        QTest::keyClicks(box, keys);
    }

private Q_SLOTS:
    void loweringTheFlagCountKeepsTheMarksThatRemain()
    {
        SettingsValues ini;
        ini.flagNumber = 3;
        ini.flagText = u"Ａ\r\nＢ\r\nＣ\r\n"_s;
        MainFormFixture f(ini);
        auto *list = f.find<CheckListBox>(u"CheckListBoxFL"_s);
        list->item(0)->setCheckState(Qt::Checked);
        list->item(2)->setCheckState(Qt::Checked);
        QVERIFY(f.form->sheet().record().flag(0));
        QVERIFY(f.form->sheet().record().flag(2));

        f.changeSettings([](SettingsValues &v) { v.flagNumber = 2; });
        f.changeSettings([](SettingsValues &v) { v.flagText = u"Ａ\r\nＢ\r\n"_s; });
        f.form->showSettings();
        QCOMPARE(list->count(), 2);
        QVERIFY(list->isChecked(0));
        QVERIFY(!list->isChecked(1));
        QCOMPARE(f.form->sheet().record().flagCount(), 2);
    }

    void clickingAFlagStoresEveryFlag()
    {
        SettingsValues ini;
        ini.flagNumber = 3;
        ini.flagText = u"Ａ\r\nＢ\r\nＣ\r\n"_s;
        MainFormFixture f(ini);
        auto *list = f.find<CheckListBox>(u"CheckListBoxFL"_s);
        list->item(2)->setCheckState(Qt::Checked);
        QCOMPARE(f.form->sheet().record().flag(2), true);
        QCOMPARE(f.form->sheet().record().flag(0), false);
    }

    void reflectHandsTheLimitsToTheRecord()
    {
        SettingsValues ini;
        ini.overLoad = true;
        MainFormFixture f(ini);
        f.form->findChild<QAction *>(u"N4"_s)->trigger(); // link mode off
        typeInto(edit(f, u"EditAbl1Max"_s), u"10"_s, true);
        typeInto(edit(f, u"EditAbl1"_s), u"15"_s, true);
        QCOMPARE(f.form->sheet().record().current(0), 15);
        f.changeSettings([](SettingsValues &v) { v.overLoad = false; });
        f.form->showSettings();
        QCOMPARE(f.form->sheet().record().current(0), 10);
    }

    void numberBoxesTakeDigitsOnly_data()
    {
        QTest::addColumn<QString>("box");
        for (const char16_t *name : {u"EditAbl1Max", u"EditAbl1", u"EditMoney"})
            QTest::addRow("%s", qPrintable(QString::fromUtf16(name))) << QString::fromUtf16(name);
    }
    void numberBoxesTakeDigitsOnly()
    {
        QFETCH(QString, box);
        SettingsValues ini = allAbilities();
        ini.overLoad = true;
        MainFormFixture f(ini);
        QLineEdit *e = edit(f, box);
        typeInto(e, u"-.a "_s);
        QTest::keyClick(e, Qt::Key_Return);
        QCOMPARE(e->text(), u"0"_s);
        typeInto(e, u"7"_s);
        QCOMPARE(e->text(), u"7"_s);
    }

    void keysThatTypeAnythingButDigitsAreDiscarded_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        const QList<std::tuple<const char *, int, int, QString>> keys{
            {"Alt+A", Qt::Key_A, Qt::AltModifier, u"a"_s},
            {"Ctrl+Alt+A", Qt::Key_A, Qt::ControlModifier | Qt::AltModifier, u"a"_s},
            {"beyond the BMP", 0, Qt::NoModifier, u"😀"_s},
            {"digit and letter at once", 0, Qt::NoModifier, u"3x"_s}};
        for (const char *box : {"EditAbl1Max", "EditAbl1", "EditMoney", "EditNow"}) {
            for (const auto &[name, key, modifiers, text] : keys)
                QTest::addRow("%s, %s", box, name)
                    << QString::fromLatin1(box) << key << modifiers << text;
        }
    }
    void keysThatTypeAnythingButDigitsAreDiscarded()
    {
        QFETCH(QString, box);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        SettingsValues ini = allAbilities();
        ini.overLoad = true;
        MainFormFixture f(ini);
        QLineEdit *e = edit(f, box);
        typeInto(e, u"12"_s, true);
        QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
        QApplication::sendEvent(e, &press);
        QCOMPARE(e->text(), u"12"_s);
    }

    void editingShortcutsKeepWorkingInNumberBoxes()
    {
        MainFormFixture f;
        QLineEdit *origin = edit(f, u"EditAbl1Max"_s);
        typeInto(origin, u"12"_s, true);
        // The texts are the control characters the keyboard gives with Ctrl held.
        const auto press = [origin](Qt::Key key, char16_t text) {
            QKeyEvent event(QEvent::KeyPress, key, Qt::ControlModifier, QString(QChar(text)));
            QApplication::sendEvent(origin, &event);
        };
        press(Qt::Key_A, 0x01);
        QCOMPARE(origin->selectedText(), u"12"_s);
        press(Qt::Key_C, 0x03);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"12"_s);
        press(Qt::Key_X, 0x18);
        QCOMPARE(origin->text(), u"0"_s);
        QCOMPARE(edit(f, u"EditAbl1"_s)->text(), u"0"_s);
        press(Qt::Key_V, 0x16);
        QCOMPARE(origin->text(), u"12"_s);
        QCOMPARE(edit(f, u"EditAbl1"_s)->text(), u"12"_s);
        QCOMPARE(f.form->sheet().record().current(0), 12);
    }

    void anEmptiedBoxShowsZeroWithTheCaretAfterIt()
    {
        MainFormFixture f;
        f.form->findChild<QAction *>(u"N4"_s)->trigger();
        QLineEdit *origin = edit(f, u"EditAbl1Max"_s);
        QLineEdit *current = edit(f, u"EditAbl1"_s);
        typeInto(origin, u"30"_s, true);
        typeInto(current, u"25"_s, true);
        current->setCursorPosition(2);
        QTest::keyClick(current, Qt::Key_Backspace);
        QCOMPARE(current->text(), u"2"_s);
        QTest::keyClick(current, Qt::Key_Backspace);
        QCOMPARE(current->text(), u"0"_s);
        QCOMPARE(current->cursorPosition(), 1);
        QTest::keyClicks(current, u"7"_s);
        QCOMPARE(current->text(), u"7"_s);
        QCOMPARE(f.form->sheet().record().current(0), 7);
    }

    void linkModeCarriesEveryKeystrokeIntoTheCurrentValue()
    {
        MainFormFixture f;
        QVERIFY(f.form->sheet().linkMode());
        QLineEdit *origin = edit(f, u"EditAbl1Max"_s);
        typeInto(origin, u"1"_s, true);
        QCOMPARE(origin->text(), u"1"_s);
        QCOMPARE(edit(f, u"EditAbl1"_s)->text(), u"1"_s);
        QTest::keyClicks(origin, u"2"_s);
        QCOMPARE(origin->text(), u"12"_s);
        QCOMPARE(edit(f, u"EditAbl1"_s)->text(), u"12"_s);
    }

    void everyKeystrokeOfAnOriginCounts()
    {
        MainFormFixture f;
        f.form->findChild<QAction *>(u"N4"_s)->trigger();
        QVERIFY(!f.form->sheet().linkMode());
        QLineEdit *origin = edit(f, u"EditAbl1Max"_s);
        QLineEdit *current = edit(f, u"EditAbl1"_s);
        origin->setText(u"10"_s);
        current->setText(u"8"_s);
        // The intermediate origin 1 cuts the current value, and 12 does not restore it.
        typeInto(origin, u"12"_s, true);
        QCOMPARE(origin->text(), u"12"_s);
        QCOMPARE(current->text(), u"1"_s);
    }

    void spinningTheOriginDownPullsTheCurrentValueAlong()
    {
        MainFormFixture f;
        f.form->findChild<QAction *>(u"N4"_s)->trigger();
        QLineEdit *origin = edit(f, u"EditAbl1Max"_s);
        QLineEdit *current = edit(f, u"EditAbl1"_s);
        origin->setText(u"10"_s);
        current->setText(u"8"_s);
        auto *spin = f.find<SpinButton>(u"UpDownAbl1Max"_s);
        for (int i = 0; i < 5; ++i)
            QTest::mouseClick(spin->downButton(), Qt::LeftButton);
        QCOMPARE(origin->text(), u"5"_s);
        QCOMPARE(current->text(), u"5"_s);
        for (int i = 0; i < 5; ++i)
            QTest::mouseClick(spin->upButton(), Qt::LeftButton);
        QCOMPARE(origin->text(), u"10"_s);
        QCOMPARE(current->text(), u"5"_s);
    }

    void currentValuesObeyTheLimitsInForce()
    {
        MainFormFixture f;
        f.form->findChild<QAction *>(u"N4"_s)->trigger();
        edit(f, u"EditAbl1Max"_s)->setText(u"10"_s);
        QLineEdit *current = edit(f, u"EditAbl1"_s);
        typeInto(current, u"15"_s, true);
        QCOMPARE(current->text(), u"10"_s);

        f.changeSettings([](SettingsValues &v) { v.overLoad = true; });
        f.form->showSettings();
        typeInto(current, u"15"_s, true);
        QCOMPARE(current->text(), u"15"_s);
        // Allowed above its origin, a current value stays where it is when the origin drops.
        typeInto(edit(f, u"EditAbl1Max"_s), u"5"_s, true);
        QCOMPARE(current->text(), u"15"_s);
        QCOMPARE(f.form->sheet().record().current(0), 15);
    }

    void theDownArrowStopsAtZeroUnlessNegativesAreAllowed()
    {
        MainFormFixture f;
        auto *spin = f.find<SpinButton>(u"UpDownAbl1"_s);
        QTest::mouseClick(spin->downButton(), Qt::LeftButton);
        QCOMPARE(edit(f, u"EditAbl1"_s)->text(), u"0"_s);

        f.changeSettings([](SettingsValues &v) { v.minusEnable = true; });
        f.form->showSettings();
        QTest::mouseClick(spin->downButton(), Qt::LeftButton);
        QCOMPARE(edit(f, u"EditAbl1"_s)->text(), u"-1"_s);
        QCOMPARE(f.form->sheet().record().current(0), -1);
    }

    void theNestedRunPutsTheCurrentValueBackToTheOriginAtZero()
    {
        SettingsValues ini;
        ini.minusEnable = true;
        MainFormFixture f(ini);
        QVERIFY(f.form->sheet().linkMode());
        QTest::mouseClick(f.find<SpinButton>(u"UpDownAbl1Max"_s)->downButton(), Qt::LeftButton);
        QCOMPARE(edit(f, u"EditAbl1Max"_s)->text(), u"0"_s);
        QCOMPARE(edit(f, u"EditAbl1"_s)->text(), u"0"_s);
        QCOMPARE(f.form->sheet().record().current(0), 0);
    }

    void arrowKeysStepTheBoxWithTheFocus()
    {
        MainFormFixture f;
        f.form->findChild<QAction *>(u"N4"_s)->trigger();
        edit(f, u"EditAbl3Max"_s)->setText(u"6"_s);
        QLineEdit *current = edit(f, u"EditAbl3"_s);
        current->setText(u"4"_s);
        current->setFocus();
        QTest::keyClick(current, Qt::Key_Up);
        QCOMPARE(current->text(), u"5"_s);

        edit(f, u"EditAbl1Max"_s)->setText(u"2000"_s);
        edit(f, u"EditAbl1"_s)->setText(u"999"_s);
        QTest::mouseClick(f.find<SpinButton>(u"UpDownAbl1"_s)->upButton(), Qt::LeftButton);
        QCOMPARE(edit(f, u"EditAbl1"_s)->text(), u"1000"_s);

        // A number typed beyond the range is brought into it before the step, never wrapped.
        auto *originSpin = f.find<SpinButton>(u"UpDownAbl1Max"_s);
        edit(f, u"EditAbl1Max"_s)->setText(u"40000"_s);
        QTest::mouseClick(originSpin->downButton(), Qt::LeftButton);
        QCOMPARE(edit(f, u"EditAbl1Max"_s)->text(), u"32766"_s);
        edit(f, u"EditAbl1Max"_s)->setText(u"2147483647"_s);
        QTest::mouseClick(originSpin->upButton(), Qt::LeftButton);
        QCOMPARE(edit(f, u"EditAbl1Max"_s)->text(), u"32767"_s);
    }

    void linkModeMenuCopiesOriginsOnlyWhenSwitchedOn()
    {
        MainFormFixture f(allAbilities());
        f.form->findChild<QAction *>(u"N4"_s)->trigger();
        QVERIFY(!f.find<QAction>(u"N4"_s)->isChecked());
        for (int i = 1; i <= 8; ++i)
            edit(f, u"EditAbl%1Max"_s.arg(i))->setText(QString::number(i * 3));
        f.changeSettings(
            [](SettingsValues &v) { v.enabled[7] = false; }); // hidden ones are set too
        f.find<QAction>(u"N4"_s)->trigger();
        QVERIFY(f.find<QAction>(u"N4"_s)->isChecked());
        for (int i = 0; i < 8; ++i)
            QCOMPARE(f.form->sheet().record().current(i), (i + 1) * 3);
        edit(f, u"EditAbl1"_s)->setText(u"1"_s);
        f.find<QAction>(u"N4"_s)->trigger();
        QVERIFY(!f.find<QAction>(u"N4"_s)->isChecked());
        QCOMPARE(f.form->sheet().record().current(0), 1);
    }

    void pastedTextFollowsTheSameRules()
    {
        MainFormFixture f;
        QLineEdit *money = edit(f, u"EditMoney"_s);
        for (const auto &[pasted, shown] :
             {std::pair{u"12a"_s, u"0"_s}, std::pair{u"-40"_s, u"-40"_s},
              std::pair{u"+0012"_s, u"12"_s}, std::pair{u"2147483648"_s, u"0"_s}}) {
            QGuiApplication::clipboard()->setText(pasted);
            money->setFocus();
            money->selectAll();
            money->paste();
            QCOMPARE(money->text(), shown);
            QCOMPARE(f.form->sheet().record().money(), shown.toInt());
        }
        typeInto(money, u"2147483648"_s, true);
        QCOMPARE(money->text(), u"0"_s);
    }

    void theNameTitlesTheWindowAndRefusesWhatCannotBeStored()
    {
        MainFormFixture f;
        QString applicationTitle = u"Pelko"_s;
        f.form->setApplicationTitleHandler([&](const QString &t) { applicationTitle = t; });
        QLineEdit *name = edit(f, u"EditName"_s);
        typeInto(name, u"A"_s);
        QCOMPARE(f.form->windowTitle(), u"Pelko, paired with * A *"_s);
        QCOMPARE(applicationTitle, u"Pelko[A]"_s);
        QVERIFY(f.find<QAction>(u"N7"_s)->isEnabled());
        QTest::keyClick(name, Qt::Key_Backspace);
        QCOMPARE(f.form->windowTitle(), u"Pelko"_s);
        QVERIFY(!f.find<QAction>(u"N7"_s)->isEnabled());

        QGuiApplication::clipboard()->setText(u"勇者😀"_s);
        name->paste();
        QVERIFY(name->text().isEmpty());
        QVERIFY(name->property("refusal").toString().contains(u"😀"_s));

        name->insert(u"一二三四五六七八九十"_s);
        name->insert(u"壱"_s);
        QCOMPARE(name->text(), u"一二三四五六七八九十"_s);
        // A paste past the limit keeps what fits.
        name->setText(u"A"_s);
        name->end(false);
        QGuiApplication::clipboard()->setText(u"一二三四五六七八九十"_s);
        name->paste();
        QCOMPARE(name->text(), u"A一二三四五六七八九"_s);
    }

    void theInventoryRefusesWhatCannotBeStored()
    {
        MainFormFixture f;
        auto *memo = f.find<QPlainTextEdit>(u"MemoInventry"_s);
        memo->setFocus();
        for (const QString &typed : {u"剣"_s, u"🛡"_s}) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, typed);
            QApplication::sendEvent(memo, &key);
        }
        QCOMPARE(memo->toPlainText(), u"剣"_s);
        memo->setProperty("refusal", QString());
        QGuiApplication::clipboard()->setText(u"盾🛡"_s);
        memo->paste();
        QCOMPARE(memo->toPlainText(), u"剣"_s);
        QVERIFY(memo->property("refusal").toString().contains(u"🛡"_s));
    }
};

QTEST_MAIN(TestMainEditing)
#include "tst_mainediting.moc"
