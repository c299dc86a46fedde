#include "BoxAnswerer.h"
#include "Cp932.h"
#include "SettingsDialogFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>

using namespace Qt::StringLiterals;

namespace {

const QString DefaultsWithAbility3OffAndTwoFlags = uR"([HEAD]
enable1=1
enable2=1
enable3=0
enable4=0
enable5=0
enable6=0
enable7=0
enable8=0
Name1=体力点
Name2=技術点
Name3=運点
Name4=
Name5=
Name6=
Name7=
Name8=

[Limit]
OverLoad=0
MinusEnable=0

[Flags]
FlagListMode=0
FlagNumber=2
Flag1=Ａ
Flag2=Ｂ

[Dice]
NumberDiceEnable=0
ZeroDiceEnable=0
PercentileDiceEnable=0
SoundEffectEnable=1
VariableRollEnable=1

[Route]
RoutePanelVisible=1
FixWord=Route
FixType=2

)"_s;

} // namespace

// Which settings file the dialog reads, writes and puts in force, and the field that names it.
class TestOptionFiles : public QObject, private SettingsDialogFixture
{
    Q_OBJECT

    QLineEdit *field() { return child<QComboBox>(u"ComboBoxIniList"_s)->lineEdit(); }
    void typeFileName(const QString &text)
    {
        QLineEdit *edit = field();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Backspace);
        typeText(edit, text);
    }

private Q_SLOTS:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void creatingTheDialogLoadsTheCurrentSettingsFile()
    {
        writeFile(u"Default.ini"_s, "[Limit]\r\nOverLoad=1\r\n");
        create();
        QVERIFY(m_sheet->settings().overLoad);
        // Its controls wait for the first opening, which shows the settings in force.
        QVERIFY(!m_form->findChild<QCheckBox *>(u"CheckBoxOver"_s));
        open();
        QVERIFY(child<QCheckBox>(u"CheckBoxOver"_s)->isChecked());
    }

    void setWritesTheNamedFileAndPutsItInForce()
    {
        create();
        open();
        typeFileName(u"hero"_s);
        child<QCheckBox>(u"CheckBoxAbl3"_s)->click();
        choose(child<QComboBox>(u"ComboBoxFEnd"_s), 1);
        child<QPushButton>(u"ButtonNew"_s)->click();
        child<QPushButton>(u"btnSet"_s)->click();

        QCOMPARE(
            TestFiles::bytesOf(path(u"hero.ini"_s)),
            Cp932::encode(QString(DefaultsWithAbility3OffAndTwoFlags).replace(u"\n"_s, u"\r\n"_s)));
        QCOMPARE(m_sheet->settingsFile(), u"hero.ini"_s);
        QCOMPARE(m_sheet->settings(), m_form->work);
        QVERIFY(!m_sheet->settings().enabled[2]);
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_form->result(), int(QDialog::Accepted));
    }

    void saveWritesTheFileAndLeavesTheSettingsInForce()
    {
        create();
        open();
        typeFileName(u"extra"_s);
        child<QCheckBox>(u"CheckBoxOver"_s)->click();
        child<QPushButton>(u"ButtonIniSave"_s)->click();

        SettingsValues saved;
        loadSettingsFile(saved, path(u"extra.ini"_s));
        QVERIFY(saved.overLoad);
        QVERIFY(!m_sheet->settings().overLoad);
        QCOMPARE(m_sheet->settingsFile(), u"Default.ini"_s);
        QVERIFY(m_form->isVisible());
        QVERIFY(child<QComboBox>(u"ComboBoxIniList"_s)->findText(u"extra.ini"_s) > 0);
        QCOMPARE(field()->text(), u"extra.ini"_s);
    }

    void anEmptyFieldWritesDefaultIni_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("typeThenErase");
        QTest::newRow("set, field emptied by New") << u"btnSet"_s << false;
        QTest::newRow("set, field holding .ini") << u"btnSet"_s << true;
        QTest::newRow("save, field emptied by New") << u"ButtonIniSave"_s << false;
        QTest::newRow("save, field holding .ini") << u"ButtonIniSave"_s << true;
    }
    void anEmptyFieldWritesDefaultIni()
    {
        QFETCH(QString, button);
        QFETCH(bool, typeThenErase);
        m_sheet->applySettings(u"elsewhere.ini"_s, m_sheet->settings());
        create();
        open();
        if (typeThenErase) {
            typeFileName(u"x"_s);
            QTest::keyClick(field(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(field(), Qt::Key_Backspace);
            QCOMPARE(field()->text(), u".ini"_s);
        } else {
            child<QPushButton>(u"ButtonIniNew"_s)->click();
            QCOMPARE(field()->text(), QString());
        }
        child<QPushButton>(button)->click();
        QVERIFY(QFileInfo::exists(path(u"Default.ini"_s)));
        QCOMPARE(m_sheet->settingsFile(),
                 button == u"btnSet"_s ? u"Default.ini"_s : u"elsewhere.ini"_s);
    }

    void typingKeepsTheEndingBehindTheCaret()
    {
        create();
        open();
        typeFileName(u"hero"_s);
        QCOMPARE(field()->text(), u"hero.ini"_s);
        QCOMPARE(field()->cursorPosition(), 4);
        QCOMPARE(child<QPushButton>(u"ButtonIniSave"_s)->toolTip(),
                 u"設定を“hero.ini”というファイル名で保存する"_s);
        QCOMPARE(child<QPushButton>(u"btnSet"_s)->toolTip(),
                 u"設定を“hero.ini”というファイル名で保存し、メインウィンドウに反映させる"_s);

        QTest::keyClick(field(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field(), Qt::Key_Backspace);
        QCOMPARE(field()->text(), u".ini"_s);
        QCOMPARE(field()->cursorPosition(), 0);
        QCOMPARE(m_form->selectedFile, u"Default.ini"_s);
    }

    void enterInTheFieldNeitherClearsItNorWrites()
    {
        create();
        open();
        typeFileName(u"hero"_s);
        QTest::keyClick(field(), Qt::Key_Return);
        QCOMPARE(field()->text(), u"hero.ini"_s);
        QVERIFY(m_form->isVisible());
        QVERIFY(QDir(m_dir->path()).entryList(QDir::Files).isEmpty());
    }

    // Only a choice from the drop-down loads a file; a typed name that matches an entry, however
    // the typing ends, names the target and leaves the edited controls alone.
    void aTypedListedNameNeverLoadsOverTheEdits_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("button");
        QTest::newRow("enter, set") << u"enter"_s << u"btnSet"_s;
        QTest::newRow("focus moves, set") << u"focus"_s << u"btnSet"_s;
        QTest::newRow("enter, save") << u"enter"_s << u"ButtonIniSave"_s;
        QTest::newRow("focus moves, save") << u"focus"_s << u"ButtonIniSave"_s;
    }
    void aTypedListedNameNeverLoadsOverTheEdits()
    {
        QFETCH(QString, ending);
        QFETCH(QString, button);
        writeFile(u"Default.ini"_s, Cp932::encode(DefaultsWithAbility3OffAndTwoFlags));
        writeFile(u"hero.ini"_s, "[HEAD]\r\nName1=old\r\n[Limit]\r\nOverLoad=0\r\n");
        create();
        open();
        QApplication::setActiveWindow(m_form.get());
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        auto *name1 = child<QLineEdit>(u"EditAbl1"_s);
        name1->selectAll();
        typeText(name1, u"new"_s);
        child<QCheckBox>(u"CheckBoxOver"_s)->click();
        field()->setFocus();
        typeFileName(u"hero"_s);
        auto *target = child<QPushButton>(button);
        if (ending == u"enter"_s)
            QTest::keyClick(field(), Qt::Key_Return);
        else
            target->setFocus(Qt::MouseFocusReason);
        QCOMPARE(name1->text(), u"new"_s);
        target->click();

        SettingsValues saved;
        loadSettingsFile(saved, path(u"hero.ini"_s));
        QCOMPARE(saved.names[0], u"new"_s);
        QVERIFY(saved.overLoad);
    }

    void theFieldRefusesWhatCannotNameAFileBesideTheProgram_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("reason");
        QTest::newRow("slash") << u"a/b"_s << u"ab.ini"_s << u"/"_s;
        QTest::newRow("backslash") << u"a\\b"_s << u"ab.ini"_s << u"\\"_s;
        QTest::newRow("not in the code page") << u"aüb"_s << u"ab.ini"_s << u"ü"_s;
        QTest::newRow("beyond 20 bytes")
            << u"abcdefghijklmnopqr"_s << u"abcdefghijklmnop.ini"_s << u"20"_s;
        QTest::newRow("full-width beyond 20 bytes")
            << u"あいうえおかきくけ"_s << u"あいうえおかきく.ini"_s << u"20"_s;
    }
    void theFieldRefusesWhatCannotNameAFileBesideTheProgram()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, reason);
        create();
        open();
        typeFileName(typed);
        QCOMPARE(field()->text(), shown);
        QVERIFY2(QToolTip::text().contains(reason), qPrintable(QToolTip::text()));
        if (reason == u"20"_s) { // a paste keeps what fits, as typing does
            field()->clear();
            QGuiApplication::clipboard()->setText(typed);
            field()->paste();
            QCOMPARE(field()->text(), shown);
        }
    }

    void aNameThatCouldLeaveTheFolderIsNeverWritten_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("set") << u"btnSet"_s;
        QTest::newRow("save") << u"ButtonIniSave"_s;
    }
    void aNameThatCouldLeaveTheFolderIsNeverWritten()
    {
        QFETCH(QString, button);
        create();
        open();
        typeFileName(u"a..b"_s);
        BoxAnswerer answerer;
        child<QPushButton>(button)->click();
        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY(answerer.texts[0].contains(u".."_s));
        QVERIFY(QDir(m_dir->path()).entryList(QDir::Files).isEmpty());
        QVERIFY(m_form->isVisible());
        QCOMPARE(m_sheet->settingsFile(), u"Default.ini"_s);
    }

    // Loading reads no more labels than the cap: more would vanish at the next load.
    void moreLabelsThanTheCapAreRefusedAndNothingIsWritten_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("labels");
        QTest::addColumn<bool>("refused");
        QTest::newRow("set, one too many") << u"btnSet"_s << MaxFlagNumber + 1 << true;
        QTest::newRow("save, one too many") << u"ButtonIniSave"_s << MaxFlagNumber + 1 << true;
        QTest::newRow("save, the cap") << u"ButtonIniSave"_s << MaxFlagNumber << false;
    }
    void moreLabelsThanTheCapAreRefusedAndNothingIsWritten()
    {
        QFETCH(QString, button);
        QFETCH(int, labels);
        QFETCH(bool, refused);
        create();
        open();
        child<QPlainTextEdit>(u"MemoFList"_s)
            ->setPlainText(QStringList(labels, u"x"_s).join(u'\n'));
        BoxAnswerer answerer;
        child<QPushButton>(button)->click();
        QCOMPARE(answerer.texts.size(), refused ? 1 : 0);
        QCOMPARE(QFile::exists(path(u"Default.ini"_s)), !refused);
        if (refused) {
            QVERIFY2(answerer.texts[0].contains(u"10000"_s), qPrintable(answerer.texts[0]));
            QVERIFY(m_form->isVisible());
            QCOMPARE(m_sheet->settings(), SettingsValues());
        }
    }

    // Whatever put the field in its state, both hints name the file the two buttons write, and
    // the user's defaults are written only when they are named.
    void theHintsNameTheFileTheButtonsWrite_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("written");
        QTest::newRow("in force, not on disk: set") << u"open"_s << u"btnSet"_s << u"Missing.ini"_s;
        QTest::newRow("in force, not on disk: save")
            << u"open"_s << u"ButtonIniSave"_s << u"Missing.ini"_s;
        QTest::newRow("new") << u"new"_s << u"btnSet"_s << u"Default.ini"_s;
        QTest::newRow("the empty entry")
            << u"empty entry"_s << u"ButtonIniSave"_s << u"Default.ini"_s;
        QTest::newRow("a listed file") << u"listed"_s << u"btnSet"_s << u"Other.ini"_s;
        QTest::newRow("typed") << u"typed"_s << u"btnSet"_s << u"typed.ini"_s;
    }
    void theHintsNameTheFileTheButtonsWrite()
    {
        QFETCH(QString, way);
        QFETCH(QString, button);
        QFETCH(QString, written);
        const QByteArray defaults = "[Limit]\r\nOverLoad=1\r\n";
        writeFile(u"Default.ini"_s, defaults);
        writeFile(u"Other.ini"_s, "[Limit]\r\nMinusEnable=1\r\n");
        m_sheet->applySettings(u"Missing.ini"_s, SettingsValues());
        create();
        open();
        auto *list = child<QComboBox>(u"ComboBoxIniList"_s);
        if (way == u"new"_s)
            child<QPushButton>(u"ButtonIniNew"_s)->click();
        else if (way == u"empty entry"_s)
            choose(list, 0);
        else if (way == u"listed"_s)
            choose(list, list->findText(u"Other.ini"_s));
        else if (way == u"typed"_s)
            typeFileName(u"typed"_s);
        const QString quoted = u'“' + written + u'”';
        QVERIFY2(child<QPushButton>(u"ButtonIniSave"_s)->toolTip().contains(quoted),
                 qPrintable(child<QPushButton>(u"ButtonIniSave"_s)->toolTip()));
        QVERIFY(child<QPushButton>(u"btnSet"_s)->toolTip().contains(quoted));

        child<QPushButton>(button)->click();
        QVERIFY(QFileInfo::exists(path(written)));
        if (written != u"Default.ini"_s)
            QCOMPARE(TestFiles::bytesOf(path(u"Default.ini"_s)), defaults);
        if (button == u"btnSet"_s)
            QCOMPARE(m_sheet->settingsFile(), written);
    }

    // Every file the program lists, even one named by hand past what the field lets a user
    // type, can be saved and put in force from the dialog, as from the quick-select menu.
    void everyListedFileCanBeSavedAndSet_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("button");
        QTest::newRow("a base past 16 bytes: set") << u"abcdefghijklmnopq.ini"_s << u"btnSet"_s;
        QTest::newRow("a base past 16 bytes: save")
            << u"abcdefghijklmnopq.ini"_s << u"ButtonIniSave"_s;
        QTest::newRow("two dots in the name") << u"a..b.ini"_s << u"btnSet"_s;
    }
    void everyListedFileCanBeSavedAndSet()
    {
        QFETCH(QString, name);
        QFETCH(QString, button);
        writeFile(name, "[Limit]\r\nOverLoad=1\r\n");
        create();
        open();
        auto *list = child<QComboBox>(u"ComboBoxIniList"_s);
        choose(list, list->findText(name));
        child<QCheckBox>(u"CheckBoxMinus"_s)->click();
        BoxAnswerer answerer;
        child<QPushButton>(button)->click();
        QCOMPARE(answerer.texts, QStringList());
        SettingsValues saved;
        loadSettingsFile(saved, path(name));
        QVERIFY(saved.overLoad && saved.minusEnable);
        QCOMPARE(m_sheet->settingsFile(), button == u"btnSet"_s ? name : u"Default.ini"_s);
    }

    void aFailedWriteIsReported_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("closes");
        QTest::newRow("set puts the values in force all the same") << u"btnSet"_s << true;
        QTest::newRow("save keeps the dialog open") << u"ButtonIniSave"_s << false;
    }
    void aFailedWriteIsReported()
    {
        QFETCH(QString, button);
        QFETCH(bool, closes);
        // A folder where the file should be: listed like a file, never writable.
        QVERIFY(QDir(m_dir->path()).mkdir(u"bad.ini"_s));
        create();
        open();
        auto *list = child<QComboBox>(u"ComboBoxIniList"_s);
        choose(list, list->findText(u"bad.ini"_s));
        child<QCheckBox>(u"CheckBoxMinus"_s)->click();
        BoxAnswerer answerer;
        child<QPushButton>(button)->click();

        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY2(answerer.texts[0].startsWith(u"ファイル "_s) &&
                     answerer.texts[0].contains(u"bad.ini を作成できません"_s),
                 qPrintable(answerer.texts[0]));
        QCOMPARE(m_form->isVisible(), !closes);
        QCOMPARE(m_sheet->settings().minusEnable, closes);
        QCOMPARE(m_sheet->settingsFile(), closes ? u"bad.ini"_s : u"Default.ini"_s);
    }

    void theFileListIsSortedWithAnEmptyEntryFirst_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("field");
        QTest::newRow("none") << QStringList() << QStringList{QString(), u"Default.ini"_s}
                              << u"Default.ini"_s;
        QTest::newRow("default sorted in")
            << QStringList{u"b.ini"_s, u"A.INI"_s, u"default.INI"_s}
            << QStringList{QString(), u"A.INI"_s, u"b.ini"_s, u"default.INI"_s} << u"default.INI"_s;
        // The file in force stands in the field even when it is not on disk.
        QTest::newRow("current not listed")
            << QStringList{u"x.ini"_s} << QStringList{QString(), u"x.ini"_s} << u"Default.ini"_s;
    }
    void theFileListIsSortedWithAnEmptyEntryFirst()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, entries);
        QFETCH(QString, field);
        for (const QString &file : files)
            writeFile(file, QByteArray());
        create();
        open();
        auto *list = child<QComboBox>(u"ComboBoxIniList"_s);
        QStringList shown;
        for (int i = 0; i < list->count(); ++i)
            shown.append(list->itemText(i));
        QCOMPARE(shown, entries);
        QCOMPARE(list->currentText(), field);
    }

    void choosingAFileShowsItButCancelKeepsTheSettingsInForce_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("cancel button") << 0;
        QTest::newRow("escape") << 1;
        QTest::newRow("close box") << 2;
    }
    void choosingAFileShowsItButCancelKeepsTheSettingsInForce()
    {
        QFETCH(int, how);
        SettingsValues other;
        other.overLoad = true;
        saveSettingsFile(other, path(u"other.ini"_s));
        create();
        open();
        auto *list = child<QComboBox>(u"ComboBoxIniList"_s);
        choose(list, list->findText(u"other.ini"_s));
        QVERIFY(child<QCheckBox>(u"CheckBoxOver"_s)->isChecked());
        QCOMPARE(m_form->selectedFile, u"other.ini"_s);

        if (how == 0)
            child<QPushButton>(u"btnCancel"_s)->click();
        else if (how == 1)
            QTest::keyClick(m_form.get(), Qt::Key_Escape);
        else
            m_form->close();
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_form->result(), int(QDialog::Rejected));
        QVERIFY(!m_sheet->settings().overLoad);
        QCOMPARE(m_sheet->settingsFile(), u"Default.ini"_s);

        open();
        QVERIFY(!child<QCheckBox>(u"CheckBoxOver"_s)->isChecked());
    }
};

QTEST_MAIN(TestOptionFiles)
#include "tst_optionfiles.moc"
