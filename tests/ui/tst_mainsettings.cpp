#include "BoxAnswerer.h"
#include "CharacterRecord.h"
#include "CheckListBox.h"
#include "MainFormFixture.h"
#include "QuickSelectMenu.h"
#include "SaveFile.h"
#include "SettingsDialog.h"
#include "SheetHistory.h"
#include "SheetUndo.h"
#include "TestFiles.h"
#include <QUndoStack>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestMainSettings : public QObject
{
    Q_OBJECT

private:
    static void writeIni(const MainFormFixture &f, const QString &name, const SettingsValues &ini)
    {
        saveSettingsFile(ini, f.dir.filePath(name));
    }
    static QList<QAction *> entries(const MainFormFixture &f)
    {
        QList<QAction *> found;
        for (QAction *a : f.find<QMenu>(u"Env"_s)->actions())
            if (!a->isSeparator())
                found.append(a);
        return found;
    }

private Q_SLOTS:
    void theDialogsLimitsAreAppliedToTheBoxesWhenItCloses()
    {
        SettingsValues ini;
        ini.overLoad = true;
        MainFormFixture f(ini);
        SettingsDialog option(*f.settings, f.form->sheet(), true, f.form.get());
        f.form->setSettingsDialog(&option);
        f.form->findChild<QAction *>(u"N4"_s)->trigger(); // link mode off
        f.find<QLineEdit>(u"EditAbl1Max"_s)->setText(u"10"_s);
        f.find<QLineEdit>(u"EditAbl1"_s)->setText(u"15"_s);
        QCOMPARE(f.form->sheet().record().current(0), 15);

        QTimer::singleShot(0, this, [&option] {
            QTRY_VERIFY(option.isVisible());
            option.findChild<QCheckBox *>(u"CheckBoxOver"_s)->setChecked(false);
            option.findChild<QPushButton *>(u"btnSet"_s)->click();
        });
        f.find<QAction>(u"N3"_s)->trigger();
        QVERIFY(!f.form->sheet().settings().overLoad);
        QCOMPARE(f.form->sheet().record().current(0), 10);
        QCOMPARE(f.find<QLineEdit>(u"EditAbl1"_s)->text(), u"10"_s);
        QVERIFY(QFile::exists(f.dir.filePath(u"Default.ini"_s)));
    }

    // A file the settings dialog saves is listed in the quick-select menu at once.
    void theQuickSelectMenuListsAFileSaved()
    {
        MainFormFixture f;
        SettingsDialog option(*f.settings, f.form->sheet(), true, f.form.get());
        f.form->setSettingsDialog(&option);
        qsizetype listed = 0;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(option.isVisible());
            option.findChild<QPushButton *>(u"ButtonIniSave"_s)->click();
            listed = entries(f).size();
            option.reject();
        });
        f.find<QAction>(u"N3"_s)->trigger();
        QCOMPARE(listed, 1);
    }

    void cancellingTheDialogStillReappliesTheSettingsInForce()
    {
        MainFormFixture f;
        SettingsDialog option(*f.settings, f.form->sheet(), true, f.form.get());
        f.form->setSettingsDialog(&option);
        f.changeSettings([](SettingsValues &v) { v.names[0] = u"生命力"_s; }); // no file says so
        f.form->history().undo().commit(SheetStep::Kind::Settings);
        const int steps = f.form->history().undo().stack()->count();
        QTimer::singleShot(0, this, [&option] {
            QTRY_VERIFY(option.isVisible());
            option.findChild<QPushButton *>(u"btnCancel"_s)->click();
        });
        f.find<QAction>(u"N3"_s)->trigger();
        QCOMPARE(f.find<QLabel>(u"LabelAbl1"_s)->text(), u"生命力"_s);
        QVERIFY(!QFile::exists(f.dir.filePath(u"Default.ini"_s)));
        QCOMPARE(f.form->history().undo().stack()->count(), steps); // a cancelled dialog is no step
    }

    void choosingAQuickSelectEntryPutsItsSettingsInForce()
    {
        MainFormFixture f;
        SettingsValues hero;
        hero.names[0] = u"勇気"_s;
        hero.enabled[3] = true;
        writeIni(f, u"Default.ini"_s, SettingsValues());
        writeIni(f, u"Hero.ini"_s, hero);
        f.form->showSettings();
        QList<QAction *> items = entries(f);
        QCOMPARE(items.size(), 2);
        QVERIFY(items[0]->isChecked());
        QCOMPARE(items[1]->text(), u"&1　Hero"_s);
        items[1]->trigger();
        QCOMPARE(f.form->sheet().settingsFile(), u"Hero.ini"_s);
        QCOMPARE(f.find<QLabel>(u"LabelAbl1"_s)->text(), u"勇気"_s);
        QVERIFY(f.find<QLineEdit>(u"EditAbl4"_s)->isVisible());
        QVERIFY(entries(f)[1]->isChecked());
    }

    // Every way the settings in force change leaves each ability box showing what the record
    // holds, the values Save and the report write.
    void theBoxesShowTheRecordAfterEveryChangeOfSettings_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("quick select") << u"quick select"_s;
        QTest::newRow("opening a sheet") << u"open"_s;
        QTest::newRow("settings dialog") << u"dialog"_s;
    }
    void theBoxesShowTheRecordAfterEveryChangeOfSettings()
    {
        QFETCH(QString, how);
        SettingsValues loose;
        loose.overLoad = true;
        loose.minusEnable = true;
        loose.enabled.fill(true);
        MainFormFixture f(loose);
        writeIni(f, u"Default.ini"_s, loose);
        SettingsValues strict = loose;
        strict.overLoad = false;
        strict.minusEnable = false;
        writeIni(f, u"Strict.ini"_s, strict);
        f.find<QAction>(u"N4"_s)->trigger(); // link mode off
        f.find<QLineEdit>(u"EditAbl1Max"_s)->setText(u"10"_s);
        f.find<QLineEdit>(u"EditAbl1"_s)->setText(u"15"_s);
        f.find<QLineEdit>(u"EditAbl8"_s)->setText(u"-3"_s);
        QCOMPARE(f.form->sheet().record().current(0), 15);

        SettingsDialog option(*f.settings, f.form->sheet(), true, f.form.get());
        f.form->setSettingsDialog(&option);
        if (how == u"quick select"_s) {
            f.form->showSettings();
            entries(f)[1]->trigger();
        } else if (how == u"open"_s) {
            CharacterRecord data = f.form->sheet().record();
            data.setSettingsFileName(u"Strict.ini"_s);
            const QString path = f.dir.filePath(u"strict.pkd"_s);
            writeSaveFile(data, u"0.6.1.0"_s, path);
            QVERIFY(f.form->files().openFile(path));
        } else {
            QTimer::singleShot(0, this, [&option] {
                QTRY_VERIFY(option.isVisible());
                option.findChild<QCheckBox *>(u"CheckBoxOver"_s)->setChecked(false);
                option.findChild<QCheckBox *>(u"CheckBoxMinus"_s)->setChecked(false);
                option.findChild<QPushButton *>(u"btnSet"_s)->click();
            });
            f.find<QAction>(u"N3"_s)->trigger();
        }
        QVERIFY(!f.form->sheet().settings().overLoad);
        const CharacterRecord &r = f.form->sheet().record();
        QCOMPARE(r.current(0), 10);
        QCOMPARE(r.current(7), 0);
        for (int i = 0; i < 8; ++i) {
            const QString n = QString::number(i + 1);
            QCOMPARE(f.find<QLineEdit>(u"EditAbl%1Max"_s.arg(n))->text(),
                     QString::number(r.origin(i)));
            QCOMPARE(f.find<QLineEdit>(u"EditAbl"_s + n)->text(), QString::number(r.current(i)));
        }
    }

    // A settings file of more labels than a load reads: the user is told once per load, and a
    // sheet saved under it keeps every flag its file had.
    void moreLabelsThanALoadReadsAreToldAndNoFlagIsLost()
    {
        MainFormFixture f;
        QByteArray ini = "[Flags]\r\nFlagNumber=" + QByteArray::number(MaxFlagNumber + 5) + "\r\n";
        QFile file(f.dir.filePath(u"Many.ini"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini);
        file.close();
        CharacterRecord data;
        data.setAbilityCount(8);
        data.setSettingsFileName(u"Many.ini"_s);
        data.setFlagCount(MaxFlagNumber + 5);
        data.setFlag(MaxFlagNumber + 4, true);
        const QString path = f.dir.filePath(u"many.pkd"_s);
        writeSaveFile(data, u"0.6.1.0"_s, path);
        const QByteArray bytes = TestFiles::bytesOf(path);

        BoxAnswerer answerer;
        QVERIFY(f.form->files().openFile(path));
        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY(answerer.texts[0].contains(QString::number(MaxFlagNumber + 5)));
        QCOMPARE(f.find<CheckListBox>(u"CheckListBoxFL"_s)->count(), MaxFlagNumber);
        f.find<QAction>(u"Save1"_s)->trigger();
        QCOMPARE(TestFiles::bytesOf(path), bytes);

        f.form->showSettings();
        entries(f)[0]->trigger(); // Many.ini again, from the quick-select menu
        QCOMPARE(answerer.texts.size(), 2);
    }

    void openingASheetShowsThePageOfItsSettingsFile()
    {
        MainFormFixture f;
        for (int i = 0; i < 12; ++i)
            writeIni(f, u"S%1.ini"_s.arg(i, 2, 10, QChar(u'0')), SettingsValues());
        CharacterRecord data;
        data.setAbilityCount(8);
        data.setSettingsFileName(u"S11.ini"_s);
        const QString path = f.dir.filePath(u"s.pkd"_s);
        writeSaveFile(data, u"0.6.1.0"_s, path);
        QVERIFY(f.form->files().openFile(path));
        QCOMPARE(f.form->quickSelectMenu()->page, 1);
        QList<QAction *> items = entries(f);
        QCOMPARE(items.first()->text(), u"前のページ(&B)"_s);
        QVERIFY(items[2]->isChecked());
        QCOMPARE(items[2]->text(), u"&1　S11"_s);

        f.find<QAction>(u"New1"_s)->trigger();
        QCOMPARE(f.form->quickSelectMenu()->page, 0);
        QCOMPARE(f.form->sheet().settingsFile(), u"Default.ini"_s);
    }
};

QTEST_MAIN(TestMainSettings)
#include "tst_mainsettings.moc"
