#include "BoxAnswerer.h"
#include "SheetUndoFixture.h"

using namespace Qt::StringLiterals;
using namespace SheetUndoFixture;

// The history beyond undo: rewinding from the history window, a sheet left unsaved taken up,
// an Open with the file's past, rolls with their paragraph, and a program without a journal.
class TestSheetRecovery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
        // The Open is told against Ann's sheet before it, not Cid's, which the ledger never
        // shows: the sheets are alike but for the file.
        auto *m = window->findChild<QAbstractItemView *>(u"HistoryList"_s)->model();
        for (const QString &cid : {u"Cid"_s, u"77"_s})
            QVERIFY(m->match(m->index(0, 0), Qt::DisplayRole, cid, 1, Qt::MatchContains).isEmpty());
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

    // Taking up a sheet just like the one in force is still one step, here as in the journal.
    void aSheetLikeTheOneInForceIsTakenUpAsAStep()
    {
        Player s;
        s.type(u"EditName"_s, u"Cid"_s);
        const SheetState cid = s.form->sheet().state();
        s.form.reset();
        s.form = std::make_unique<MainWindow>(*s.settings, s.settings->programDir());
        s.form->show();
        QTRY_VERIFY(s.form->history().journal());
        s.form->sheet().replace(cid);
        s.form->history().undo().commit(SheetStep::Kind::Other);
        Journal *journal = s.form->history().journal();
        QVERIFY(s.form->history().takeSheet(journal->unsavedSheets().value(0).session));
        QCOMPARE(s.stack()->count(), 2);
        QVERIFY(s.form->history().undo().stepAt(1).delta.isEmpty());
        QCOMPARE(journal->loadSession(journal->currentSession())->steps.size(), 2);
    }

    // Undo and redo of a Save As change which file Save writes, and say so.
    void anUndoThatChangesTheSaveFileSaysSo()
    {
        Player s;
        const QStringList files{s.dir.filePath(u"ann.pkd"_s), s.dir.filePath(u"ann2.pkd"_s)};
        s.type(u"EditName"_s, u"Ann"_s);
        QVERIFY(s.form->files().writeTo(files[0]) && s.form->files().writeTo(files[1]));
        BoxAnswerer answers;
        s.trigger(u"Undo1"_s);
        QTRY_COMPARE(answers.texts.size(), 1);
        QVERIFY(answers.texts[0].contains(QDir::toNativeSeparators(files[0])));
        QCOMPARE(s.form->sheet().saveFile(), files[0]);
        s.trigger(u"Redo1"_s);
        QTRY_COMPARE(answers.texts.size(), 2);
        QVERIFY(answers.texts[1].contains(QDir::toNativeSeparators(files[1])));
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

QTEST_MAIN(TestSheetRecovery)
#include "tst_sheetrecovery.moc"
