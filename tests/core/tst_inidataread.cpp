#include "Cp932.h"
#include "FileError.h"
#include "IniData.h"
#include "IniDataFixture.h"
#include "OrdinaryUser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <limits>
#include <optional>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

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

} // namespace

// Settings files read: the values a file gives, a file that cannot be read, and the files of
// the program's folder listed and found by name.
class TestIniDataRead : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
        QTest::newRow("only the first section of a name is read")
            << iniFile({u"[Limit]"_s, u"OverLoad=1"_s, u"[limit]"_s, u"OverLoad=0"_s,
                        u"MinusEnable=1"_s})
            << defaultsWith([](SettingsValues &d) { d.overLoad = true; });
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
        std::optional<OrdinaryUser> user;
        if (kind == u"pipe"_s) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            writeFile(path, iniFile({u"[Limit]"_s, u"OverLoad=1"_s}));
            // Anyone may write the file but nobody read it; root acts as an ordinary user.
            QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner | QFileDevice::WriteOther));
            QVERIFY(QFile::setPermissions(dir.path(),
                                          QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ExeOther));
            user.emplace();
            QFile probe(path);
            QVERIFY2(!probe.open(QIODevice::ReadOnly), "the file could be read");
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

    // A save file made elsewhere may name a settings file by a path: what lies outside the
    // program's folder is neither read nor written.
    void aNameHoldingAPathReachesNothingOutsideTheFolder()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"program"_s));
        saveSettingsFile(customRecord(), dir.filePath(u"Outside.ini"_s));
        IniSettings settings(dir.filePath(u"program"_s));
        for (const QString &name : {u"../Outside.ini"_s, dir.filePath(u"Outside.ini"_s)}) {
            SettingsValues loaded = customRecord();
            settings.load(loaded, name);
            QCOMPARE(loaded, SettingsValues());
            QVERIFY_THROWS_EXCEPTION(FileError, settings.save(SettingsValues(), name));
        }
        SettingsValues outside;
        loadSettingsFile(outside, dir.filePath(u"Outside.ini"_s));
        QCOMPARE(outside, customRecord());
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

QTEST_GUILESS_MAIN(TestIniDataRead)
#include "tst_inidataread.moc"
