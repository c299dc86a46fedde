#include "Cp932.h"
#include "IniData.h"
#include "Option.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Answers every message box that opens while it lives, keeping the texts it showed.
class BoxAnswerer : public QObject
{
public:
    BoxAnswerer()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                texts.append(box->text());
                box->accept();
            }
        });
        m_timer.start(10);
    }
    QStringList texts;

private:
    QTimer m_timer;
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Typing text key by key, each key carrying one character as an input method would.
void typeText(QWidget *widget, const QString &text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// The user picking an entry of a drop-down list.
void choose(QComboBox *list, int index)
{
    list->setCurrentIndex(index);
    Q_EMIT list->activated(index);
}

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

class TestOption : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<IniSettings> m_settings;
    std::unique_ptr<TOptionForm> m_form;
    QString m_characterName;

    void create(bool soundLoaded = true)
    {
        m_form = std::make_unique<TOptionForm>(
            *m_settings, [this] { return m_characterName; }, soundLoaded);
    }
    void open()
    {
        m_form->show();
        QVERIFY(m_form->isVisible());
    }
    template <typename T> T *child(const QString &name)
    {
        T *found = m_form->findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    QLineEdit *field() { return child<QComboBox>(u"ComboBoxIniList"_s)->lineEdit(); }
    void typeFileName(const QString &text)
    {
        QLineEdit *edit = field();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Backspace);
        typeText(edit, text);
    }
    QString path(const QString &name) const { return m_dir->filePath(name); }
    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_settings = std::make_unique<IniSettings>(m_dir->path());
        m_characterName.clear();
    }
    void cleanup()
    {
        m_form.reset();
        m_settings.reset();
        m_dir.reset();
    }

    void creatingTheDialogLoadsTheCurrentSettingsFile()
    {
        writeFile(u"Default.ini"_s, "[Limit]\r\nOverLoad=1\r\n");
        create();
        QVERIFY(m_settings->IniData.OverLoad);
        // Its controls wait for the first opening, which shows the settings in force.
        QVERIFY(!m_form->findChild<QCheckBox *>(u"CheckBoxOver"_s));
        open();
        QVERIFY(child<QCheckBox>(u"CheckBoxOver"_s)->isChecked());
    }

    void theControlsGiveBackTheRecordTheyShow_data()
    {
        QTest::addColumn<TIniData>("ini");
        TIniData changed;
        changed.Enable = {false, true, false, true, false, true, false, true};
        changed.Name = {u"生命"_s, QString(), u"魔力点"_s, u"ABCDEFGH"_s,
                        u"運"_s,   u"x"_s,    u"y"_s,      u"z"_s};
        changed.OverLoad = changed.MinusEnable = changed.NumberDiceEnable = true;
        // The percentile box keeps its value while the zero-face box locks it.
        changed.ZeroDiceEnable = false;
        changed.PercentileDiceEnable = true;
        changed.SoundEffectEnable = changed.VariableRollEnable = false;
        changed.RoutePanelVisible = false;
        changed.FixWord = u"記録"_s;
        changed.FixType = 1;
        changed.FlagListMode = 1;
        changed.FlagNumber = 3;
        changed.FlagText = u"Ａ\r\n\r\n　Ｂ\r\n"_s;
        TIniData oddPlacement;
        oddPlacement.FixType = 5;
        TIniData oddMode;
        oddMode.FlagListMode = 7;
        QTest::newRow("defaults") << TIniData();
        QTest::newRow("everything changed") << changed;
        QTest::newRow("placement no radio stands for") << oddPlacement;
        QTest::newRow("mode the list cannot show") << oddMode;
    }
    void theControlsGiveBackTheRecordTheyShow()
    {
        QFETCH(TIniData, ini);
        create();
        m_form->IniDataToControls(ini);
        m_form->WorkIniData = TIniData();
        m_form->ControlsToIniData();
        QCOMPARE(m_form->WorkIniData, ini);
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
            readFile(path(u"hero.ini"_s)),
            Cp932::encode(QString(DefaultsWithAbility3OffAndTwoFlags).replace(u"\n"_s, u"\r\n"_s)));
        QCOMPARE(m_settings->CurrentIniFile, u"hero.ini"_s);
        QCOMPARE(m_settings->IniData, m_form->WorkIniData);
        QVERIFY(!m_settings->IniData.Enable[2]);
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

        TIniData saved;
        LoadIniData(saved, path(u"extra.ini"_s));
        QVERIFY(saved.OverLoad);
        QVERIFY(!m_settings->IniData.OverLoad);
        QCOMPARE(m_settings->CurrentIniFile, u"Default.ini"_s);
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
        m_settings->CurrentIniFile = u"elsewhere.ini"_s;
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
        QCOMPARE(m_settings->CurrentIniFile,
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
        QCOMPARE(m_form->SelectedIniFile, u"Default.ini"_s);
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

        TIniData saved;
        LoadIniData(saved, path(u"hero.ini"_s));
        QCOMPARE(saved.Name[0], u"new"_s);
        QVERIFY(saved.OverLoad);
    }

    void theDialogOpensOverTheMiddleOfTheMainWindow()
    {
        QWidget main;
        main.setGeometry(100, 80, 496, 410);
        main.show();
        m_form = std::make_unique<TOptionForm>(
            *m_settings, [] { return QString(); }, true, &main);
        open();
        m_form->hide();
        main.move(200, 120);
        open();
        const QRect area = main.frameGeometry();
        const QRect own = m_form->frameGeometry();
        QCOMPARE(own.left(), area.left() + (area.width() - own.width()) / 2);
        QCOMPARE(own.top(), area.top() + (area.height() - own.height()) / 2);
        QCOMPARE(m_form->size(), QSize(280, 324));
        QVERIFY(m_form->windowFlags() & Qt::WindowStaysOnTopHint);
        m_form.reset();
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
        QCOMPARE(m_settings->CurrentIniFile, u"Default.ini"_s);
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
            QCOMPARE(m_settings->IniData, TIniData());
        }
    }

    void aListedNameTooLongForASaveFileIsNotMadeCurrent()
    {
        const QString longName = u"abcdefghijklmnopq.ini"_s;
        writeFile(longName, "[Limit]\r\nOverLoad=1\r\n");
        create();
        open();
        auto *list = child<QComboBox>(u"ComboBoxIniList"_s);
        choose(list, list->findText(longName));
        BoxAnswerer answerer;
        child<QPushButton>(u"btnSet"_s)->click();
        QCOMPARE(answerer.texts.size(), 1);
        QCOMPARE(m_settings->CurrentIniFile, u"Default.ini"_s);
        QVERIFY(m_form->isVisible());
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
        QCOMPARE(m_settings->IniData.MinusEnable, closes);
        QCOMPARE(m_settings->CurrentIniFile, closes ? u"bad.ini"_s : u"Default.ini"_s);
    }

    void aPlacementNoRadioStandsForIsKeptAndPreviewedAsTheWordAlone_data()
    {
        QTest::addColumn<QString>("clicked");
        QTest::addColumn<int>("stored");
        QTest::newRow("untouched") << QString() << 5;
        QTest::newRow("radio clicked") << u"RadioButtonPre"_s << 1;
    }
    void aPlacementNoRadioStandsForIsKeptAndPreviewedAsTheWordAlone()
    {
        QFETCH(QString, clicked);
        QFETCH(int, stored);
        create();
        m_settings->IniData.FixType = 5;
        m_characterName = u"ハル"_s;
        open();
        QVERIFY(child<QRadioButton>(u"RadioButtonSuf"_s)->isChecked());
        QCOMPARE(child<QLineEdit>(u"LabeledEditFileName"_s)->text(), u"Route.txt"_s);
        if (!clicked.isEmpty())
            child<QRadioButton>(clicked)->click();
        child<QPushButton>(u"btnSet"_s)->click();
        QCOMPARE(m_settings->IniData.FixType, stored);
        QVERIFY(readFile(path(u"Default.ini"_s)).contains("FixType=" + QByteArray::number(stored)));
    }

    void thePreviewFollowsWordPlacementAndName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("radio");
        QTest::addColumn<QString>("preview");
        QTest::newRow("direct") << u"ハル"_s << u"RadioButtonDirect"_s << u"Route.txt"_s;
        QTest::newRow("before") << u"ハル"_s << u"RadioButtonPre"_s << u"Route_ハル.txt"_s;
        QTest::newRow("after") << u"ハル"_s << u"RadioButtonSuf"_s << u"ハル_Route.txt"_s;
        QTest::newRow("after, no name")
            << QString() << u"RadioButtonSuf"_s << u"（キャラクター名）_Route.txt"_s;
    }
    void thePreviewFollowsWordPlacementAndName()
    {
        QFETCH(QString, name);
        QFETCH(QString, radio);
        QFETCH(QString, preview);
        m_characterName = name;
        create();
        open();
        child<QRadioButton>(u"RadioButtonDirect"_s)->click();
        child<QRadioButton>(radio)->click();
        QCOMPARE(child<QLineEdit>(u"LabeledEditFileName"_s)->text(), preview);

        auto *word = child<QLineEdit>(u"EditFix"_s);
        word->selectAll();
        typeText(word, u"道"_s);
        QCOMPARE(child<QLineEdit>(u"LabeledEditFileName"_s)->text(),
                 QString(preview).replace(u"Route"_s, u"道"_s));
    }

    void theRouteWordRefusesPathSeparators()
    {
        create();
        open();
        auto *word = child<QLineEdit>(u"EditFix"_s);
        typeText(word, u"/x"_s);
        QCOMPARE(word->text(), u"Routex"_s);
    }

    void withoutSoundTheSoundOptionIsOffAndLocked()
    {
        create(false);
        open();
        auto *sound = child<QCheckBox>(u"CheckBoxSoundEffect"_s);
        QVERIFY(!sound->isChecked());
        QVERIFY(!sound->isEnabled());
        child<QPushButton>(u"btnSet"_s)->click();
        QVERIFY(!m_settings->IniData.SoundEffectEnable);
    }

    void untickingZeroFaceUnticksAndLocksPercentile()
    {
        create();
        open();
        auto *zero = child<QCheckBox>(u"CheckBoxZeroDice"_s);
        auto *percentile = child<QCheckBox>(u"CheckBoxCentDice"_s);
        QVERIFY(!percentile->isEnabled());
        zero->click();
        QVERIFY(percentile->isEnabled());
        percentile->click();
        QVERIFY(percentile->isChecked());
        zero->click();
        QVERIFY(!percentile->isChecked());
        QVERIFY(!percentile->isEnabled());
    }

    void anUntickedAbilityGreysItsNameButKeepsIt()
    {
        create();
        open();
        auto *name = child<QLineEdit>(u"EditAbl2"_s);
        child<QCheckBox>(u"CheckBoxAbl2"_s)->click();
        QVERIFY(!name->isEnabled());
        QCOMPARE(name->palette().color(QPalette::Base), m_form->palette().color(QPalette::Button));
        child<QPushButton>(u"btnSet"_s)->click();
        QVERIFY(!m_settings->IniData.Enable[1]);
        QCOMPARE(m_settings->IniData.Name[1], u"技術点"_s);
    }

    void abilityNamesTakeEightBytesOfHoldableText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("reason");
        QTest::newRow("five full-width") << u"あいうえお"_s << u"あいうえ"_s << QString();
        QTest::newRow("ten ascii") << u"abcdefghij"_s << u"abcdefgh"_s << QString();
        QTest::newRow("mixed") << u"aあいうえ"_s << u"aあいう"_s << QString();
        QTest::newRow("not in the code page") << u"한力"_s << u"力"_s << u"한"_s;
    }
    void abilityNamesTakeEightBytesOfHoldableText()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, reason);
        create();
        open();
        auto *name = child<QLineEdit>(u"EditAbl1"_s);
        name->clear();
        typeText(name, typed);
        QCOMPARE(name->text(), shown);
        if (!reason.isEmpty())
            QVERIFY2(QToolTip::text().contains(reason), qPrintable(QToolTip::text()));
        if (reason.isEmpty()) { // a paste keeps what fits, as typing does
            name->clear();
            QGuiApplication::clipboard()->setText(typed);
            name->paste();
            QCOMPARE(name->text(), shown);
        }
    }

    void onlyTheFirstEightBytesOfANameAreStored()
    {
        create();
        open();
        child<QLineEdit>(u"EditAbl4"_s)->setText(u"体力点数値"_s);
        m_form->ControlsToIniData();
        QCOMPARE(m_form->WorkIniData.Name[3], u"体力点数"_s);
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
        QTest::newRow("current not listed")
            << QStringList{u"x.ini"_s} << QStringList{QString(), u"x.ini"_s} << QString();
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
        TIniData other;
        other.OverLoad = true;
        SaveIniData(other, path(u"other.ini"_s));
        create();
        open();
        auto *list = child<QComboBox>(u"ComboBoxIniList"_s);
        choose(list, list->findText(u"other.ini"_s));
        QVERIFY(child<QCheckBox>(u"CheckBoxOver"_s)->isChecked());
        QCOMPARE(m_form->SelectedIniFile, u"other.ini"_s);

        if (how == 0)
            child<QPushButton>(u"btnCancel"_s)->click();
        else if (how == 1)
            QTest::keyClick(m_form.get(), Qt::Key_Escape);
        else
            m_form->close();
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_form->result(), int(QDialog::Rejected));
        QVERIFY(!m_settings->IniData.OverLoad);
        QCOMPARE(m_settings->CurrentIniFile, u"Default.ini"_s);

        open();
        QVERIFY(!child<QCheckBox>(u"CheckBoxOver"_s)->isChecked());
    }

    void choosingAFamilyResetsTheRangeAndItsHints()
    {
        create();
        open();
        auto *start = child<QComboBox>(u"ComboBoxFStart"_s);
        auto *end = child<QComboBox>(u"ComboBoxFEnd"_s);
        QCOMPARE(child<QPushButton>(u"ButtonAdd"_s)->toolTip(),
                 u"Ａ～Ｚを既存のリストに追加する"_s);
        choose(end, 3);
        choose(child<QComboBox>(u"ComboBoxFFamily"_s), 3);
        QCOMPARE(start->currentText(), u"Ⅰ"_s);
        QCOMPARE(end->currentText(), u"Ⅹ"_s);
        QCOMPARE(start->maxVisibleItems(), 6);
        QCOMPARE(child<QPushButton>(u"ButtonAdd"_s)->toolTip(), u"Ⅰ～Ⅹを既存のリストに追加する"_s);
        QCOMPARE(child<QPushButton>(u"ButtonNew"_s)->toolTip(),
                 u"既存のリストをクリアし、Ⅰ～Ⅹを新しいリストとする"_s);
    }

    void reopeningResetsTheRangeButKeepsTheFamily()
    {
        create();
        open();
        choose(child<QComboBox>(u"ComboBoxFFamily"_s), 2);
        choose(child<QComboBox>(u"ComboBoxFStart"_s), 4);
        m_form->hide();
        open();
        QCOMPARE(child<QComboBox>(u"ComboBoxFFamily"_s)->currentIndex(), 2);
        QCOMPARE(child<QComboBox>(u"ComboBoxFStart"_s)->currentText(), u"０"_s);
        QCOMPARE(child<QComboBox>(u"ComboBoxFEnd"_s)->currentText(), u"９"_s);
    }

    void addAppendsTheRangeOnNewLines_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("after");
        QTest::newRow("descending") << QString() << 2 << 0 << u"Ｃ\nＢ\nＡ"_s;
        QTest::newRow("single") << QString() << 3 << 3 << u"Ｄ"_s;
        QTest::newRow("after a line without end") << u"Ｘ"_s << 0 << 1 << u"Ｘ\nＡ\nＢ"_s;
        QTest::newRow("after a line end") << u"Ｘ\n"_s << 0 << 1 << u"Ｘ\nＡ\nＢ"_s;
    }
    void addAppendsTheRangeOnNewLines()
    {
        QFETCH(QString, before);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QString, after);
        create();
        open();
        auto *labels = child<QPlainTextEdit>(u"MemoFList"_s);
        labels->setPlainText(before);
        choose(child<QComboBox>(u"ComboBoxFStart"_s), start);
        choose(child<QComboBox>(u"ComboBoxFEnd"_s), end);
        child<QPushButton>(u"ButtonAdd"_s)->click();
        QCOMPARE(labels->toPlainText(), after);
    }

    void newReplacesTheListAndClearEmptiesIt()
    {
        create();
        open();
        auto *labels = child<QPlainTextEdit>(u"MemoFList"_s);
        labels->setPlainText(u"Ａ\nＢ"_s);
        choose(child<QComboBox>(u"ComboBoxFFamily"_s), 2);
        child<QPushButton>(u"ButtonNew"_s)->click();
        QCOMPARE(labels->toPlainText(), u"０\n１\n２\n３\n４\n５\n６\n７\n８\n９"_s);
        m_form->ControlsToIniData();
        QCOMPARE(m_form->WorkIniData.FlagNumber, 10);
        child<QPushButton>(u"ButtonClear"_s)->click();
        QCOMPARE(labels->toPlainText(), QString());
    }

    void aLabelTheCodePageCannotHoldIsRefused()
    {
        create();
        open();
        auto *labels = child<QPlainTextEdit>(u"MemoFList"_s);
        typeText(labels, u"Ａ한Ｂ"_s);
        QCOMPARE(labels->toPlainText(), u"ＡＢ"_s);
        QVERIFY(labels->property("refusal").toString().contains(u"한"_s));
    }

    void theFlagListModeLocksTheGenerator()
    {
        create();
        open();
        const QStringList generator{u"ButtonAdd"_s,      u"ButtonNew"_s,    u"ComboBoxFFamily"_s,
                                    u"ComboBoxFStart"_s, u"ComboBoxFEnd"_s, u"LabelFFamily"_s,
                                    u"LabelFStart"_s,    u"LabelFEnd"_s};
        auto *mode = child<QComboBox>(u"ComboBoxFMode"_s);
        QVERIFY(mode->toolTip().startsWith(u"リストを左から右へ"_s));
        choose(mode, 1);
        for (const QString &name : generator)
            QVERIFY2(!child<QWidget>(name)->isEnabled(), qPrintable(name));
        QVERIFY(child<QWidget>(u"MemoFList"_s)->isEnabled());
        QVERIFY(child<QWidget>(u"ButtonClear"_s)->isEnabled());
        QVERIFY(mode->toolTip().startsWith(u"リストを上から下へ"_s));
        choose(mode, 0);
        for (const QString &name : generator)
            QVERIFY2(child<QWidget>(name)->isEnabled(), qPrintable(name));
    }
};

QTEST_MAIN(TestOption)
#include "tst_option.moc"
