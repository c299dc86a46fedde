#include "CharacterRecord.h"
#include "Cp932.h"
#include "FileError.h"
#include "FileSizeLimit.h"
#include "OrdinaryUser.h"
#include "SaveRoundTrip.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#ifdef Q_OS_UNIX
#endif

using namespace Qt::StringLiterals;

char *toString(SaveFileResult result)
{
    static constexpr std::array names{"Loaded",       "CannotOpen", "ReadFailed",
                                      "OtherVersion", "Truncated",  "BadCount"};
    return qstrdup(names.at(std::size_t(result)));
}

namespace {

const QString OwnVersion = u"0.6.1.0"_s;

QString golden(const QString &name)
{
    return QFINDTESTDATA(u"../data/save/"_s + name);
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A sheet as the window holds it after New; with open limits nothing is clamped.
CharacterRecord blankSheet(bool openLimits)
{
    CharacterRecord data;
    data.setAbilityCount(8);
    data.setRouteCount(0);
    data.setRouteAt(0, 0);
    data.setOverLoad(openLimits);
    data.setMinusEnable(openLimits);
    return data;
}

// What full.pkd holds.
CharacterRecord fullSheet()
{
    CharacterRecord data = blankSheet(true);
    data.setSettingsFileName(u"Hero.ini"_s);
    data.setName(u"勇者"_s);
    const std::array origins{10, 8, 12, 0, 0, 0, 0, 5};
    const std::array currents{12, -3, 7, 0, 0, 0, 0, 5};
    for (int i = 0; i < 8; ++i) {
        data.setOrigin(i, origins[i]);
        data.setCurrent(i, currents[i]);
    }
    data.setMoney(-50);
    data.setInventory(u"剣\r\n盾"_s);
    data.setFlagCount(3);
    data.setFlag(0, true);
    data.setFlag(2, true);
    data.setRouteCount(3);
    data.setRouteAt(1, 1);
    data.setRouteAt(2, 65535);
    data.setRouteAt(3, 400);
    return data;
}

// A sheet unlike any of the files, to show that a failed load leaves it alone.
CharacterRecord earlierSheet()
{
    CharacterRecord data = blankSheet(false);
    data.setSettingsFileName(u"Other.ini"_s);
    data.setName(u"前の人"_s);
    data.setOrigin(0, 9);
    data.setCurrent(0, 4);
    data.setMoney(7);
    data.setInventory(u"杖"_s);
    data.setFlagCount(2);
    data.setFlag(0, true);
    data.setRouteCount(2);
    data.setRouteAt(1, 5);
    data.setRouteAt(2, 6);
    return data;
}

// Opened as the window opens a file.
SaveFileResult load(CharacterRecord &data, const QString &path)
{
    return openSaveFile(data, OwnVersion, path);
}

QString randomText(QRandomGenerator &random, qsizetype maxBytes)
{
    static const QString wide =
        u"あいうえおかきくけこアイウエオ勇者剣盾一二三四五六七八九十　～○↓Ⅰ"_s;
    static const QString narrow = u"abcxyzABCXYZ0129 .-_!?ｱｲｳｴｵﾟ"_s;
    QString text;
    const qsizetype budget = random.bounded(int(maxBytes) + 1);
    qsizetype bytes = 0;
    while (true) {
        const bool isWide = random.bounded(2) == 0;
        const QString &pool = isWide ? wide : narrow;
        if (bytes + (isWide ? 2 : 1) > budget)
            break;
        text += pool.at(random.bounded(int(pool.size())));
        bytes += isWide ? 2 : 1;
    }
    return text;
}

CharacterRecord randomSheet(QRandomGenerator &random)
{
    CharacterRecord data = blankSheet(true);
    data.setSettingsFileName(randomText(random, 16) + u".ini"_s);
    data.setName(randomText(random, 20));
    for (int i = 0; i < 8; ++i) {
        data.setOrigin(i, random.bounded(0, std::numeric_limits<int>::max()));
        data.setCurrent(i, int(random.generate()));
    }
    data.setMoney(int(random.generate()));
    QStringList lines;
    for (int n = random.bounded(6); n > 0; --n)
        lines << randomText(random, 80);
    data.setInventory(lines.join(u"\r\n"_s));
    data.setFlagCount(random.bounded(60));
    for (int i = 0; i < data.flagCount(); ++i)
        data.setFlag(i, random.bounded(2) == 1);
    data.setRouteCount(random.bounded(200));
    for (int i = 1; i <= data.routeCount(); ++i)
        data.setRouteAt(i, std::uint16_t(random.bounded(65536)));
    return data;
}

} // namespace

class TestSaveFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString tempPath(const QString &name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void writerAndReaderMatchTheHandMadeFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("inventory");
        QTest::newRow("empty sheet, 145 bytes") << u"empty.pkd"_s << QString() << QString();
        QTest::newRow("inventory abc") << u"inventory-abc.pkd"_s << QString() << u"abc"_s;
        QTest::newRow("inventory of 32 units fills one chunk")
            << u"inventory-32.pkd"_s << QString() << u"abcdefghijklmnopqrstuvwxyz012345"_s;
        QTest::newRow("inventory of 33 units takes a second chunk")
            << u"inventory-33.pkd"_s << QString() << u"abcdefghijklmnopqrstuvwxyz0123456"_s;
        QTest::newRow("line breaks in the inventory")
            << u"inventory-crlf.pkd"_s << QString() << u"ab\r\n剣盾\r\n"_s;
        QTest::newRow("20-byte name") << u"name-20.pkd"_s << u"勇者一二三四五六七ab"_s << QString();
    }
    void writerAndReaderMatchTheHandMadeFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, name);
        QFETCH(QString, inventory);
        CharacterRecord sheet = blankSheet(false);
        sheet.setSettingsFileName(u"Default.ini"_s);
        sheet.setName(name);
        sheet.setInventory(inventory);

        const QByteArray expected = TestFiles::bytesOf(golden(file));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(saveFileBytes(sheet, OwnVersion), expected);

        CharacterRecord loaded = earlierSheet();
        QCOMPARE(load(loaded, golden(file)), SaveFileResult::Loaded);
        QCOMPARE(loaded, sheet);
    }

    void aFullSheetIsWrittenByteForByte()
    {
        QCOMPARE(saveFileBytes(fullSheet(), OwnVersion), TestFiles::bytesOf(golden(u"full.pkd"_s)));
    }

    void everyKnownVersionReadsTheSheet_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("hasFlags");
        QTest::newRow("0.6.1.0") << u"full.pkd"_s << true;
        QTest::newRow("0.6.0.0, any byte but zero checks a flag") << u"full-0600.pkd"_s << true;
        QTest::newRow("0.5.0.0 leaves the flags alone") << u"full-0500.pkd"_s << false;
    }
    void everyKnownVersionReadsTheSheet()
    {
        QFETCH(QString, file);
        QFETCH(bool, hasFlags);
        CharacterRecord data = earlierSheet();
        data.setOverLoad(true);
        data.setMinusEnable(true);
        QCOMPARE(load(data, golden(file)), SaveFileResult::Loaded);

        CharacterRecord expected = fullSheet();
        if (!hasFlags) {
            expected.setFlagCount(2);
            expected.setFlag(0, true);
            expected.setFlag(1, false);
        }
        QCOMPARE(data, expected);
    }

    void loadedValuesAreClampedUnderTheLimitsTheRecordHolds_data()
    {
        QTest::addColumn<bool>("overLoad");
        QTest::addColumn<bool>("minusEnable");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::newRow("both off: origin caps, zero floors") << false << false << 10 << 0;
        QTest::newRow("over origin allowed") << true << false << 12 << 0;
        QTest::newRow("negative allowed") << false << true << 10 << -3;
    }
    void loadedValuesAreClampedUnderTheLimitsTheRecordHolds()
    {
        QFETCH(bool, overLoad);
        QFETCH(bool, minusEnable);
        QFETCH(int, first);
        QFETCH(int, second);
        CharacterRecord data = blankSheet(false);
        data.setOverLoad(overLoad);
        data.setMinusEnable(minusEnable);
        QCOMPARE(load(data, golden(u"full.pkd"_s)), SaveFileResult::Loaded);
        QCOMPARE(data.origin(0), 10);
        QCOMPARE(data.current(0), first);
        QCOMPARE(data.current(1), second);
    }

    void theVersionFieldDecidesWhetherAFileLoads_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<bool>("loads");
        QTest::newRow("padding after the zero means nothing")
            << QByteArray("0.6.1.0\0zz", 10) << true;
        QTest::newRow("later release") << QByteArray("0.7.0.0") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("trailing blank") << QByteArray("0.6.1.0 ") << false;
        QTest::newRow("prefix only") << QByteArray("0.6.1") << false;
        QTest::newRow("no zero byte") << QByteArray("0.6.1.0.0.0.0.0.0.0.0") << false;
        QTest::newRow("release before 0.5") << QByteArray("0.4.0.0") << false;
    }
    void theVersionFieldDecidesWhetherAFileLoads()
    {
        QFETCH(QByteArray, field);
        QFETCH(bool, loads);
        QByteArray bytes = TestFiles::bytesOf(golden(u"full.pkd"_s));
        field.resize(21, '\0');
        bytes.replace(0, 21, field);
        const QString path = tempPath(u"version.pkd"_s);
        put(path, bytes);

        const CharacterRecord before = earlierSheet();
        CharacterRecord data = before;
        const SaveFileResult result = load(data, path);
        QCOMPARE(result, loads ? SaveFileResult::Loaded : SaveFileResult::OtherVersion);
        if (!loads)
            QCOMPARE(data, before);
    }

    void eachReaderKeepsToItsOwnVersions()
    {
        CharacterRecord data = blankSheet(true);
        QCOMPARE(readOldSaveFile(data, golden(u"full.pkd"_s)), SaveFileResult::OtherVersion);
        QCOMPARE(readSaveFile(data, OwnVersion, golden(u"full-0600.pkd"_s)),
                 SaveFileResult::OtherVersion);
        QCOMPARE(data, blankSheet(true));
        // Blanks and control characters around the program's own string do not count.
        QCOMPARE(readSaveFile(data, u" 0.6.1.0\r\n"_s, golden(u"full.pkd"_s)),
                 SaveFileResult::Loaded);
        QCOMPARE(data, fullSheet());
    }

    void aFileCutShortFailsAndLeavesTheRecordAlone_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("0.6.1.0") << u"full.pkd"_s;
        QTest::newRow("0.6.0.0") << u"full-0600.pkd"_s;
        QTest::newRow("0.5.0.0") << u"full-0500.pkd"_s;
    }
    void aFileCutShortFailsAndLeavesTheRecordAlone()
    {
        QFETCH(QString, file);
        const QByteArray whole = TestFiles::bytesOf(golden(file));
        const QString path = tempPath(u"cut.pkd"_s);
        const CharacterRecord before = earlierSheet();
        for (qsizetype length = 0; length < whole.size(); ++length) {
            put(path, whole.left(length));
            CharacterRecord data = before;
            QCOMPARE(load(data, path), SaveFileResult::Truncated);
            QVERIFY2(data == before, qPrintable(u"cut at %1"_s.arg(length)));
        }
    }

    void countsNoWriterProducesFailBeforeAnythingIsRead_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<SaveFileResult>("reason");
        QTest::newRow("two billion flags in 145 bytes")
            << u"flags-huge.pkd"_s << SaveFileResult::Truncated;
        QTest::newRow("two billion chunks") << u"chunks-huge.pkd"_s << SaveFileResult::Truncated;
        QTest::newRow("highest route count") << u"route-huge.pkd"_s << SaveFileResult::BadCount;
        QTest::newRow("negative flag count") << u"flags-negative.pkd"_s << SaveFileResult::BadCount;
        QTest::newRow("negative route count")
            << u"route-negative.pkd"_s << SaveFileResult::BadCount;
        QTest::newRow("last chunk index below -1")
            << u"chunks-negative.pkd"_s << SaveFileResult::BadCount;
    }
    void countsNoWriterProducesFailBeforeAnythingIsRead()
    {
        QFETCH(QString, file);
        QFETCH(SaveFileResult, reason);
        const CharacterRecord before = earlierSheet();
        CharacterRecord data = before;
        QCOMPARE(load(data, golden(file)), reason);
        QCOMPARE(data, before);
    }

    void oddButReadableFilesLoad_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("inventory");
        QTest::newRow("a chunk without a zero unit is taken whole")
            << u"chunk-without-zero.pkd"_s << QString(33, u'a') + u"b"_s;
        QTest::newRow("bytes after the last route entry are ignored")
            << u"trailing-bytes.pkd"_s << QString();
    }
    void oddButReadableFilesLoad()
    {
        QFETCH(QString, file);
        QFETCH(QString, inventory);
        CharacterRecord data = blankSheet(false);
        QCOMPARE(load(data, golden(file)), SaveFileResult::Loaded);
        CharacterRecord expected = blankSheet(false);
        expected.setSettingsFileName(u"Default.ini"_s);
        expected.setInventory(inventory);
        QCOMPARE(data, expected);
    }

    void aMissingFileFails()
    {
        CharacterRecord data = earlierSheet();
        QCOMPARE(load(data, tempPath(u"missing.pkd"_s)), SaveFileResult::CannotOpen);
        QCOMPARE(data, earlierSheet());
    }

    void aReadOnlyFileLoads()
    {
        const QString path = tempPath(u"read-only.pkd"_s);
        put(path, TestFiles::bytesOf(golden(u"full.pkd"_s)));
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        CharacterRecord data = blankSheet(true);
        QCOMPARE(load(data, path), SaveFileResult::Loaded);
        QCOMPARE(data, fullSheet());
    }

    void savingOverALongerFileLeavesOnlyTheNewContent()
    {
        const QString path = tempPath(u"over.pkd"_s);
        writeSaveFile(fullSheet(), OwnVersion, path);
        CharacterRecord empty = blankSheet(false);
        empty.setSettingsFileName(u"Default.ini"_s);
        writeSaveFile(empty, OwnVersion, path);
        QCOMPARE(TestFiles::bytesOf(path), TestFiles::bytesOf(golden(u"empty.pkd"_s)));
    }

    void aFailedWriteIsToldByItsCause_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing folder")
            << u"no-such-folder/a.pkd"_s << u"ファイルが見つかりません"_s;
        QTest::newRow("a folder") << u"folder"_s << u"ファイルへのアクセスが拒否されました"_s;
        QTest::newRow("a pipe") << u"pipe"_s << u"ファイルへのアクセスが拒否されました"_s;
        QTest::newRow("a read-only file")
            << u"read-only.pkd"_s << u"ファイルへのアクセスが拒否されました"_s;
        QTest::newRow("other cause") << u"loop/a.pkd"_s << u"I/O エラー (%1)"_s.arg(ELOOP);
    }
    void aFailedWriteIsToldByItsCause()
    {
        QFETCH(QString, target);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(u"folder"_s));
        QVERIFY(QFile::link(u"loop"_s, dir.filePath(u"loop"_s)));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(u"pipe"_s)).constData(), 0666), 0);
        put(dir.filePath(u"read-only.pkd"_s), "old");
        const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        const auto exe = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(dir.filePath(u"read-only.pkd"_s), readable));
        QVERIFY(QFile::setPermissions(dir.path(), readable | exe | QFile::WriteOwner));
        QString shown;
        {
            const OrdinaryUser user;
            try {
                writeSaveFile(fullSheet(), OwnVersion, dir.filePath(target));
            } catch (const FileError &error) {
                shown = error.message();
            }
        }
        QCOMPARE(shown, message);
        QCOMPARE(TestFiles::bytesOf(dir.filePath(u"read-only.pkd"_s)), QByteArray("old"));
        QVERIFY(QFileInfo(dir.filePath(u"folder"_s)).isDir());
        QVERIFY(!QFileInfo(dir.filePath(u"pipe"_s)).isFile());
    }

    void aPipeNeitherLoadsNorHangs()
    {
        const QString pipe = tempPath(u"FIFO.PKD"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        CharacterRecord data = earlierSheet();
        QCOMPARE(load(data, pipe), SaveFileResult::CannotOpen);
        QCOMPARE(data, earlierSheet());
        QFile::remove(pipe);
    }

    // Writing needs a temporary file beside the target; a folder that forbids one still lets
    // the user's own file be written in place.
    void aWritableFileInALockedFolderIsWrittenInPlace()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"locked"_s);
        const QString path = folder + u"/hero.pkd"_s;
        QVERIFY(QDir().mkpath(folder));
        put(path, "old");
        const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                         QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        const auto enter = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                           QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(path, all));
        QVERIFY(QFile::setPermissions(folder, enter));
        QVERIFY(QFile::setPermissions(dir.path(), enter | QFile::WriteOwner));
        {
            const OrdinaryUser user;
            writeSaveFile(fullSheet(), OwnVersion, path);
        }
        QVERIFY(QFile::setPermissions(folder, enter | QFile::WriteOwner));
        QCOMPARE(TestFiles::bytesOf(path), TestFiles::bytesOf(golden(u"full.pkd"_s)));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{u"hero.pkd"_s});
    }

    void aFailedWriteLeavesTheEarlierFileWhole()
    {
#ifdef Q_OS_UNIX
        // A file size limit makes the write fail part-way, even for a superuser.
        QTemporaryDir dir;
        const QString path = dir.filePath(u"kept.pkd"_s);
        writeSaveFile(fullSheet(), OwnVersion, path);
        const QByteArray earlier = TestFiles::bytesOf(path);

        CharacterRecord big = fullSheet();
        big.setInventory(QString(4000, u'x'));
        QString message;
        {
            const FileSizeLimit limit(1000);
            try {
                writeSaveFile(big, OwnVersion, path);
            } catch (const FileError &error) {
                message = error.message();
            }
        }

        QCOMPARE(message, u"ディスクがいっぱいです"_s);
        QCOMPARE(TestFiles::bytesOf(path), earlier);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"kept.pkd"_s});
#endif
    }

    void randomSheetsSurviveARoundTrip()
    {
        QRandomGenerator random(20260607);
        const QString path = tempPath(u"round-trip.pkd"_s);
        for (int n = 0; n < 300; ++n) {
            const QString fault =
                saveRoundTripFault(randomSheet(random), blankSheet(true), OwnVersion, path);
            QVERIFY2(fault.isEmpty(), qPrintable(u"sheet %1: %2"_s.arg(n).arg(fault)));
        }
    }
};

QTEST_GUILESS_MAIN(TestSaveFile)
#include "tst_savefile.moc"
