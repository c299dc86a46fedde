#include "Cp932.h"
#include "FileError.h"
#include "FileSizeLimit.h"
#include "IniData.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include <functional>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(SettingsValues)

// Lets QCOMPARE show which field of two records differs; long texts are shortened.
char *toString(const SettingsValues &data)
{
    const auto shown = [](const QString &text) {
        return text.size() > 40 ? text.first(40) + u"…(%1)"_s.arg(text.size()) : text;
    };
    QString text;
    for (int i = 0; i < SettingsValues::AbilityCount; ++i)
        text += u"%1:%2:%3 "_s.arg(i + 1).arg(data.enabled[i] ? 1 : 0).arg(data.names[i]);
    text += u"OverLoad=%1 MinusEnable=%2 Dice=%3%4%5%6%7 Route=%8 FixWord=%9 "_s.arg(data.overLoad)
                .arg(data.minusEnable)
                .arg(data.numberDice)
                .arg(data.zeroDice)
                .arg(data.percentileDice)
                .arg(data.soundEffect)
                .arg(data.variableRoll)
                .arg(data.routePanelVisible)
                .arg(shown(data.fixWord));
    text += u"FixType=%1 FlagListMode=%2 FlagNumber=%3 FlagText=%4"_s.arg(data.fixType)
                .arg(data.flagListMode)
                .arg(data.flagNumber)
                .arg(shown(data.flagText).replace(u"\r\n"_s, u"|"_s));
    return qstrdup(text.toUtf8().constData());
}

namespace {

// The lines joined and ended by CR LF, in code page 932: a settings file as a user keeps it.
QByteArray iniFile(const QStringList &lines)
{
    return Cp932::encode(lines.join(u"\r\n"_s) + u"\r\n"_s);
}

SettingsValues defaultsWith(const std::function<void(SettingsValues &)> &change)
{
    SettingsValues data;
    change(data);
    return data;
}

QString numberedLines(int count)
{
    QString text;
    for (int n = 1; n <= count; ++n)
        text += QString::number(n) + u"\r\n"_s;
    return text;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A record unlike the defaults in every field.
SettingsValues customRecord()
{
    SettingsValues data;
    data.enabled = {false, true, false, true, false, true, false, true};
    data.names = {u"生命"_s, u"ｱｲｳ"_s, QString(), u"Luck"_s, u"魔力点"_s, u"a"_s, u"b"_s, u"c"_s};
    data.overLoad = true;
    data.minusEnable = true;
    data.numberDice = true;
    data.zeroDice = true;
    data.percentileDice = true;
    data.soundEffect = false;
    data.variableRoll = false;
    data.routePanelVisible = false;
    data.fixWord = u"経路 log"_s;
    data.fixType = 1;
    data.flagListMode = 1;
    data.flagNumber = 4;
    data.flagText = u"鍵\r\n\r\nroom 7\r\n～\r\n"_s;
    return data;
}

} // namespace

class TestIniData : public QObject
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

    void loadingTakesWhatTheFileHoldsAndDefaultsForTheRest_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<SettingsValues>("expected");

        QTest::newRow("empty file") << QByteArray() << SettingsValues();
        QTest::newRow("missing label key gives its number")
            << iniFile({u"[Flags]"_s, u"FlagNumber=3"_s, u"Flag1=Ａ"_s, u"Flag3=Ｃ"_s})
            << defaultsWith([](SettingsValues &d) {
                   d.flagNumber = 3;
                   d.flagText = u"Ａ\r\n2\r\nＣ\r\n"_s;
               });
        QTest::newRow("labels beyond the count are ignored")
            << iniFile({u"[Flags]"_s, u"FlagNumber=1"_s, u"Flag1=x"_s, u"Flag2=y"_s})
            << defaultsWith([](SettingsValues &d) {
                   d.flagNumber = 1;
                   d.flagText = u"x\r\n"_s;
               });
        QTest::newRow("empty text value stays empty, empty number takes the default")
            << iniFile({u"[HEAD]"_s, u"Name1="_s, u"Name4="_s, u"enable1="_s, u"enable4="_s,
                        u"[Route]"_s, u"FixWord="_s, u"FixType="_s})
            << defaultsWith([](SettingsValues &d) {
                   d.names[0].clear();
                   d.fixWord.clear();
               });
        QTest::newRow("any nonzero number is on, a word is no number")
            << iniFile({u"[Limit]"_s, u"OverLoad=7"_s, u"MinusEnable=yes"_s, u"[Dice]"_s,
                        u"SoundEffectEnable=0"_s, u"ZeroDiceEnable=-1"_s,
                        u"VariableRollEnable=true"_s})
            << defaultsWith([](SettingsValues &d) {
                   d.overLoad = true;
                   d.soundEffect = false;
                   d.zeroDice = true;
               });
        QTest::newRow("hexadecimal after 0x or $")
            << iniFile({u"[Route]"_s, u"FixType=0x1F"_s, u"[Flags]"_s, u"FlagListMode=$1f"_s})
            << defaultsWith([](SettingsValues &d) {
                   d.fixType = 31;
                   d.flagListMode = 31;
               });
        QTest::newRow("signs, blanks and leading zeros")
            << iniFile({u"[Route]"_s, u"FixType=  -3 "_s, u"[Flags]"_s,
                        u"FlagListMode=+000000000001"_s})
            << defaultsWith([](SettingsValues &d) {
                   d.fixType = -3;
                   d.flagListMode = 1;
               });
        QTest::newRow("32-bit limits") << iniFile({u"[Route]"_s, u"FixType=-2147483648"_s,
                                                   u"[Flags]"_s, u"FlagListMode=$FFFFFFFF"_s})
                                       << defaultsWith([](SettingsValues &d) {
                                              d.fixType = std::numeric_limits<int>::min();
                                              d.flagListMode = -1;
                                          });
        QTest::newRow("not whole numbers take the default")
            << iniFile({u"[Route]"_s, u"FixType=2147483648"_s, u"[Flags]"_s,
                        u"FlagListMode=$100000000"_s, u"[Dice]"_s, u"NumberDiceEnable=1.5"_s,
                        u"ZeroDiceEnable=0x"_s, u"PercentileDiceEnable=1e3"_s,
                        u"SoundEffectEnable=0 0"_s, u"VariableRollEnable=０"_s})
            << SettingsValues();
        QTest::newRow("names over eight bytes are cut whole characters")
            << iniFile({u"[HEAD]"_s, u"Name1=あいうえお"_s, u"Name2=abcdefghij"_s,
                        u"Name3=aあいうえ"_s, u"Name4=ｱｲｳｴｵｶｷｸｹ"_s})
            << defaultsWith([](SettingsValues &d) {
                   d.names[0] = u"あいうえ"_s;
                   d.names[1] = u"abcdefgh"_s;
                   d.names[2] = u"aあいう"_s;
                   d.names[3] = u"ｱｲｳｴｵｶｷｸ"_s;
               });
        QTest::newRow("a NUL ends a value; a cut name loses the blanks it ends in")
            << Cp932::encode(u"[HEAD]\r\nName1=体力点  XY\r\nName8=Ofe\0\0\0\0\0X\r\n"
                             u"enable4=1\0 0\r\n[Route]\r\nFixWord=R \0oute\r\n"_s)
            << defaultsWith([](SettingsValues &d) {
                   d.names[0] = u"体力点"_s;
                   d.names[7] = u"Ofe"_s;
                   d.enabled[3] = true;
                   d.fixWord = u"R"_s;
               });
        QTest::newRow("sections and keys ignore letter case")
            << iniFile({u"[head]"_s, u"ENABLE1=0"_s, u"name2=x"_s, u"[LIMIT]"_s, u"overload=1"_s})
            << defaultsWith([](SettingsValues &d) {
                   d.enabled[0] = false;
                   d.names[1] = u"x"_s;
                   d.overLoad = true;
               });
        QTest::newRow("comments, blanks, garbage and lines before the first section")
            << iniFile({u"OverLoad=1"_s, u"[Dice"_s, u"SoundEffectEnable=0"_s, u";[Limit]"_s, u""_s,
                        u"\t [ Limit ] \t"_s, u"; OverLoad=1"_s, u"MinusEnable"_s, u"=1"_s,
                        u"garbage ] [ =="_s, u"\x01\x02"_s, u"  MinusEnable \t=\t 1 "_s})
            << defaultsWith([](SettingsValues &d) { d.minusEnable = true; });
        QTest::newRow("the first of two equal keys counts")
            << iniFile({u"[Limit]"_s, u"OverLoad=1"_s, u"[Route]"_s, u"[limit]"_s, u"overload=0"_s})
            << defaultsWith([](SettingsValues &d) { d.overLoad = true; });
        // Past a few entries a section finds its keys through a hash: the same rules hold.
        QStringList longFlags{u"[Flags]"_s, u"FlagNumber=40"_s};
        for (int n = 1; n <= 40; ++n)
            longFlags << (n == 7 ? u"fLaG7=seven"_s : u"Flag%1=%1"_s.arg(n));
        longFlags << u"FLAG3=second"_s << u"flag41=beyond"_s;
        QTest::newRow("a long section: letter case ignored, the first of equal keys counts")
            << iniFile(longFlags) << defaultsWith([](SettingsValues &d) {
                   d.flagNumber = 40;
                   d.flagText = numberedLines(40).replace(u"\n7\r"_s, u"\nseven\r"_s);
               });
        QStringList manySections;
        for (int n = 1; n <= 40; ++n)
            manySections << u"[Other%1]"_s.arg(n) << u"OverLoad=0"_s;
        manySections << u"[limit]"_s << u"overload=1"_s << u"[LIMIT]"_s << u"OverLoad=0"_s;
        QTest::newRow("many sections: letter case ignored, the first of equal keys counts")
            << iniFile(manySections) << defaultsWith([](SettingsValues &d) { d.overLoad = true; });
        QTest::newRow("bare CR and LF line ends")
            << Cp932::encode(u"[Limit]\rOverLoad=1\n[Route]\n\rFixType=0"_s)
            << defaultsWith([](SettingsValues &d) {
                   d.overLoad = true;
                   d.fixType = 0;
               });
        QTest::newRow("bytes that are no code page 932 character")
            << QByteArray("[Route]\r\nFixWord=a\x81\r\nFixType=\xff\xfe\r\n[Limit]\r\nOverLoad=1")
            << defaultsWith([](SettingsValues &d) {
                   d.fixWord = Cp932::decode("a\x81");
                   d.overLoad = true;
               });
        QTest::newRow("negative label count gives no labels")
            << iniFile({u"[Flags]"_s, u"FlagNumber=-5"_s, u"Flag1=x"_s}) << SettingsValues();
        QTest::newRow("absurd label count is bounded")
            << iniFile({u"[Flags]"_s, u"FlagNumber=2000000000"_s})
            << defaultsWith([](SettingsValues &d) {
                   d.flagNumber = MaxFlagNumber;
                   d.flagText = numberedLines(MaxFlagNumber);
               });
        const QString longText(10'000'000, u'x');
        QTest::newRow("ten megabyte value")
            << iniFile({u"[Route]"_s, u"FixWord="_s + longText, u"FixType=1"_s})
            << defaultsWith([&](SettingsValues &d) {
                   d.fixWord = longText;
                   d.fixType = 1;
               });
        QTest::newRow("ten megabyte garbage line")
            << iniFile({u"[Limit]"_s, u"["_s + longText, u"OverLoad=1"_s})
            << defaultsWith([](SettingsValues &d) { d.overLoad = true; });
    }
    void loadingTakesWhatTheFileHoldsAndDefaultsForTheRest()
    {
        QFETCH(QByteArray, file);
        QFETCH(SettingsValues, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"x.ini"_s);
        writeFile(path, file);
        SettingsValues data = customRecord();
        loadSettingsFile(data, path);
        QCOMPARE(data, expected);
        QCOMPARE(data.flagLabels().size(), data.flagNumber);
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

    void aMissingFileOrAFolderGivesTheDefaultsAndCreatesNothing()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"Folder.ini"_s));
        for (const QString &name : {u"Default.ini"_s, u"Folder.ini"_s, u"no/such.ini"_s}) {
            SettingsValues data = customRecord();
            loadSettingsFile(data, dir.filePath(name));
            QCOMPARE(data, SettingsValues());
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{u"Folder.ini"_s});
    }

    void aFileThatCannotBeReadRaisesCannotOpenAndKeepsTheRecord_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("no read permission") << u"unreadable"_s;
        // Opening a pipe for reading would wait for a writer forever.
        QTest::newRow("named pipe") << u"pipe"_s;
    }
    void aFileThatCannotBeReadRaisesCannotOpenAndKeepsTheRecord()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"x.ini"_s);
        if (kind == u"pipe"_s) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            writeFile(path, iniFile({u"[Limit]"_s, u"OverLoad=1"_s}));
            QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
            QFile probe(path);
            if (probe.open(QIODevice::ReadOnly))
                QSKIP("Permissions do not stop this user (root) from reading");
        }
        for (bool saving : {false, true}) {
            SettingsValues data = customRecord();
            try {
                if (saving)
                    saveSettingsFile(SettingsValues(), path);
                else
                    loadSettingsFile(data, path);
                QFAIL("no error raised");
            } catch (const FileError &error) {
                QCOMPARE(error.message(), u"ファイル %1 は開けません"_s.arg(path));
            }
            QCOMPARE(data, customRecord());
        }
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

    void settingsFilesAreListedDefaultFirstThenByName_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("default moves to the front")
            << QStringList{u"b.ini"_s, u"A.INI"_s, u"default.INI"_s} << QStringList()
            << QStringList{u"default.INI"_s, u"A.INI"_s, u"b.ini"_s};
        QTest::newRow("no default")
            << QStringList{u"c.Ini"_s, u"B.ini"_s, u"a.ini"_s} << QStringList()
            << QStringList{u"a.ini"_s, u"B.ini"_s, u"c.Ini"_s};
        // A save file could not name them: a sheet played under one would lose its settings.
        QTest::newRow("names code page 932 cannot hold are left out")
            << QStringList{u"€uro.ini"_s, u"Straße.ini"_s, u"😀.ini"_s, u"ä.ini"_s, u"ok.ini"_s}
            << QStringList() << QStringList{u"ok.ini"_s};
        QTest::newRow("names differing in case only, each once")
            << QStringList{u"hard.ini"_s, u"Hard.INI"_s, u"HARD.ini"_s} << QStringList()
            << QStringList{u"HARD.ini"_s, u"Hard.INI"_s, u"hard.ini"_s};
        QTest::newRow("folders and hidden files count, other names do not")
            << QStringList{u"z.ini"_s,     u".hidden.ini"_s, u"notes.txt"_s,
                           u"x.ini.bak"_s, u"ini"_s,         u"Default.ini"_s}
            << QStringList{u"sub.ini"_s, u"dir"_s}
            << QStringList{u"Default.ini"_s, u".hidden.ini"_s, u"sub.ini"_s, u"z.ini"_s};
        QTest::newRow("japanese names")
            << QStringList{u"冒険.ini"_s, u"Hero.ini"_s} << QStringList()
            << QStringList{u"Hero.ini"_s, u"冒険.ini"_s};
        QTest::newRow("empty folder") << QStringList() << QStringList() << QStringList();
    }
    void settingsFilesAreListedDefaultFirstThenByName()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, folders);
        QFETCH(QStringList, listed);
        QTemporaryDir dir;
        for (const QString &name : files)
            writeFile(dir.filePath(name), QByteArray());
        for (const QString &name : folders)
            QVERIFY(QDir(dir.path()).mkdir(name));
        QCOMPARE(listSettingsFiles(dir.path()), listed);
        QCOMPARE(listSettingsFiles(dir.path() + u'/'), listed);
    }

    void listingAMissingFolderGivesNothing()
    {
        QTemporaryDir dir;
        QCOMPARE(listSettingsFiles(dir.filePath(u"gone"_s)), QStringList());
    }

    void settingsStateAddressesFilesByBareNameInTheProgramDirectory()
    {
        QTemporaryDir dir;
        IniSettings bare(dir.path());
        IniSettings slashed(dir.path() + u'/');
        QCOMPARE(bare.pathOf(u"Default.ini"_s), dir.path() + u"/Default.ini"_s);
        QCOMPARE(slashed.pathOf(u"Default.ini"_s), dir.path() + u"/Default.ini"_s);
        QCOMPARE(bare.programDir(), dir.path() + u'/');

        QVERIFY(bare.files.isEmpty());

        bare.refreshList();
        QVERIFY(bare.files.isEmpty());

        bare.save(customRecord(), u"Hero.ini"_s);
        bare.save(SettingsValues(), u"Default.ini"_s);
        QVERIFY(QFile::exists(dir.filePath(u"Hero.ini"_s)));
        bare.refreshList();
        QCOMPARE(bare.files, (QStringList{u"Default.ini"_s, u"Hero.ini"_s}));

        SettingsValues loaded;
        slashed.load(loaded, u"Hero.ini"_s);
        QCOMPARE(loaded, customRecord());
    }

    void aSettingsFileIsFoundWhateverTheCaseOfItsName()
    {
        QTemporaryDir dir;
        IniSettings settings(dir.path());
        SettingsValues custom = customRecord();
        saveSettingsFile(custom, dir.filePath(u"default.ini"_s));
        saveSettingsFile(SettingsValues(), dir.filePath(u"hard.ini"_s));
        custom.fixWord = u"upper"_s;
        saveSettingsFile(custom, dir.filePath(u"Hard.INI"_s));

        SettingsValues loaded;
        settings.load(loaded, u"Default.ini"_s);
        QCOMPARE(loaded, customRecord());
        // An exact name wins; otherwise the first in code-unit order, capitals first.
        settings.load(loaded, u"hard.ini"_s);
        QCOMPARE(loaded, SettingsValues());
        settings.load(loaded, u"HARD.ini"_s);
        QCOMPARE(loaded.fixWord, u"upper"_s);

        // Writing over an existing file keeps its name on disk; a new file takes the name given.
        SettingsValues changed;
        changed.overLoad = true;
        settings.save(changed, u"DEFAULT.INI"_s);
        settings.save(changed, u"New.Ini"_s);
        settings.refreshList();
        QCOMPARE(settings.files,
                 (QStringList{u"default.ini"_s, u"Hard.INI"_s, u"hard.ini"_s, u"New.Ini"_s}));
        loadSettingsFile(loaded, dir.filePath(u"default.ini"_s));
        QCOMPARE(loaded, changed);
    }
};

QTEST_GUILESS_MAIN(TestIniData)
#include "tst_inidata.moc"
