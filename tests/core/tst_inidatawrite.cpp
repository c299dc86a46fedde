#include "Cp932.h"
#include "FileError.h"
#include "FileSizeLimit.h"
#include "IniData.h"
#include "IniDataFixture.h"
#include "OrdinaryUser.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

// Settings files written: a new file, a record saved and read back, an old file updated in
// place, and a save that fails.
class TestIniDataWrite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultsSavedIntoANewFileMatchTheReferenceFile()
    {
        const QString golden = QFINDTESTDATA("../data/ini/default.ini");
        QVERIFY(!golden.isEmpty());
        const QByteArray expected = TestFiles::bytesOf(golden);
        // Guards the reference file itself against a checkout that turned CR LF into LF.
        QVERIFY(expected.endsWith("FixType=2\r\n\r\n"));
        QCOMPARE(expected.count('\n'), expected.count("\r\n"));

        QTemporaryDir dir;
        const QString path = dir.filePath(u"Default.ini"_s);
        saveSettingsFile(SettingsValues(), path);
        QCOMPARE(TestFiles::bytesOf(path), expected);
    }

    void flagLabelsAreWrittenOnePerNumberedKey_data()
    {
        QTest::addColumn<int>("flagNumber");
        QTest::addColumn<QString>("flagText");
        QTest::addColumn<QString>("section");
        QTest::newRow("three labels") << 3 << u"Ａ\r\nＢ\r\nＣ\r\n"_s
                                      << u"FlagNumber=3\r\nFlag1=Ａ\r\nFlag2=Ｂ\r\nFlag3=Ｃ\r\n"_s;
        QTest::newRow("any line end")
            << 3 << u"a\rb\nc"_s << u"FlagNumber=3\r\nFlag1=a\r\nFlag2=b\r\nFlag3=c\r\n"_s;
        QTest::newRow("empty label kept")
            << 3 << u"a\r\n\r\nc\r\n"_s << u"FlagNumber=3\r\nFlag1=a\r\nFlag2=\r\nFlag3=c\r\n"_s;
        QTest::newRow("missing lines written empty")
            << 2 << u"a\r\n"_s << u"FlagNumber=2\r\nFlag1=a\r\nFlag2=\r\n"_s;
        QTest::newRow("no labels") << 0 << QString() << u"FlagNumber=0\r\n"_s;
    }
    void flagLabelsAreWrittenOnePerNumberedKey()
    {
        QFETCH(int, flagNumber);
        QFETCH(QString, flagText);
        QFETCH(QString, section);
        SettingsValues data;
        data.flagNumber = flagNumber;
        data.flagText = flagText;
        QTemporaryDir dir;
        const QString path = dir.filePath(u"flags.ini"_s);
        saveSettingsFile(data, path);
        const QByteArray expected =
            Cp932::encode(u"\r\n[Flags]\r\nFlagListMode=0\r\n"_s + section + u"\r\n[Dice]\r\n"_s);
        QVERIFY2(TestFiles::bytesOf(path).contains(expected), TestFiles::bytesOf(path).constData());
    }

    void aRecordSurvivesSavingAndLoading_data()
    {
        QTest::addColumn<SettingsValues>("record");
        QTest::addColumn<bool>("overAnOldFile");
        QTest::newRow("defaults, new file") << SettingsValues() << false;
        QTest::newRow("every field changed, new file") << customRecord() << false;
        QTest::newRow("defaults over a changed file") << SettingsValues() << true;
        QTest::newRow("every field changed over a changed file") << customRecord() << true;
    }
    void aRecordSurvivesSavingAndLoading()
    {
        QFETCH(SettingsValues, record);
        QFETCH(bool, overAnOldFile);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"round.ini"_s);
        if (overAnOldFile)
            saveSettingsFile(record == SettingsValues() ? customRecord() : SettingsValues(), path);
        saveSettingsFile(record, path);
        SettingsValues loaded;
        loadSettingsFile(loaded, path);
        QCOMPARE(loaded, record);
    }

    void savingUpdatesTheFileInPlace()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"old.ini"_s);
        writeFile(path,
                  iniFile({u"; made by hand"_s, u"stray=1"_s, u"[Custom]"_s, u"Foo = bar"_s, u""_s,
                           u"loose line"_s, u"[head]"_s, u"Extra=keep"_s, u"ENABLE2=0"_s,
                           u"; note"_s, u"[Flags]"_s, u"FlagNumber=5"_s, u"Flag1=a"_s, u"Flag2=b"_s,
                           u"Flag3=c"_s, u"Flag4=d"_s, u"Flag5=e"_s, u"[Other]"_s, u"x=1"_s}));
        SettingsValues data;
        data.flagNumber = 2;
        data.flagText = u"Ｘ\r\nＹ\r\n"_s;
        saveSettingsFile(data, path);

        // Comments, blank lines and the lines before the first section stay; a key added goes
        // before the comment that stands above the next section.
        QCOMPARE(TestFiles::bytesOf(path), iniFile({u"; made by hand"_s,
                                                    u"stray=1"_s,
                                                    u"[Custom]"_s,
                                                    u"Foo = bar"_s,
                                                    u""_s,
                                                    u"loose line"_s,
                                                    u"[head]"_s,
                                                    u"Extra=keep"_s,
                                                    u"ENABLE2=1"_s,
                                                    u"enable1=1"_s,
                                                    u"enable3=1"_s,
                                                    u"enable4=0"_s,
                                                    u"enable5=0"_s,
                                                    u"enable6=0"_s,
                                                    u"enable7=0"_s,
                                                    u"enable8=0"_s,
                                                    u"Name1=体力点"_s,
                                                    u"Name2=技術点"_s,
                                                    u"Name3=運点"_s,
                                                    u"Name4="_s,
                                                    u"Name5="_s,
                                                    u"Name6="_s,
                                                    u"Name7="_s,
                                                    u"Name8="_s,
                                                    u"; note"_s,
                                                    u"[Flags]"_s,
                                                    u"FlagNumber=2"_s,
                                                    u"Flag1=Ｘ"_s,
                                                    u"Flag2=Ｙ"_s,
                                                    u"Flag3=c"_s,
                                                    u"Flag4=d"_s,
                                                    u"Flag5=e"_s,
                                                    u"FlagListMode=0"_s,
                                                    u"[Other]"_s,
                                                    u"x=1"_s,
                                                    u""_s,
                                                    u"[Limit]"_s,
                                                    u"OverLoad=0"_s,
                                                    u"MinusEnable=0"_s,
                                                    u""_s,
                                                    u"[Dice]"_s,
                                                    u"NumberDiceEnable=0"_s,
                                                    u"ZeroDiceEnable=0"_s,
                                                    u"PercentileDiceEnable=0"_s,
                                                    u"SoundEffectEnable=1"_s,
                                                    u"VariableRollEnable=1"_s,
                                                    u""_s,
                                                    u"[Route]"_s,
                                                    u"RoutePanelVisible=1"_s,
                                                    u"FixWord=Route"_s,
                                                    u"FixType=2"_s,
                                                    u""_s}));

        SettingsValues loaded = customRecord();
        loadSettingsFile(loaded, path);
        QCOMPARE(loaded, data);
    }

    // Each row: a user's file, and what it holds after OverLoad is switched on; every line the
    // settings do not own keeps its bytes and its line end.
    void aSaveChangesOnlyTheLinesOfTheValuesChanged_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray plain = TestFiles::bytesOf(QFINDTESTDATA("../data/ini/default.ini"));
        QVERIFY(plain.contains("OverLoad=0\r\n"));
        const auto on = [](QByteArray file) { return file.replace("OverLoad=0", "OverLoad=1"); };
        const auto lf = [](QByteArray file) { return file.replace("\r\n", "\n"); };
        QTest::newRow("a key and a section added to an LF file end in LF") << [&] {
            QByteArray file = lf(plain);
            file.truncate(file.indexOf("[Route]"));
            return file.replace("MinusEnable=0\n", "");
        }() << lf(on(plain));
        QTest::newRow("a key added after a last line without its end")
            << QByteArray(plain).replace("\r\nFixType=2\r\n\r\n", "") << on(plain).chopped(2);
    }
    void aSaveChangesOnlyTheLinesOfTheValuesChanged()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);
        SettingsValues values = settingsFromBytes(file);
        values.overLoad = true;
        QCOMPARE(settingsFileBytes(values, file), expected);
    }

    void linesTheProgramDoesNotChangeKeepTheirBytes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"bytes.ini"_s);
        // Bytes the code page has no character for, a pair that reads as a character written
        // back differently, the control bytes the converter swaps, and the user's spacing.
        const QByteArray foreign = "[Odd \x85\x40]\r\n"
                                   "a=\x85\x40|\x80|\xA0|\xFD\xFE\xFF|\xED\x40|\x1A\x1C\x7F\r\n"
                                   "  spaced = out  \r\n"
                                   "no equals \xFF\r\n"
                                   "\r\n";
        const QByteArray head = "[HEAD]\r\nName1 = \xED\x40\x85\x40\r\nName2=\r\n\r\n";
        writeFile(path, foreign + head);
        SettingsValues data;
        loadSettingsFile(data, path);
        data.names[1] = u"技"_s;
        saveSettingsFile(data, path);

        const QByteArray saved = TestFiles::bytesOf(path);
        QVERIFY2(saved.startsWith(foreign + "[HEAD]\r\nName1 = \xED\x40\x85\x40\r\n"
                                            "Name2=\x8B\x5A\r\n"),
                 saved.toHex(' ').constData());
        SettingsValues loaded;
        loadSettingsFile(loaded, path);
        QCOMPARE(loaded, data);
    }

    // Of two sections of one name only the first is read and written to; the second keeps its
    // header and its lines where they stand.
    void aSecondSectionOfANameStaysWhereItStands_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<QString>("second");
        QTest::newRow("same name") << 0 << u"[Limit]"_s;
        QTest::newRow("same name after many sections") << 20 << u"[Limit]"_s;
        QTest::newRow("name in other letter case") << 0 << u"[LIMIT]"_s;
        QTest::newRow("blanks around the name") << 20 << u"[ limit ]"_s;
    }
    void aSecondSectionOfANameStaysWhereItStands()
    {
        QFETCH(int, before);
        QFETCH(QString, second);
        QStringList others;
        for (int n = 0; n < before; ++n)
            others << u"[s%1]"_s.arg(n) << u"x=1"_s << QString();
        const QString first = u"[Limit]"_s;
        const QStringList file = others + QStringList{first,  u"OverLoad=0"_s, QString(),
                                                      second, u"OverLoad=1"_s, u"MinusEnable=1"_s};
        const SettingsValues read = settingsFromBytes(iniFile(file));
        QVERIFY(!read.overLoad);
        QVERIFY(!read.minusEnable);

        SettingsValues values = read;
        values.minusEnable = true;
        const QByteArray saved = settingsFileBytes(values, iniFile(file));
        const QByteArray kept =
            iniFile(others + QStringList{first, u"OverLoad=0"_s, u"MinusEnable=1"_s, QString(),
                                         second, u"OverLoad=1"_s, u"MinusEnable=1"_s});
        QVERIFY2(saved.contains(kept), saved.constData());
        // Read again, the second section still counts for nothing.
        QCOMPARE(settingsFromBytes(saved), values);
    }

    // A file may ask for more labels than a load reads; the labels past them were never read,
    // and saving the labels read keeps them and their count. Fewer labels are the user's own.
    void labelsBeyondWhatALoadReadsSurviveASave_data()
    {
        QTest::addColumn<int>("inFile");
        QTest::addColumn<int>("saved");
        QTest::addColumn<int>("countAfter");
        QTest::newRow("five past the most, saved as read")
            << MaxFlagNumber + 5 << MaxFlagNumber << MaxFlagNumber + 5;
        QTest::newRow("five past the most, three kept") << MaxFlagNumber + 5 << 3 << 3;
        QTest::newRow("exactly the most") << MaxFlagNumber << MaxFlagNumber << MaxFlagNumber;
        QTest::newRow("the most saved over fewer") << 3 << MaxFlagNumber << MaxFlagNumber;
    }
    void labelsBeyondWhatALoadReadsSurviveASave()
    {
        QFETCH(int, inFile);
        QFETCH(int, saved);
        QFETCH(int, countAfter);
        QByteArray file = "[Flags]\r\nFlagNumber=" + QByteArray::number(inFile) + "\r\n";
        for (int n = 1; n <= inFile; ++n)
            file += "Flag" + QByteArray::number(n) + "=L" + QByteArray::number(n) + "\r\n";
        int asked = 0;
        SettingsValues values = settingsFromBytes(file, MaxFlagNumber, &asked);
        QCOMPARE(asked, inFile);
        QCOMPARE(values.flagNumber, qMin(inFile, MaxFlagNumber));
        QCOMPARE(flagCapNotice(u"Many.ini"_s, asked).isEmpty(), inFile <= MaxFlagNumber);

        QString labels;
        for (int n = 1; n <= saved; ++n)
            labels += u"L%1\r\n"_s.arg(n);
        values.flagNumber = saved;
        values.flagText = labels;
        const QByteArray bytes = settingsFileBytes(values, file);
        settingsFromBytes(bytes, MaxFlagNumber, &asked);
        QCOMPARE(asked, countAfter);
        const QByteArray last = "\r\nFlag" + QByteArray::number(inFile) + "=L";
        QVERIFY(bytes.contains(last));
    }

    void aLineBreakInAValueCannotAddKeysOrSections()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"x.ini"_s);
        SettingsValues data;
        data.names[3] = u"c\r\n[Limit]\r\nMinusEnable=1"_s;
        data.fixWord = u"a\r[Extra]\nb"_s;
        saveSettingsFile(data, path);
        SettingsValues loaded;
        loadSettingsFile(loaded, path);
        QVERIFY(!loaded.minusEnable);
        QCOMPARE(loaded.names[3], u"c  [Limi"_s);
        QCOMPARE(loaded.fixWord, u"a [Extra] b"_s);
        const QByteArray bytes = TestFiles::bytesOf(path);
        QCOMPARE(bytes.count("\r\n[Limit]\r\n"), 1);
        QVERIFY(!bytes.contains("\r\n[Extra]"));
    }

    void aFailedSaveRaisesCannotCreateAndKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("parent is a file") << u"parent"_s;
        QTest::newRow("path is a folder") << u"folder"_s;
        QTest::newRow("disk full") << u"full"_s;
        QTest::newRow("read-only folder") << u"readonly"_s;
    }
    void aFailedSaveRaisesCannotCreateAndKeepsTheOldFile()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QString path = dir.filePath(u"x.ini"_s);
        const QByteArray old = iniFile({u"[Limit]"_s, u"OverLoad=1"_s});
        std::optional<FileSizeLimit> limit;
        std::optional<OrdinaryUser> user;
        const auto restore = qScopeGuard([&] {
            limit.reset();
            user.reset();
            QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
        });

        if (kind == u"parent"_s) {
            writeFile(path, old);
            path += u"/y.ini"_s;
        } else if (kind == u"folder"_s) {
            QVERIFY(QDir(dir.path()).mkdir(u"x.ini"_s));
        } else if (kind == u"full"_s) {
            writeFile(path, old);
            // Writing past the limit fails with "file too large", as on a full disk.
            limit.emplace(64);
        } else {
            writeFile(path, old);
            // An ordinary user (root too, acting as one) may enter the folder, but neither write
            // in it nor write the file.
            QVERIFY(QFile::setPermissions(dir.path(),
                                          QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                              QFileDevice::ReadOther | QFileDevice::ExeOther));
            user.emplace();
            QFile probe(dir.filePath(u"probe"_s));
            QVERIFY2(!probe.open(QIODevice::WriteOnly), "the folder let a file be made");
        }

        try {
            saveSettingsFile(SettingsValues(), path);
            QFAIL("no error raised");
        } catch (const FileError &error) {
            QCOMPARE(error.message(), u"ファイル %1 を作成できません"_s.arg(path));
        }
        limit.reset();
        user.reset();
        if (kind == u"folder"_s)
            QVERIFY(QFileInfo(path).isDir());
        else
            QCOMPARE(TestFiles::bytesOf(dir.filePath(u"x.ini"_s)), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{u"x.ini"_s});
    }
};

QTEST_GUILESS_MAIN(TestIniDataWrite)
#include "tst_inidatawrite.moc"
