#include "Cp932.h"
#include "FileError.h"
#include "FileSizeLimit.h"
#include "IniData.h"
#include "IniDataFixture.h"
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

        QCOMPARE(TestFiles::bytesOf(path), iniFile({u"[Custom]"_s,
                                                    u"Foo = bar"_s,
                                                    u"loose line"_s,
                                                    u""_s,
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
                                                    u""_s,
                                                    u"[Flags]"_s,
                                                    u"FlagNumber=2"_s,
                                                    u"Flag1=Ｘ"_s,
                                                    u"Flag2=Ｙ"_s,
                                                    u"Flag3=c"_s,
                                                    u"Flag4=d"_s,
                                                    u"Flag5=e"_s,
                                                    u"FlagListMode=0"_s,
                                                    u""_s,
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

    void sectionsWhoseNamesDifferInCaseOnlyAreWrittenAsOne_data()
    {
        QTest::addColumn<int>("before");
        QTest::newRow("few sections") << 0;
        QTest::newRow("many sections") << 20;
    }
    void sectionsWhoseNamesDifferInCaseOnlyAreWrittenAsOne()
    {
        QFETCH(int, before);
        QStringList others;
        for (int n = 0; n < before; ++n)
            others << u"[s%1]"_s.arg(n) << u"x=1"_s << QString();
        const QByteArray saved = settingsFileBytes(
            SettingsValues(),
            iniFile(others + QStringList{u"[Ω]"_s, u"a=1"_s, u"[ω]"_s, u"b=2"_s, u"[head]"_s}));
        const QByteArray merged =
            iniFile(others + QStringList{u"[Ω]"_s, u"a=1"_s, u"b=2"_s, QString(), u"[head]"_s});
        QVERIFY2(saved.startsWith(merged), saved.constData());
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
        const auto restore = qScopeGuard([&] {
            limit.reset();
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
            QVERIFY(
                QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            QFile probe(dir.filePath(u"probe"_s));
            if (probe.open(QIODevice::WriteOnly))
                QSKIP("Permissions do not stop this user (root) from writing");
        }

        try {
            saveSettingsFile(SettingsValues(), path);
            QFAIL("no error raised");
        } catch (const FileError &error) {
            QCOMPARE(error.message(), u"ファイル %1 を作成できません"_s.arg(path));
        }
        limit.reset();
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
