#include "SheetUndoFixture.h"

using namespace Qt::StringLiterals;
using namespace SheetUndoFixture;

// Undo and redo of the sheet's steps, the undo keys in every box, and the steps a command takes
// or does not take.
class TestSheetUndo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void undoRestoresEachKindOfStep_data()
    {
        using Action = std::function<void(Player &)>;
        QTest::addColumn<Action>("action");
        QTest::addColumn<int>("steps");
        QTest::newRow("typing a name")
            << Action([](Player &s) { s.type(u"EditName"_s, u"Ann"_s); }) << 1;
        QTest::newRow("an origin typed in link mode")
            << Action([](Player &s) { s.type(u"EditAbl2Max"_s, u"12"_s); }) << 1;
        QTest::newRow("a spin click") << Action([](Player &s) {
            QTest::mouseClick(s.find<SpinButton>(u"UpDownAbl3Max"_s)->upButton(), Qt::LeftButton);
        }) << 1;
        QTest::newRow("inventory") << Action([](Player &s) {
            auto *memo = s.find<QPlainTextEdit>(u"MemoInventry"_s);
            memo->setFocus();
            QTest::keyClicks(memo, u"rope"_s);
            QTest::keyClick(memo, Qt::Key_Return);
            QTest::keyClicks(memo, u"lamp"_s);
        }) << 1;
        QTest::newRow("a flag") << Action([](Player &s) {
            s.find<CheckListBox>(u"CheckListBoxFL"_s)->item(1)->setCheckState(Qt::Checked);
        }) << 1;
        QTest::newRow("a registration opening the panel")
            << Action([](Player &s) { s.registerParagraph(u"12"_s); }) << 1;
        QTest::newRow("clearing the route") << Action([](Player &s) {
            s.registerParagraph(u"7"_s);
            s.trigger(u"N9"_s);
        }) << 2;
        QTest::newRow("closing the panel") << Action([](Player &s) {
            s.registerParagraph(u"7"_s);
            QTest::mouseClick(s.find<QPushButton>(u"CloseButton"_s), Qt::LeftButton);
        }) << 2;
        QTest::newRow("link mode") << Action([](Player &s) {
            s.trigger(u"N4"_s); // off
            s.type(u"EditAbl1Max"_s, u"9"_s);
            s.trigger(u"N4"_s); // on: every current value becomes its origin
        }) << 3;
        QTest::newRow("New") << Action([](Player &s) {
            s.type(u"EditName"_s, u"Ann"_s);
            s.type(u"EditMoney"_s, u"30"_s);
            s.find<CheckListBox>(u"CheckListBoxFL"_s)->item(0)->setCheckState(Qt::Checked);
            s.registerParagraph(u"5"_s);
            s.trigger(u"New1"_s);
        }) << 5;
    }

    void undoRestoresEachKindOfStep()
    {
        QFETCH(std::function<void(Player &)>, action);
        QFETCH(int, steps);
        Player s;
        const View before = view(s);
        const SheetState stateBefore = s.form->sheet().state();
        action(s);
        const View after = view(s);
        const SheetState stateAfter = s.form->sheet().state();
        QCOMPARE(s.stack()->count(), steps);

        for (int i = 0; i < steps; ++i)
            s.trigger(u"Undo1"_s);
        QCOMPARE(view(s), before);
        QVERIFY(s.form->sheet().state() == stateBefore);
        QVERIFY(!s.find<QAction>(u"Undo1"_s)->isEnabled());

        for (int i = 0; i < steps; ++i)
            s.trigger(u"Redo1"_s);
        QCOMPARE(view(s), after);
        QVERIFY(s.form->sheet().state() == stateAfter);
        // Every step reached the journal, with the undo position.
        const auto stored =
            s.form->history().journal()->loadSession(s.form->history().journal()->currentSession());
        QVERIFY(stored);
        QCOMPARE(stored->steps.size(), steps);
        QCOMPARE(stored->undoIndex, steps);
    }

    void keystrokesOfOneBoxInARowAreOneStep()
    {
        Player s;
        s.type(u"EditName"_s, u"Ann"_s);
        s.type(u"EditMoney"_s, u"25"_s);
        s.type(u"EditName"_s, u"a"_s); // back in the name box: a step of its own
        QCOMPARE(s.stack()->count(), 3);
        s.trigger(u"Undo1"_s);
        QCOMPARE(s.box(u"EditName"_s)->text(), u"Ann"_s);
        s.trigger(u"Undo1"_s);
        QCOMPARE(s.box(u"EditMoney"_s)->text(), u"0"_s);
        s.trigger(u"Undo1"_s);
        QCOMPARE(s.box(u"EditName"_s)->text(), QString());
    }

    void ctrlZUndoesTheBoxFirstThenTheSheet()
    {
        Player s;
        s.registerParagraph(u"5"_s);
        s.type(u"EditName"_s, u"Ann"_s);
        QLineEdit *name = s.box(u"EditName"_s);
        QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
        // The box's own undo took the typing back, and with it the step.
        QCOMPARE(name->text(), QString());
        QCOMPARE(s.stack()->count(), 1);
        QCOMPARE(s.form->sheet().record().routeCount(), 1);
        QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.form->sheet().record().routeCount(), 0);
        // A number box normalises what is typed and keeps no text undo: the sheet's undo.
        s.type(u"EditMoney"_s, u"40"_s);
        QTest::keyClick(s.box(u"EditMoney"_s), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.box(u"EditMoney"_s)->text(), u"0"_s);
        QTest::keyClick(s.box(u"EditMoney"_s), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(s.box(u"EditMoney"_s)->text(), u"40"_s);
    }

    // A step made while the focus stays in a box (a command from the menu) is what the keys
    // take back, not the box's earlier typing; until then the box's own undo and redo go
    // first, and its redo brings back what its undo took.
    void theUndoKeysTakeBackTheLastThingDone()
    {
        Player s;
        s.type(u"EditName"_s, u"Ann"_s);
        QLineEdit *name = s.box(u"EditName"_s);
        QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(name, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(name->text(), u"Ann"_s);
        QCOMPARE(s.stack()->count(), 1);
        s.form->sheet().setMoney(7);
        s.form->history().undo().commit(SheetStep::Kind::Test);
        QCOMPARE(s.form->focusWidget(), name);
        QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.form->sheet().record().money(), 0);
        QCOMPARE(name->text(), u"Ann"_s);
        QTest::keyClick(name, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(s.form->sheet().record().money(), 7);
        QCOMPARE(name->text(), u"Ann"_s);
    }

    // After a registration the focus is in the paragraph box, which keeps no text undo of its
    // own: each undo and redo key reaches the sheet from there.
    void theUndoKeysWorkInTheParagraphBox()
    {
        Player s;
        s.registerParagraph(u"12"_s);
        QLineEdit *paragraph = s.box(u"EditNow"_s);
        QCOMPARE(s.form->focusWidget(), paragraph);
        const struct
        {
            Qt::KeyboardModifiers modifiers;
            Qt::Key key;
            int routeCount;
        } keys[] = {{Qt::ControlModifier, Qt::Key_Z, 0},
                    {Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z, 1},
                    {Qt::ControlModifier, Qt::Key_Z, 0},
                    {Qt::ControlModifier, Qt::Key_Y, 1}};
        for (const auto &k : keys) {
            QTest::keyClick(paragraph, k.key, k.modifiers);
            QCOMPARE(s.form->sheet().routeCount(), k.routeCount);
        }
    }

    // New leaves the focus in the name box; the old name is no text of the new sheet's, so
    // Ctrl+Z there undoes New itself instead of typing the old name into the empty sheet.
    void ctrlZAfterNewUndoesNew()
    {
        Player s;
        s.type(u"EditName"_s, u"Ann"_s);
        s.trigger(u"New1"_s);
        QLineEdit *name = s.box(u"EditName"_s);
        QCOMPARE(s.form->focusWidget(), name);
        QCOMPARE(s.stack()->count(), 2);
        QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(name->text(), u"Ann"_s);
        QCOMPARE(s.stack()->count(), 2);
        QCOMPARE(s.stack()->index(), 1);
    }

    // Unticking "OverLoad" in the settings dialog cuts a current value above its origin;
    // undo brings back the settings values in force and the value they cut.
    void undoOfTheSettingsDialogRestoresWhatItCut()
    {
        Player s;
        s.changeSettings([](SettingsValues &v) { v.overLoad = true; });
        saveSettingsFile(s.form->sheet().settings(), s.dir.filePath(u"Default.ini"_s));
        s.type(u"EditAbl1Max"_s, u"10"_s);
        QLineEdit *current = s.box(u"EditAbl1"_s);
        current->setFocus();
        QTest::keyClick(current, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(current, u"15"_s);
        QCOMPARE(s.form->sheet().record().current(0), 15);

        SettingsDialog dialog(*s.settings, s.form->sheet(), true, s.form.get());
        s.form->setSettingsDialog(&dialog);
        QTimer::singleShot(0, &dialog, [&dialog] {
            QTRY_VERIFY(dialog.isVisible());
            dialog.findChild<QCheckBox *>(u"CheckBoxOver"_s)->setChecked(false);
            dialog.findChild<QPushButton *>(u"btnSet"_s)->click();
        });
        s.trigger(u"N3"_s);
        QCOMPARE(current->text(), u"10"_s);

        s.trigger(u"Undo1"_s);
        QVERIFY(s.form->sheet().settings().overLoad);
        QCOMPARE(current->text(), u"15"_s);
        QCOMPARE(s.form->sheet().record().current(0), 15);
        s.trigger(u"Redo1"_s);
        QCOMPARE(current->text(), u"10"_s);
    }

    // Undo and redo of Open bring back what the paragraph box showed on either side: each
    // file's last paragraph.
    void undoOfOpenRestoresTheParagraphBox()
    {
        Player s;
        QStringList paths;
        for (std::uint16_t last : {4, 9}) {
            CharacterRecord data;
            data.setAbilityCount(8);
            data.setSettingsFileName(u"Default.ini"_s);
            data.setRouteList({0, 3, last});
            paths.append(s.dir.filePath(u"%1.pkd"_s.arg(last)));
            writeSaveFile(data, u"0.6.1.0"_s, paths.last());
            QVERIFY(s.form->files().openFile(paths.last()));
        }
        QLineEdit *paragraph = s.box(u"EditNow"_s);
        QCOMPARE(paragraph->text(), u"9"_s);
        s.trigger(u"Undo1"_s);
        QCOMPARE(paragraph->text(), u"4"_s);
        s.trigger(u"Redo1"_s);
        QCOMPARE(paragraph->text(), u"9"_s);
    }

    void aCancelledSaveAsTakesNoStep()
    {
        Player s;
        s.type(u"EditName"_s, u"Ann"_s);
        s.find<QPlainTextEdit>(u"MemoInventry"_s)->setPlainText(u"rope"_s);
        const int steps = s.stack()->count();
        QTimer::singleShot(0, s.form.get(), [] {
            QTRY_VERIFY(QApplication::activeModalWidget());
            qobject_cast<QDialog *>(QApplication::activeModalWidget())->reject();
        });
        s.trigger(u"SaveAs1"_s);
        QCOMPARE(s.stack()->count(), steps);
        QVERIFY(s.form->sheet().saveFile().isEmpty());
    }

    void aRunTypedBackToWhereItBeganLeavesNoStep()
    {
        Player s;
        Journal *journal = s.form->history().journal();
        QLineEdit *money = s.box(u"EditMoney"_s);
        money->setFocus();
        QTest::keyClick(money, Qt::Key_5);
        QTest::keyClick(money, Qt::Key_Backspace);
        QCOMPARE(money->text(), u"0"_s);
        Q_EMIT s.find<QMenu>(u"Edit1"_s)->aboutToShow();
        QVERIFY(!s.find<QAction>(u"Undo1"_s)->isEnabled());
        QCOMPARE(s.stack()->count(), 0);
        journal->flush();
        QCOMPARE(journal->loadSession(journal->currentSession())->undoIndex, 0);

        // Typed back and on again in one run: one step, as the box ends it.
        QTest::keyClick(money, Qt::Key_5);
        QTest::keyClick(money, Qt::Key_Backspace);
        QTest::keyClick(money, Qt::Key_7);
        QCOMPARE(s.stack()->count(), 1);
        journal->flush();
        const auto stored = journal->loadSession(journal->currentSession());
        QCOMPARE(stored->undoIndex, 1);
        QCOMPARE(stored->steps.constLast().delta.money->after, 7);
        QTest::keyClick(money, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(money->text(), u"0"_s);
        QVERIFY(!s.find<QAction>(u"Undo1"_s)->isEnabled());
    }
};

QTEST_MAIN(TestSheetUndo)
#include "tst_sheetundo.moc"
