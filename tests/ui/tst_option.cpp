#include "SettingsDialogFixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolTip>

using namespace Qt::StringLiterals;

// What the dialog's controls show, refuse, lock and give back, and where the dialog opens.
class TestOption : public QObject, private SettingsDialogFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void theControlsGiveBackTheRecordTheyShow_data()
    {
        QTest::addColumn<SettingsValues>("ini");
        SettingsValues changed;
        changed.enabled = {false, true, false, true, false, true, false, true};
        changed.names = {u"生命"_s, QString(), u"魔力点"_s, u"ABCDEFGH"_s,
                         u"運"_s,   u"x"_s,    u"y"_s,      u"z"_s};
        changed.overLoad = changed.minusEnable = changed.numberDice = true;
        // The percentile box keeps its value while the zero-face box locks it.
        changed.zeroDice = false;
        changed.percentileDice = true;
        changed.soundEffect = changed.variableRoll = false;
        changed.routePanelVisible = false;
        changed.fixWord = u"記録"_s;
        changed.fixType = 1;
        changed.flagListMode = 1;
        changed.flagNumber = 3;
        changed.flagText = u"Ａ\r\n\r\n　Ｂ\r\n"_s;
        SettingsValues oddPlacement;
        oddPlacement.fixType = 5;
        SettingsValues oddMode;
        oddMode.flagListMode = 7;
        QTest::newRow("defaults") << SettingsValues();
        QTest::newRow("everything changed") << changed;
        QTest::newRow("placement no radio stands for") << oddPlacement;
        QTest::newRow("mode the list cannot show") << oddMode;
    }
    void theControlsGiveBackTheRecordTheyShow()
    {
        QFETCH(SettingsValues, ini);
        create();
        m_form->showValues(ini);
        m_form->work = SettingsValues();
        m_form->readControls();
        QCOMPARE(m_form->work, ini);
    }

    void theDialogOpensOverTheMiddleOfTheMainWindow()
    {
        QWidget main;
        main.setGeometry(100, 80, 496, 410);
        main.show();
        m_form = std::make_unique<SettingsDialog>(*m_settings, *m_sheet, true, &main);
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
        changeSettings([](SettingsValues &v) { v.fixType = 5; });
        m_sheet->setName(u"ハル"_s);
        open();
        QVERIFY(child<QRadioButton>(u"RadioButtonSuf"_s)->isChecked());
        QCOMPARE(child<QLineEdit>(u"LabeledEditFileName"_s)->text(), u"Route.txt"_s);
        if (!clicked.isEmpty())
            child<QRadioButton>(clicked)->click();
        child<QPushButton>(u"btnSet"_s)->click();
        QCOMPARE(m_sheet->settings().fixType, stored);
        QVERIFY(TestFiles::bytesOf(path(u"Default.ini"_s))
                    .contains("FixType=" + QByteArray::number(stored)));
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
        m_sheet->setName(name);
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
        QVERIFY(!m_sheet->settings().soundEffect);
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
        QVERIFY(!m_sheet->settings().enabled[1]);
        QCOMPARE(m_sheet->settings().names[1], u"技術点"_s);
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
        m_form->readControls();
        QCOMPARE(m_form->work.names[3], u"体力点数"_s);
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
        m_form->readControls();
        QCOMPARE(m_form->work.flagNumber, 10);
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
