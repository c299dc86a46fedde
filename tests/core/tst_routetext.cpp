#include "CharacterRecord.h"
#include "RouteText.h"
#include "TextReport.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

using Route = QList<std::uint16_t>;

class TestRouteText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void viewAlternatesNumbersInNineColumnsWithArrows_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << Route{} << QStringList{};
        QTest::newRow("one entry, no arrow") << Route{12} << QStringList{u"       12"_s};
        QTest::newRow("12, 345, 9999") << Route{12, 345, 9999}
                                       << QStringList{u"       12"_s, u"       ↓"_s, u"      345"_s,
                                                      u"       ↓"_s, u"     9999"_s};
        QTest::newRow("a paragraph may come back")
            << Route{7, 3, 7}
            << QStringList{u"        7"_s, u"       ↓"_s, u"        3"_s, u"       ↓"_s,
                           u"        7"_s};
        QTest::newRow("unsigned from a save file") << Route{65535} << QStringList{u"    65535"_s};
    }
    void viewAlternatesNumbersInNineColumnsWithArrows()
    {
        QFETCH(Route, route);
        QFETCH(QStringList, lines);
        QCOMPARE(RouteText::routeViewLines(route), lines);
    }

    void routeOfTheRecordLeavesOutEntryZero()
    {
        CharacterRecord record;
        record.setRouteCount(3);
        record.setRouteAt(1, 12);
        record.setRouteAt(2, 345);
        record.setRouteAt(3, 9999);
        QCOMPARE(RouteText::routeOf(record), (Route{12, 345, 9999}));
        record.setRouteCount(0);
        QCOMPARE(RouteText::routeOf(record), Route{});
    }

    void fileNameJoinsWordAndNameByFixType_data()
    {
        QTest::addColumn<QString>("fixWord");
        QTest::addColumn<int>("fixType");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("0: the word alone") << u"Route"_s << 0 << u"Bob"_s << u"Route.txt"_s;
        QTest::newRow("1: word before name") << u"Route"_s << 1 << u"Bob"_s << u"Route_Bob.txt"_s;
        QTest::newRow("2: word after name")
            << u"Route"_s << 2 << u"Alice"_s << u"Alice_Route.txt"_s;
        QTest::newRow("7 is named like 0") << u"Route"_s << 7 << u"Bob"_s << u"Route.txt"_s;
        QTest::newRow("-1 is named like 0") << u"Route"_s << -1 << u"Bob"_s << u"Route.txt"_s;
        QTest::newRow("2, empty word keeps the separator")
            << QString() << 2 << u"Bob"_s << u"Bob_.txt"_s;
        QTest::newRow("1, double-byte name")
            << u"道程"_s << 1 << u"勇者ハル"_s << u"道程_勇者ハル.txt"_s;
    }
    void fileNameJoinsWordAndNameByFixType()
    {
        QFETCH(QString, fixWord);
        QFETCH(int, fixType);
        QFETCH(QString, name);
        QFETCH(QString, fileName);
        QCOMPARE(RouteText::routeFileName(fixWord, fixType, name), fileName);
    }

    void exportNeedsARouteAndTheVaryingPartOfTheName_data()
    {
        QTest::addColumn<int>("routeCount");
        QTest::addColumn<QString>("fixWord");
        QTest::addColumn<int>("fixType");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("empty route") << 0 << u"Route"_s << 2 << u"Bob"_s << false;
        QTest::newRow("route, word, name") << 1 << u"Route"_s << 2 << u"Bob"_s << true;
        QTest::newRow("0 without a word") << 3 << QString() << 0 << u"Bob"_s << false;
        QTest::newRow("0 needs no name") << 3 << u"Route"_s << 0 << QString() << true;
        QTest::newRow("2 without a name") << 3 << u"Route"_s << 2 << QString() << false;
        QTest::newRow("2 needs no word") << 3 << QString() << 2 << u"Bob"_s << true;
        QTest::newRow("1 without a name") << 3 << u"Route"_s << 1 << QString() << false;
        QTest::newRow("7 needs a name") << 3 << u"Route"_s << 7 << QString() << false;
        QTest::newRow("7 with a name") << 3 << QString() << 7 << u"Bob"_s << true;
    }
    void exportNeedsARouteAndTheVaryingPartOfTheName()
    {
        QFETCH(int, routeCount);
        QFETCH(QString, fixWord);
        QFETCH(int, fixType);
        QFETCH(QString, name);
        QFETCH(bool, allowed);
        QCOMPARE(RouteText::routeOutputAllowed(routeCount, fixWord, fixType, name), allowed);
    }

    void hintNamesTheFileAnExportWouldWrite()
    {
        QCOMPARE(RouteText::outputButtonHint(u"Alice_Route.txt"_s),
                 u"道程を“Alice_Route.txt”というファイル名でテキストファイルに書き出す"_s);
    }

    void reportMatchesTheGoldenBytes()
    {
        const QString golden = QFINDTESTDATA("../data/route_report.txt");
        QFile file(golden);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines =
            RouteText::routeReportLines(u"勇者ハル"_s, RouteText::routeViewLines({12, 345, 9999}));
        QCOMPARE(TextReport::reportBytes(lines, golden), file.readAll());
    }

    void reportOfOneEntryHasFourLines()
    {
        const QStringList lines =
            RouteText::routeReportLines(QString(), RouteText::routeViewLines({5}));
        QCOMPARE(lines, (QStringList{u"  *  *"_s, u"         ……その軌跡"_s,
                                     TextReport::separatorLine(), u"        5"_s}));
    }
};

QTEST_GUILESS_MAIN(TestRouteText)
#include "tst_routetext.moc"
