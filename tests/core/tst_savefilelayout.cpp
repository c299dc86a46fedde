#include "CharacterRecord.h"
#include "SaveFileFixture.h"
#include "SaveRoundTrip.h"
#include "TestFiles.h"

#include <QRandomGenerator>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

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

// The save file's bytes: what the writer makes, what each known version reads as, and the
// files no writer makes, cut short or with impossible counts.
class TestSaveFileLayout : public QObject, private SaveFileFixture
{
    Q_OBJECT

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

QTEST_GUILESS_MAIN(TestSaveFileLayout)
#include "tst_savefilelayout.moc"
