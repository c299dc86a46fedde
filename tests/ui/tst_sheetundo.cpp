#include "CharacterRecord.h"
#include "CheckListBox.h"
#include "HistoryWindow.h"
#include "Journal.h"
#include "MainFormFixture.h"
#include "RoutePanel.h"
#include "SaveFile.h"
#include "SettingsDialog.h"
#include "SheetHistory.h"
#include "SheetUndo.h"
#include "SpinButton.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// What a person sees of the sheet: every box, the flags, the route view, the panel, the menus.
struct View
{
    QStringList texts;
    QList<bool> flags;
    QString route;
    bool panelShown = false;
    int width = 0;
    bool linkMode = false;
    bool saveEnabled = false;
    bool operator==(const View &) const = default;
};

View view(const MainFormFixture &f)
{
    View v;
    for (QLineEdit *edit : f.form->findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly))
        v.texts.append(edit->objectName() + u'=' + edit->text());
    for (QLineEdit *edit : f.find<QWidget>(u"Sheet"_s)->findChildren<QLineEdit *>())
        v.texts.append(edit->objectName() + u'=' + edit->text());
    v.texts.append(f.find<QPlainTextEdit>(u"MemoInventry"_s)->toPlainText());
    auto *list = f.find<CheckListBox>(u"CheckListBoxFL"_s);
    for (int i = 0; i < list->count(); ++i)
        v.flags.append(list->isChecked(i));
    v.route = f.find<QPlainTextEdit>(u"MemoRoute"_s)->toPlainText();
    v.panelShown = !f.find<RoutePanel>(u"PanelRoute"_s)->isHidden();
    v.width = f.form->width();
    v.linkMode = f.form->sheet().linkMode();
    v.saveEnabled = f.find<QAction>(u"Save1"_s)->isEnabled();
    return v;
}

SettingsValues flagSettings()
{
    SettingsValues ini;
    ini.flagNumber = 3;
    ini.flagText = u"鍵\r\n剣\r\n盾\r\n"_s;
    return ini;
}

// A main window whose settings file is on disk, as the program always has it.
struct Player : MainFormFixture
{
    Player() : MainFormFixture(flagSettings())
    {
        saveSettingsFile(form->sheet().settings(), dir.filePath(u"Default.ini"_s));
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTRY_VERIFY(form->history().journal());
    }
    QLineEdit *box(const QString &name) const { return find<QLineEdit>(name); }
    QUndoStack *stack() const { return form->history().undo().stack(); }
    void type(const QString &name, const QString &text) const
    {
        QLineEdit *edit = box(name);
        edit->setFocus();
        QTest::keyClicks(edit, text);
    }
    void registerParagraph(const QString &digits) const
    {
        type(u"EditNow"_s, digits);
        QTest::keyClick(box(u"EditNow"_s), Qt::Key_Return);
    }
    void trigger(const QString &action) const { find<QAction>(action)->trigger(); }
};

} // namespace

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

    void rewindFromTheHistoryWindow()
    {
        Player s;
        s.registerParagraph(u"1"_s);
        s.type(u"EditMoney"_s, u"50"_s);
        s.registerParagraph(u"20"_s);
        s.find<CheckListBox>(u"CheckListBoxFL"_s)->item(2)->setCheckState(Qt::Checked);
        s.registerParagraph(u"300"_s);
        const SheetState atLast = s.form->sheet().state();

        s.trigger(u"History1"_s);
        auto *window = s.find<HistoryWindow>(u"HistoryWindow"_s);
        QVERIFY(window && window->isVisible());
        auto *list = window->findChild<QAbstractItemView *>(u"HistoryList"_s);
        QCOMPARE(window->rowCount(), 4); // the start and three paragraphs
        QVERIFY(window->rowTitle(1).endsWith(u"パラグラフ 1"_s));
        // The reader clicks the money line under paragraph 1: it stands for its row.
        const QModelIndexList money = list->model()->match(
            list->model()->index(0, 0), Qt::DisplayRole, u"お金"_s, 1, Qt::MatchStartsWith);
        QVERIFY(!money.isEmpty());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(money.first()).center());
        QCOMPARE(window->selectedRow(), 1);
        QTest::mouseClick(window->findChild<QPushButton *>(u"RewindButton"_s), Qt::LeftButton);

        // The sheet is as it was when paragraph 1 was registered, money typed after it
        // included: what the reader did while there.
        SheetState now = s.form->sheet().state();
        QCOMPARE(now.record.routeCount(), 1);
        QCOMPARE(now.record.flag(2), false);
        QCOMPARE(s.find<QPlainTextEdit>(u"MemoRoute"_s)->toPlainText(), u"        1"_s);
        QCOMPARE(s.box(u"EditMoney"_s)->text(), u"0"_s);
        // The open window follows: the rewind is a row of its own, gone again with its undo.
        QCOMPARE(window->rowCount(), 5);
        QVERIFY(window->rowTitle(4).contains(u"パラグラフ 1 の時点に戻る"_s));
        // One step, undone as one.
        s.trigger(u"Undo1"_s);
        QVERIFY(s.form->sheet().state() == atLast);
        QCOMPARE(window->rowCount(), 4);

        QTest::mouseClick(window->findChild<QPushButton *>(u"ExportButton"_s), Qt::LeftButton);
        QVERIFY(QFile::exists(s.dir.filePath(u"履歴.txt"_s)));
    }

    // A sheet left unsaved (here by Exit) is offered in "前回の続き"; taking it up is one step
    // that undo takes back to the sheet it replaced, and that sheet is never lost.
    void aSheetLeftUnsavedIsTakenUpAsOneStep()
    {
        Player s;
        QAction *resume = s.find<QAction>(u"Resume1"_s);
        QVERIFY(!resume->isEnabled());
        QVERIFY(!resume->toolTip().isEmpty()); // why there is nothing to offer
        s.type(u"EditName"_s, u"Ann"_s);
        s.registerParagraph(u"3"_s);
        s.registerParagraph(u"8"_s);
        const View left = view(s);
        const SheetState state = s.form->sheet().state();

        s.form.reset();
        s.form = std::make_unique<MainWindow>(*s.settings, s.settings->programDir());
        s.form->show();
        QTRY_VERIFY(s.form->history().journal());
        QVERIFY(s.form->sheet().state() != state); // start-up stays an empty sheet
        s.type(u"EditName"_s, u"Bob"_s);
        s.box(u"EditName"_s)->clearFocus();
        const View bob = view(s);
        QVERIFY(s.find<QAction>(u"Resume1"_s)->isEnabled());
        QString title;
        int offered = 0;
        QTimer::singleShot(0, s.form.get(), [&] {
            QTRY_VERIFY(QApplication::activeModalWidget());
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            title = dialog->windowTitle();
            auto *list = dialog->findChild<QTreeWidget *>(u"ResumeList"_s);
            offered = list->topLevelItemCount();
            QVERIFY(list->topLevelItem(0)->text(0) == u"Ann"_s);
            QVERIFY(list->topLevelItem(0)->text(2) == u"8"_s);
            dialog->accept();
        });
        s.trigger(u"Resume1"_s);
        QCOMPARE(title, u"前回の続き"_s);
        QCOMPARE(offered, 1);
        QCOMPARE(view(s), left);
        QVERIFY(s.form->sheet().state() == state);
        // Taken, it is offered no more, and the history window tells Ann's paragraphs.
        Q_EMIT s.find<QMenu>(u"Edit1"_s)->aboutToShow();
        QVERIFY(!s.find<QAction>(u"Resume1"_s)->isEnabled());
        s.trigger(u"History1"_s);
        auto *window = s.find<HistoryWindow>(u"HistoryWindow"_s);
        QCOMPARE(window->rowCount(), 4); // Ann's start, 3, 8, and taking her up
        QVERIFY(window->rowTitle(1).endsWith(u"パラグラフ 3"_s));
        // One undo brings Bob back.
        s.trigger(u"Undo1"_s);
        QCOMPARE(view(s), bob);
        s.trigger(u"Redo1"_s);
        QVERIFY(s.form->sheet().state() == state);
        // Rewinding to a row of Ann's earlier history works as for any row.
        window->selectRow(1);
        QTest::mouseClick(window->findChild<QPushButton *>(u"RewindButton"_s), Qt::LeftButton);
        QCOMPARE(s.form->sheet().record().routeCount(), 1);
    }

    // Opening a file never discards the sheet before it; the file's own history, when its
    // bytes are the ones written here, shows before the Open and can be rewound to.
    void openIsAStepAndTheFilesHistoryShowsBeforeIt()
    {
        Player s;
        const QString path = s.dir.filePath(u"ann.pkd"_s);
        s.type(u"EditName"_s, u"Ann"_s);
        s.registerParagraph(u"1"_s);
        s.registerParagraph(u"2"_s);
        QVERIFY(s.form->files().writeTo(path));
        // Undo past the save, then another change: the file's history is still the one saved.
        s.trigger(u"Undo1"_s);
        s.trigger(u"Undo1"_s);
        s.type(u"EditMoney"_s, u"50"_s);

        s.form.reset();
        s.form = std::make_unique<MainWindow>(*s.settings, s.settings->programDir());
        s.form->show();
        QTRY_VERIFY(s.form->history().journal());
        s.type(u"EditName"_s, u"Cid"_s);
        s.registerParagraph(u"12"_s);
        s.type(u"EditMoney"_s, u"77"_s);
        const View before = view(s);
        QVERIFY(s.form->files().openFile(path));
        QCOMPARE(s.form->sheet().record().routeCount(), 2);
        s.trigger(u"History1"_s);
        auto *window = s.find<HistoryWindow>(u"HistoryWindow"_s);
        QCOMPARE(window->rowCount(), 4); // the start, 1, 2 and the Open
        QVERIFY(window->rowTitle(2).endsWith(u"パラグラフ 2"_s));
        QVERIFY(window->rowTitle(3).endsWith(u"開く ann.pkd"_s));
        window->selectRow(1);
        QTest::mouseClick(window->findChild<QPushButton *>(u"RewindButton"_s), Qt::LeftButton);
        QCOMPARE(s.form->sheet().record().routeCount(), 1);
        QCOMPARE(s.form->sheet().record().name(), u"Ann"_s);
        // Undo reaches the sheet before the Open, whole.
        s.trigger(u"Undo1"_s);
        s.trigger(u"Undo1"_s);
        QCOMPARE(view(s), before);

        // Changed by another program, the file starts a fresh history.
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("\0", 1);
        file.close();
        QVERIFY(s.form->files().openFile(path));
        QCOMPARE(window->rowCount(), 3); // Cid's start, 12, and the Open, nothing of Ann's
        QVERIFY(window->rowTitle(1).endsWith(u"パラグラフ 12"_s));
    }

    // A roll belongs to the step it was rolled on: undone with it, it leaves the ledger.
    void rollsStayWithTheirParagraph()
    {
        Player s;
        for (const QString &p : {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s})
            s.registerParagraph(p);
        s.form->history().addDice({6}, 6);
        for (int i = 0; i < 3; ++i)
            s.trigger(u"Undo1"_s);
        for (const QString &p : {u"20"_s, u"21"_s, u"22"_s})
            s.registerParagraph(p);
        s.form->history().addDice({2}, 2);
        s.trigger(u"History1"_s);
        auto *window = s.find<HistoryWindow>(u"HistoryWindow"_s);
        auto *list = window->findChild<QAbstractItemView *>(u"HistoryList"_s);
        const QModelIndexList rolls = list->model()->match(
            list->model()->index(0, 0), Qt::DisplayRole, u"サイコロ"_s, -1, Qt::MatchStartsWith);
        QCOMPARE(rolls.size(), 1);
        QVERIFY(rolls[0].data().toString().contains(u"合計 2"_s));
    }

    void withoutAJournalTheSheetWorksAndTheHistoryWindowSaysWhy()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(Journal::fileName())); // a folder in the journal's place
        QFile(dir.filePath(u"diceroll.wav"_s)).open(QIODevice::WriteOnly);
        IniSettings settings(dir.path() + u'/');
        MainWindow form(settings, settings.programDir());
        form.show();
        QTRY_VERIFY(form.history().journal());
        QVERIFY(!form.history().journal()->isAvailable());
        auto *name = form.findChild<QLineEdit *>(u"EditName"_s);
        name->setFocus();
        QTest::keyClicks(name, u"Ann"_s);
        form.findChild<QAction *>(u"Undo1"_s)->trigger();
        QCOMPARE(name->text(), QString());
        // Disabled, and saying why, as the menu opens too.
        Q_EMIT form.findChild<QMenu *>(u"Edit1"_s)->aboutToShow();
        QVERIFY(!form.findChild<QAction *>(u"Resume1"_s)->isEnabled());
        QVERIFY(form.findChild<QAction *>(u"Resume1"_s)->toolTip().contains(Journal::fileName()));
        form.findChild<QAction *>(u"History1"_s)->trigger();
        auto *status = form.findChild<QLabel *>(u"HistoryStatus"_s);
        QVERIFY(status && status->isVisible());
        QVERIFY(status->text().contains(Journal::fileName()));
    }

    void aFileReopenedUnchangedContinuesItsHistory()
    {
        Player s;
        const QString path = s.dir.filePath(u"ann.pkd"_s);
        CharacterRecord data;
        data.setAbilityCount(8);
        data.setSettingsFileName(u"Default.ini"_s);
        writeSaveFile(data, u"0.6.1.0"_s, path);
        QVERIFY(s.form->files().openFile(path));
        s.type(u"EditName"_s, u"Ann"_s);
        s.trigger(u"Save1"_s);

        for (const bool changedElsewhere : {false, true}) {
            s.form.reset();
            if (changedElsewhere) {
                QFile file(path);
                QVERIFY(file.open(QIODevice::Append));
                file.write("\0", 1);
            }
            s.form = std::make_unique<MainWindow>(*s.settings, s.settings->programDir());
            s.form->show();
            QTRY_VERIFY(s.form->history().journal());
            s.form->files().openFile(path);
            s.trigger(u"History1"_s);
            auto *window = s.find<HistoryWindow>(u"HistoryWindow"_s);
            // The start and the Open; with the file's history, its own start and first Open
            // come before. Not the bytes written here: the history is not this file's.
            QCOMPARE(window->rowCount(), changedElsewhere ? 2 : 3);
            s.trigger(u"Undo1"_s); // the Open
            QCOMPARE(s.box(u"EditName"_s)->text(), QString());
            window->close();
        }
    }
};

QTEST_MAIN(TestSheetUndo)
#include "tst_sheetundo.moc"
