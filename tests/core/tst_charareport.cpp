#include "CharacterRecord.h"
#include "CharacterReport.h"
#include "TextReport.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

using Flags = QList<CharacterReportFlag>;

namespace {

const QString Separator = QString(51, u'-');

// A sheet with the default settings: three abilities, check-list mode, no route, no flags.
CharacterReportData plainSheet()
{
    CharacterReportData data;
    data.name = u"Bob"_s;
    return data;
}

// The lines after the inventory's separator: the paragraph and flag blocks.
QStringList tail(const QStringList &lines)
{
    const qsizetype inventory = lines.indexOf(u"所持品 :"_s);
    const qsizetype separator = lines.indexOf(Separator, inventory);
    return lines.mid(separator + 1);
}

} // namespace

class TestCharacterReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportMatchesTheGoldenBytes()
    {
        CharacterReportData data;
        data.name = u"勇者ハル"_s;
        data.settings.minusEnable = true;
        data.settings.enabled[4] = true;
        data.settings.names[4] = u"魔法"_s;
        data.origins = {12, 9, 7, 0, 123456, 0, 0, 0};
        data.values = {10, 9, -3, 0, 1234567, 0, 0, 0};
        data.money = 50;
        data.inventory = u"剣\r\n盾と鎧\r\n"_s;
        data.routeCount = 3;
        data.lastParagraph = 120;
        data.flags = {{u"Ａ"_s, true}, {u"Ｂ"_s, false}, {u"ABCDE"_s, true}};
        data.flagCount = 3;

        const QString golden = QFINDTESTDATA("../data/chara_report.txt");
        QFile file(golden);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(TextReport::reportBytes(CharacterReport::lines(data), golden), file.readAll());
    }

    void abilityLinePadsCaptionInBytesAndNumbersToSix_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("origin");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("line");
        QTest::newRow("体力点 12 / 10")
            << u"体力点"_s << 12 << 10 << u"体力点   :     12 /     10"_s;
        QTest::newRow("minus inside the column")
            << u"運点"_s << 7 << -3 << u"運点     :      7 /     -3"_s;
        QTest::newRow("ascii caption") << u"Skill"_s << 0 << 0 << u"Skill    :      0 /      0"_s;
        QTest::newRow("four full-width fill eight")
            << u"最大体力"_s << 32767 << -32767 << u"最大体力 :  32767 / -32767"_s;
        QTest::newRow("empty caption") << QString() << 1 << 1 << u"         :      1 /      1"_s;
    }
    void abilityLinePadsCaptionInBytesAndNumbersToSix()
    {
        QFETCH(QString, caption);
        QFETCH(int, origin);
        QFETCH(int, value);
        QFETCH(QString, line);
        CharacterReportData data = plainSheet();
        data.settings.names[0] = caption;
        data.origins[0] = origin;
        data.values[0] = value;
        QCOMPARE(CharacterReport::lines(data).at(3), line);
    }

    void disabledAbilitiesLeaveEmptyLinesInABlockOfEight()
    {
        CharacterReportData data = plainSheet();
        data.settings.enabled = {false, true, false, false, false, false, false, true};
        data.settings.names[7] = u"Ｈ"_s;
        data.origins[7] = 5;
        const QStringList lines = CharacterReport::lines(data);
        QCOMPARE(lines.mid(0, 3), (QStringList{u"  * Bob * (paired with Pelko)"_s, Separator,
                                               u"             原点 / 現在値"_s}));
        QCOMPARE(lines.mid(3, 8),
                 (QStringList{QString(), u"技術点   :      0 /      0"_s, QString(), QString(),
                              QString(), QString(), QString(), u"Ｈ       :      5 /      0"_s}));
        QCOMPARE(lines.at(11), Separator);
        QCOMPARE(lines.at(12), u"所持金 : 0"_s);
    }

    void negativeMoneyKeepsItsSign()
    {
        CharacterReportData data = plainSheet();
        data.money = -50;
        QCOMPARE(CharacterReport::lines(data).at(12), u"所持金 : -50"_s);
    }

    void inventoryIsSplitAtEveryKindOfLineBreak_data()
    {
        QTest::addColumn<QString>("inventory");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QString() << QStringList{};
        QTest::newRow("one line") << u"剣"_s << QStringList{u"剣"_s};
        QTest::newRow("CR LF") << u"剣\r\n盾"_s << QStringList{u"剣"_s, u"盾"_s};
        QTest::newRow("CR and LF alone") << u"a\rb\nc"_s << QStringList{u"a"_s, u"b"_s, u"c"_s};
        QTest::newRow("final break adds nothing") << u"剣\r\n"_s << QStringList{u"剣"_s};
        QTest::newRow("empty line before the end")
            << u"剣\r\n\r\n"_s << QStringList{u"剣"_s, QString()};
        QTest::newRow("LF CR is two breaks")
            << u"a\n\rb"_s << QStringList{u"a"_s, QString(), u"b"_s};
        QTest::newRow("only a break") << u"\n"_s << QStringList{QString()};
        QTest::newRow("blanks are kept") << u"  剣  \n"_s << QStringList{u"  剣  "_s};
        // The box wraps a long line on screen; the report keeps it as typed, whole.
        QTest::newRow("a line wider than the box stays one line")
            << QString(120, u'剣') + u"\n盾"_s << QStringList{QString(120, u'剣'), u"盾"_s};
    }
    void inventoryIsSplitAtEveryKindOfLineBreak()
    {
        QFETCH(QString, inventory);
        QFETCH(QStringList, lines);
        CharacterReportData data = plainSheet();
        data.inventory = inventory;
        const QStringList report = CharacterReport::lines(data);
        const qsizetype start = report.indexOf(u"所持品 :"_s) + 1;
        QCOMPARE(report.mid(start, lines.size()), lines);
        QCOMPARE(report.at(start + lines.size()), Separator);
    }

    void paragraphLineOnlyWithARoute()
    {
        CharacterReportData data = plainSheet();
        QCOMPARE(tail(CharacterReport::lines(data)),
                 (QStringList{u"チェックリスト :"_s, Separator}));
        data.routeCount = 2;
        data.lastParagraph = 65535;
        QCOMPARE(tail(CharacterReport::lines(data)),
                 (QStringList{u"中断時のパラグラフ : 65535"_s, Separator, u"チェックリスト :"_s,
                              Separator}));
    }

    void flagBlockFollowsTheLayout_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<Flags>("flags");
        QTest::addColumn<QStringList>("block");
        QTest::newRow("check list, Ａ checked")
            << 0 << Flags{{u"Ａ"_s, true}} << QStringList{u"チェックリスト :"_s, u"Ａ  ○"_s};
        QTest::newRow("check list, Ａ unchecked")
            << 0 << Flags{{u"Ａ"_s, false}} << QStringList{u"チェックリスト :"_s, u"Ａ  　"_s};
        QTest::newRow("check list, long label whole")
            << 0 << Flags{{u"ABCDE"_s, false}} << QStringList{u"チェックリスト :"_s, u"ABCDE　"_s};
        QTest::newRow("flag list, Ａ checked")
            << 1 << Flags{{u"Ａ"_s, true}} << QStringList{u"フラグリスト :"_s, u"○　Ａ"_s};
        QTest::newRow("flag list, Ａ unchecked")
            << 1 << Flags{{u"Ａ"_s, false}} << QStringList{u"フラグリスト :"_s, u"　　Ａ"_s};
        QTest::newRow("check list, no flags") << 0 << Flags{} << QStringList{u"チェックリスト :"_s};
        QTest::newRow("unknown mode, no block") << 2 << Flags{{u"Ａ"_s, true}} << QStringList{};
        QTest::newRow("negative mode, no block") << -1 << Flags{{u"Ａ"_s, true}} << QStringList{};
    }
    void flagBlockFollowsTheLayout()
    {
        QFETCH(int, mode);
        QFETCH(Flags, flags);
        QFETCH(QStringList, block);
        CharacterReportData data = plainSheet();
        data.settings.flagListMode = mode;
        data.flags = flags;
        data.flagCount = int(flags.size());
        // An unknown mode leaves the inventory's separator and the final one in a row.
        QCOMPARE(tail(CharacterReport::lines(data)), block << Separator);
    }

    void flagsStopAtFlagCount_data()
    {
        QTest::addColumn<int>("flagCount");
        QTest::addColumn<int>("reported");
        QTest::newRow("fewer flags than items") << 2 << 2;
        QTest::newRow("more flags than items") << 5 << 3;
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("negative") << -1 << 0;
    }
    void flagsStopAtFlagCount()
    {
        QFETCH(int, flagCount);
        QFETCH(int, reported);
        CharacterReportData data = plainSheet();
        data.flags = {{u"Ａ"_s, true}, {u"Ｂ"_s, false}, {u"Ｃ"_s, true}};
        data.flagCount = flagCount;
        QCOMPARE(tail(CharacterReport::lines(data)).size(), 2 + reported);
    }

    void recordSuppliesNameAbilitiesMoneyRouteAndFlagCount()
    {
        CharacterRecord record;
        record.setAbilityCount(8);
        record.setName(u"ハル"_s);
        record.setOrigin(0, 12);
        record.setCurrent(0, 10);
        record.setOrigin(7, 4);
        record.setCurrent(7, 3);
        record.setMoney(-5);
        record.setRouteCount(2);
        record.setRouteAt(1, 7);
        record.setRouteAt(2, 300);
        record.setFlagCount(4);
        SettingsValues settings;
        settings.flagListMode = 1;

        const CharacterReportData data = CharacterReportData::fromRecord(record, settings);
        QCOMPARE(data.name, u"ハル"_s);
        QCOMPARE(data.settings, settings);
        QCOMPARE(data.origins, (std::array<int, 8>{12, 0, 0, 0, 0, 0, 0, 4}));
        QCOMPARE(data.values, (std::array<int, 8>{10, 0, 0, 0, 0, 0, 0, 3}));
        QCOMPARE(data.money, -5);
        QCOMPARE(data.routeCount, 2);
        QCOMPARE(data.lastParagraph, std::uint16_t(300));
        QCOMPARE(data.flagCount, 4);
        QCOMPARE(CharacterReport::fileName(data.name), u"ハル.txt"_s);
    }
};

QTEST_GUILESS_MAIN(TestCharacterReport)
#include "tst_charareport.moc"
