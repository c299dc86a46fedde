#include "BoxAnswerer.h"
#include "CharacterRecord.h"
#include "CheckListBox.h"
#include "Cp932.h"
#include "MainFormFixture.h"
#include "RoutePanel.h"
#include "SaveFile.h"
#include "TestFiles.h"
#include "WholeFile.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTimer>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class TestMainFile : public QObject
{
    Q_OBJECT

private:
    // A sheet as another session saved it: "Hero" under "Other.ini", a route ending at 42.
    static QString writeSheet(const MainFormFixture &f, const QString &fileName, int routeCount = 2,
                              const QString &version = u"0.6.1.0"_s)
    {
        CharacterRecord data;
        data.setAbilityCount(8);
        data.setOverLoad(true);
        data.setMinusEnable(true);
        data.setSettingsFileName(u"Other.ini"_s);
        data.setName(u"Hero"_s);
        data.setOrigin(0, 12);
        data.setCurrent(0, 10);
        data.setOrigin(7, 5);
        data.setCurrent(7, 9);
        data.setMoney(-30);
        data.setInventory(u"剣\r\n盾"_s);
        data.setFlagCount(2);
        data.setFlag(1, true);
        data.setRouteCount(routeCount);
        for (int i = 1; i <= routeCount; ++i)
            data.setRouteAt(i, static_cast<std::uint16_t>(40 + i));
        const QString path = f.dir.filePath(fileName);
        writeSaveFile(data, version, path);
        return path;
    }
    static QLineEdit *box(const MainFormFixture &f, const QString &name)
    {
        return f.find<QLineEdit>(name);
    }
    // Answers the next modal dialog with answer, reporting what it was.
    static void answerNextDialog(std::function<void(QWidget *)> answer)
    {
        QTimer::singleShot(0, qApp, [answer] {
            QTRY_VERIFY(QApplication::activeModalWidget());
            answer(QApplication::activeModalWidget());
        });
    }

private Q_SLOTS:
    void openingASheetFillsTheWindow()
    {
        SettingsValues ini;
        ini.enabled.fill(true);
        ini.overLoad = true; // the file's own settings decide the clamping, not these
        MainFormFixture f(ini);
        QVERIFY(f.form->sheet().linkMode());
        const QString path = writeSheet(f, u"hero.pkd"_s);
        QVERIFY(f.form->files().openFile(path));

        QCOMPARE(box(f, u"EditName"_s)->text(), u"Hero"_s);
        QCOMPARE(f.form->windowTitle(), u"Pelko, paired with * Hero *"_s);
        QCOMPARE(box(f, u"EditAbl1Max"_s)->text(), u"12"_s);
        QCOMPARE(box(f, u"EditAbl1"_s)->text(), u"10"_s);
        // The file's settings (none on disk: the defaults) cut the 9 to its origin, and the box
        // shows what Save would write.
        QCOMPARE(box(f, u"EditAbl8"_s)->text(), u"5"_s);
        QCOMPARE(box(f, u"EditMoney"_s)->text(), u"-30"_s);
        QCOMPARE(f.find<QPlainTextEdit>(u"MemoInventry"_s)->toPlainText(), u"剣\n盾"_s);
        QCOMPARE(box(f, u"EditNow"_s)->text(), u"42"_s);
        QVERIFY(!f.form->sheet().linkMode());
        QVERIFY(f.find<QAction>(u"Save1"_s)->isEnabled());
        QCOMPARE(f.form->sheet().saveFile(), path);
        QCOMPARE(f.form->sheet().settingsFile(), u"Other.ini"_s);
        QCOMPARE(f.form->focusWidget(), box(f, u"EditNow"_s));
        QVERIFY(f.find<RoutePanel>(u"PanelRoute"_s)->isVisible());
        QCOMPARE(f.form->width(), 624);
        // "Other.ini" is absent: its defaults are in force, which cut the eighth ability in
        // the record while its box goes on showing what the file held.
        QCOMPARE(f.form->sheet().settings(), SettingsValues());
        QCOMPARE(f.form->sheet().record().current(7), 5);
        QCOMPARE(f.form->sheet().record().flagCount(), 0);
    }

    // A sheet saved under settings that let a value pass its origin keeps it under stricter
    // ones in force, and Save writes the file's bytes back.
    void aSheetKeepsTheValuesItsOwnSettingsAllow()
    {
        MainFormFixture f;
        writeWholeFile(f.dir.filePath(u"Other.ini"_s),
                       "[Limit]\r\nOverLoad=1\r\n[Flags]\r\nFlagNumber=2\r\n");
        const QString path = writeSheet(f, u"hero.pkd"_s);
        const QByteArray bytes = TestFiles::bytesOf(path);
        QVERIFY(f.form->files().openFile(path));
        QCOMPARE(box(f, u"EditAbl8"_s)->text(), u"9"_s);
        f.find<QAction>(u"Save1"_s)->trigger();
        QCOMPARE(TestFiles::bytesOf(path), bytes);
    }

    void aLoadedParagraphShowsWholeAndIsNotRegisteredAgain()
    {
        MainFormFixture f;
        CharacterRecord data;
        data.setAbilityCount(8);
        data.setRouteCount(2);
        data.setRouteAt(1, 120);
        data.setRouteAt(2, 65535);
        const QString path = f.dir.filePath(u"far.pkd"_s);
        writeSaveFile(data, u"0.6.1.0"_s, path);
        QVERIFY(f.form->files().openFile(path));
        QLineEdit *now = box(f, u"EditNow"_s);
        QCOMPARE(now->text(), u"65535"_s);
        QTest::keyClick(now, Qt::Key_Return);
        QCOMPARE(f.form->sheet().record().routeCount(), 2);
        QCOMPARE(f.form->sheet().record().routeAt(2), 65535);
    }

    void aFailedOpenChangesNothing()
    {
        MainFormFixture f;
        const QString good = writeSheet(f, u"good.pkd"_s);
        QVERIFY(f.form->files().openFile(good));
        QFile bad(f.dir.filePath(u"bad.pkd"_s));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(200, 'x'));
        bad.close();
        box(f, u"EditMoney"_s)->setText(u"77"_s);

        QString caption, text;
        answerNextDialog([&](QWidget *w) {
            auto *message = qobject_cast<QMessageBox *>(w);
            QVERIFY(message);
            caption = message->windowTitle();
            text = message->text();
            message->accept();
        });
        QVERIFY(!f.form->files().openFile(bad.fileName()));
        QCOMPARE(caption, u"警告"_s);
        QCOMPARE(
            text,
            u"読み込みに失敗しました。ファイルが存在しないか、正しいセーブファイルではありません。"_s);
        QCOMPARE(f.form->sheet().record().money(), 77);
        QCOMPARE(f.form->sheet().saveFile(), good);
        QVERIFY(!f.form->sheet().linkMode());
    }

    void anUnansweredLoadFailureFailsTheTestInsteadOfHangingIt()
    {
        MainFormFixture f;
        QEXPECT_FAIL("", "nobody answers the load failure message", Continue);
        QVERIFY(!f.form->files().openFile(f.dir.filePath(u"missing.pkd"_s)));
    }

    void savingWritesTheSheetAndTurnsLinkModeOff()
    {
        MainFormFixture f;
        box(f, u"EditName"_s)->setText(u"Ann"_s);
        box(f, u"EditAbl1Max"_s)->setText(u"9"_s);
        f.find<QPlainTextEdit>(u"MemoInventry"_s)->setPlainText(u"a\nb"_s);
        const QString path = f.dir.filePath(u"ann.pkd"_s);
        answerNextDialog([&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            QVERIFY(dialog);
            QCOMPARE(dialog->objectName(), u"SaveDialog1"_s);
            QCOMPARE(dialog->defaultSuffix(), u"pkd"_s);
            QCOMPARE(QDir(dialog->directory()).absolutePath(), QDir(f.dir.path()).absolutePath());
            dialog->selectFile(path);
            QMetaObject::invokeMethod(dialog, &QDialog::accept);
        });
        f.form->files().saveAs();
        QVERIFY(!f.form->sheet().linkMode());
        QVERIFY(f.find<QAction>(u"Save1"_s)->isEnabled());
        QCOMPARE(f.form->sheet().saveFile(), path);

        CharacterRecord read;
        read.setAbilityCount(8);
        QCOMPARE(readSaveFile(read, u"0.6.1.0"_s, path), SaveFileResult::Loaded);
        QCOMPARE(read.name(), u"Ann"_s);
        QCOMPARE(read.origin(0), 9);
        QCOMPARE(read.current(0), 9);
        QCOMPARE(read.inventory(), u"a\r\nb"_s);
        QCOMPARE(read.settingsFileName(), u"Default.ini"_s);

        // Save writes to the same file without a dialog.
        box(f, u"EditMoney"_s)->setText(u"5"_s);
        f.find<QAction>(u"Save1"_s)->trigger();
        QCOMPARE(readSaveFile(read, u"0.6.1.0"_s, path), SaveFileResult::Loaded);
        QCOMPARE(read.money(), 5);
    }

    // Opening and closing a journal file to learn its type drops the journal's locks on it.
    void theFileDialogsNeverOpenTheFilesTheyShow()
    {
        MainFormFixture f;
        const QString shown = f.dir.filePath(u"shown"_s);
        QVERIFY(QDir().mkpath(shown));
        QFile journal(shown + u"/Pelko.journal"_s);
        QVERIFY(journal.open(QIODevice::WriteOnly) && journal.write("SQLite format 3") > 0);
        journal.close();
        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(inotify_add_watch(watch, QFile::encodeName(shown).constData(), IN_OPEN) >= 0);
        QStringList opened;
        answerNextDialog([&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            dialog->setDirectory(shown);
            dialog->setViewMode(QFileDialog::Detail); // the type column too
            QTest::qWait(1500); // the folder is read, its icons and types are looked up
            alignas(inotify_event) char buffer[4096];
            for (ssize_t got; (got = read(watch, buffer, sizeof buffer)) > 0;)
                for (char *at = buffer; at < buffer + got;) {
                    const auto *event = reinterpret_cast<const inotify_event *>(at);
                    if (event->len > 0)
                        opened.append(QString::fromUtf8(event->name));
                    at += sizeof(inotify_event) + event->len;
                }
            dialog->reject();
        });
        f.form->files().open();
        close(watch);
        QVERIFY2(opened.isEmpty(), qPrintable(opened.join(u", "_s)));
    }

    void newReturnsToTheStartingState()
    {
        MainFormFixture f;
        QVERIFY(f.form->files().openFile(writeSheet(f, u"hero.pkd"_s)));
        f.find<QAction>(u"New1"_s)->trigger();
        QCOMPARE(f.form->windowTitle(), u"Pelko"_s);
        QVERIFY(box(f, u"EditName"_s)->text().isEmpty());
        for (const char16_t *name :
             {u"EditAbl1Max", u"EditAbl1", u"EditAbl8", u"EditMoney", u"EditNow"})
            QCOMPARE(box(f, QString::fromUtf16(name))->text(), u"0"_s);
        QVERIFY(f.find<QPlainTextEdit>(u"MemoInventry"_s)->toPlainText().isEmpty());
        QVERIFY(f.form->sheet().linkMode());
        QVERIFY(!f.find<QAction>(u"Save1"_s)->isEnabled());
        QVERIFY(f.form->sheet().saveFile().isEmpty());
        QCOMPARE(f.form->sheet().record().routeCount(), 0);
        QCOMPARE(f.form->sheet().record().current(7), 0);
        QCOMPARE(f.form->sheet().settingsFile(), u"Default.ini"_s);
        QCOMPARE(f.form->width(), 496);
        QCOMPARE(f.form->focusWidget(), box(f, u"EditName"_s));
    }

    // A settings file that exists but cannot be read (here a named pipe) is reported; the
    // sheet still comes in whole, with the defaults, and Save writes the file just opened.
    void anUnreadableSettingsFileLeavesNoSheetHalfOpened()
    {
        MainFormFixture f;
        const QString before = writeSheet(f, u"before.pkd"_s);
        QVERIFY(f.form->files().openFile(before));
        const QByteArray beforeBytes = TestFiles::bytesOf(before);
        QVERIFY(mkfifo(QFile::encodeName(f.dir.filePath(u"Pipe.ini"_s)).constData(), 0600) == 0);
        CharacterRecord data;
        data.setAbilityCount(8);
        data.setSettingsFileName(u"Pipe.ini"_s);
        data.setName(u"Ann"_s);
        const QString piped = f.dir.filePath(u"ann.pkd"_s);
        writeSaveFile(data, u"0.6.1.0"_s, piped);

        BoxAnswerer answerer;
        QVERIFY(f.form->files().openFile(piped));
        QCOMPARE(answerer.texts.size(), 1);
        QCOMPARE(f.form->sheet().saveFile(), piped);
        QCOMPARE(f.form->sheet().settingsFile(), u"Pipe.ini"_s);
        QCOMPARE(f.form->sheet().settings(), SettingsValues());
        QCOMPARE(f.find<CheckListBox>(u"CheckListBoxFL"_s)->count(),
                 f.form->sheet().record().flagCount());

        box(f, u"EditMoney"_s)->setText(u"77"_s);
        f.find<QAction>(u"Save1"_s)->trigger();
        QCOMPARE(TestFiles::bytesOf(before), beforeBytes);
        CharacterRecord read;
        read.setAbilityCount(8);
        QCOMPARE(readSaveFile(read, u"0.6.1.0"_s, piped), SaveFileResult::Loaded);
        QCOMPARE(read.name(), u"Ann"_s);
        QCOMPARE(read.money(), 77);
    }

    // New with a "Default.ini" that cannot be read: reported, and New completes with the
    // defaults, the flag list as the settings in force say.
    void newWithAnUnreadableDefaultFileCompletesWithTheDefaults()
    {
        SettingsValues flags;
        flags.flagNumber = 2;
        flags.flagText = u"鍵\r\n剣\r\n"_s;
        MainFormFixture f(flags);
        QCOMPARE(f.find<CheckListBox>(u"CheckListBoxFL"_s)->count(), 2);
        QVERIFY(mkfifo(QFile::encodeName(f.dir.filePath(u"Default.ini"_s)).constData(), 0600) == 0);
        BoxAnswerer answerer;
        f.find<QAction>(u"New1"_s)->trigger();
        QCOMPARE(answerer.texts.size(), 1);
        QCOMPARE(f.form->sheet().settings(), SettingsValues());
        QCOMPARE(f.find<CheckListBox>(u"CheckListBoxFL"_s)->count(), 0);
        QCOMPARE(f.form->sheet().record().flagCount(), 0);
    }

    // A save file opened and saved again without an edit comes back byte for byte, whatever
    // its text fields and its inventory hold.
    void anUneditedSheetIsSavedWithTheBytesItWasReadWith_data()
    {
        QTest::addColumn<QByteArray>("settingsField");
        QTest::addColumn<QByteArray>("nameField");
        QTest::addColumn<QString>("inventory");
        const QByteArray ini = "Default.ini";
        QTest::newRow("no code page character in the name")
            << ini << QByteArray("\xAB\x80\xCD") << QString();
        QTest::newRow("a lone lead byte ends the name") << ini << QByteArray("AB\x83") << QString();
        QTest::newRow("an unassigned pair") << ini << QByteArray("\x85\x40") << QString();
        QTest::newRow("a pair with another canonical form")
            << ini << QByteArray("\xED\x40\x88\x9F") << QString();
        QTest::newRow("twenty bytes") << ini << QByteArray("\xED\x40").repeated(10) << QString();
        QTest::newRow("odd bytes in the settings file's name")
            << QByteArray("\xED\x40\x80.ini") << QByteArray("Hero") << QString();
        QTest::newRow("the settings file's ending in capitals")
            << QByteArray("Default.INI") << QByteArray("Hero") << QString();
        QTest::newRow("lone line feeds") << ini << QByteArray("Hero") << u"a\nb\n"_s;
        QTest::newRow("lone carriage returns") << ini << QByteArray("Hero") << u"a\rb\r\n\rc"_s;
    }
    void anUneditedSheetIsSavedWithTheBytesItWasReadWith()
    {
        QFETCH(QByteArray, settingsField);
        QFETCH(QByteArray, nameField);
        QFETCH(QString, inventory);
        MainFormFixture f;
        CharacterRecord data;
        data.setAbilityCount(8);
        data.setInventory(inventory);
        QByteArray bytes = saveFileBytes(data, u"0.6.1.0"_s);
        bytes.replace(21, settingsField.size(), settingsField);
        bytes.replace(42, nameField.size(), nameField);
        const QString path = f.dir.filePath(u"odd.pkd"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        QVERIFY(f.form->files().openFile(path));
        f.find<QAction>(u"Save1"_s)->trigger();
        QCOMPARE(TestFiles::bytesOf(path).toHex(' '), bytes.toHex(' '));

        // A name the user edits is written in the code page's own form.
        const QString shown = box(f, u"EditName"_s)->text();
        box(f, u"EditName"_s)->setText(shown.left(shown.size() - 1));
        f.find<QAction>(u"Save1"_s)->trigger();
        const QByteArray typed = TestFiles::bytesOf(path).mid(42, 21);
        QCOMPARE(typed.left(typed.indexOf('\0')), Cp932::encode(f.form->sheet().record().name()));
    }

    void aSheetWithoutARouteLeavesTheRouteEmpty()
    {
        MainFormFixture f;
        QVERIFY(f.form->files().openFile(writeSheet(f, u"hero.pkd"_s)));
        QVERIFY(f.form->files().openFile(writeSheet(f, u"plain.pkd"_s, 0)));
        QCOMPARE(box(f, u"EditNow"_s)->text(), u"0"_s);
        QVERIFY(!f.find<QAction>(u"N8"_s)->isEnabled());
        QVERIFY(!f.find<QAction>(u"N9"_s)->isEnabled());
        QVERIFY(!f.find<RoutePanel>(u"PanelRoute"_s)->isVisible());
        QCOMPARE(f.form->width(), 496);
    }

    void theCommandLineOpensOnlyAnUpperCaseEnding_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("withOpen");
        QTest::addColumn<bool>("opened");
        QTest::newRow("upper") << u"X.PKD"_s << false << true;
        QTest::newRow("lower") << u"X.pkd"_s << false << false;
        QTest::newRow("mixed") << u"X.Pkd"_s << false << false;
        QTest::newRow("--open, lower") << u"X.pkd"_s << true << true;
        QTest::newRow("--open, upper") << u"X.PKD"_s << true << true;
        QTest::newRow("--open, any ending") << u"X.sheet"_s << true << true;
    }
    void theCommandLineOpensOnlyAnUpperCaseEnding()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, withOpen);
        QFETCH(bool, opened);
        QTemporaryDir dir;
        CharacterRecord data;
        data.setAbilityCount(8);
        data.setName(u"Hero"_s);
        const QString path = dir.filePath(fileName);
        writeSaveFile(data, u"0.6.1.0"_s, path);

        QFile wav(dir.filePath(u"diceroll.wav"_s));
        QVERIFY(wav.open(QIODevice::WriteOnly));
        wav.close();
        IniSettings settings(dir.path() + u'/');
        MainWindow form(settings, settings.programDir());
        if (withOpen) {
            form.setStartupArguments({u"--open"_s, path});
            form.setStartupFile(path);
        } else {
            form.setStartupArguments({path, u"ignored.PKD"_s});
        }
        form.show();
        QCOMPARE(form.sheet().record().name(), opened ? u"Hero"_s : QString());
    }

    // The desktop's keys reach the File menu's commands from every kind of box (where the
    // desktop has none, the program's own); without a save file, Save's keys ask for a name.
    void theFileMenusKeysWorkFromEveryBox()
    {
        MainFormFixture f;
        QStringList reached; // which command a key reaches, not what it does
        for (QAction *action : f.find<QMenu>(u"F1"_s)->actions()) {
            QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this,
                    [&reached, action] { reached.append(action->objectName()); });
        }
        f.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        const auto press = [&](const char *box, QKeySequence::StandardKey command,
                               const QString &item) {
            f.find<QWidget>(QString::fromLatin1(box))->setFocus();
            reached.clear();
            QTest::keySequence(
                QApplication::focusWidget(),
                QKeySequence::keyBindings(command).value(0, f.find<QAction>(item)->shortcut()));
            QVERIFY2(reached == QStringList{item}, box);
        };
        press("EditNow", QKeySequence::Save, u"SaveAs1"_s);
        QVERIFY(f.form->files().writeTo(f.dir.filePath(u"a.pkd"_s)));
        for (const char *box : {"EditName", "EditAbl1", "EditNow", "MemoInventry"}) {
            press(box, QKeySequence::Save, u"Save1"_s);
            press(box, QKeySequence::SaveAs, u"SaveAs1"_s);
            press(box, QKeySequence::New, u"New1"_s);
            press(box, QKeySequence::Open, u"Open1"_s);
            press(box, QKeySequence::Print, u"Print1"_s);
            press(box, QKeySequence::Quit, u"Exit1"_s);
        }
    }

    // "保存(&S)" and "道程をテキストファイルに書き出す(&S)" share their letter.
    void theLetterSSelectsAnEnabledItemOfTheFileMenu_data()
    {
        QTest::addColumn<bool>("saveEnabled");
        QTest::addColumn<bool>("exportEnabled");
        QTest::addColumn<int>("presses");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("save disabled") << false << true << 1 << u"N10"_s;
        QTest::newRow("save disabled, S twice") << false << true << 2 << u"N10"_s;
        QTest::newRow("export disabled") << true << false << 1 << u"Save1"_s;
        QTest::newRow("both enabled") << true << true << 1 << u"Save1"_s;
        QTest::newRow("both enabled, S twice") << true << true << 2 << u"N10"_s;
        QTest::newRow("both disabled") << false << false << 1 << QString();
    }
    void theLetterSSelectsAnEnabledItemOfTheFileMenu()
    {
        QFETCH(bool, saveEnabled);
        QFETCH(bool, exportEnabled);
        QFETCH(int, presses);
        QFETCH(QString, chosen);
        MainFormFixture f;
        auto *save = f.form->findChild<QAction *>(u"Save1"_s);
        auto *output = f.form->findChild<QAction *>(u"N10"_s);
        auto *menu = f.form->findChild<QMenu *>(u"F1"_s);
        QVERIFY(save && output && menu);
        save->setEnabled(saveEnabled);
        output->setEnabled(exportEnabled);
        QSignalSpy saves(save, &QAction::triggered);
        QSignalSpy exports(output, &QAction::triggered);

        menu->popup(f.form->mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        for (int i = 0; i < presses; ++i)
            QTest::keyClick(menu, Qt::Key_S);
        QCOMPARE(menu->activeAction() ? menu->activeAction()->objectName() : QString(), chosen);
        // The letter only selects; Return chooses.
        QCOMPARE(saves.count() + exports.count(), 0);
        QTest::keyClick(menu, Qt::Key_Return);
        QCOMPARE(saves.count(), chosen == u"Save1"_s ? 1 : 0);
        QCOMPARE(exports.count(), chosen == u"N10"_s ? 1 : 0);
    }
};

QTEST_MAIN(TestMainFile)
#include "tst_mainfile.moc"
