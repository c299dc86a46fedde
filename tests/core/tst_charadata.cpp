#include "CharaData.h"
#include "Cp932.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCharaData : public QObject
{
    Q_OBJECT

private:
    static TCharacterData sheet(int origin, int current, bool overLoad, bool minusEnable)
    {
        TCharacterData data;
        data.SetAblCount(8);
        data.SetOverLoad(true);
        data.SetMinusEnable(true);
        data.SetAblMax(0, origin);
        data.SetAbl(0, current);
        data.SetOverLoad(overLoad);
        data.SetMinusEnable(minusEnable);
        return data;
    }

private Q_SLOTS:
    void aNewSheetIsEmpty()
    {
        TCharacterData data;
        QCOMPARE(data.GetIniFileName(), u".ini"_s);
        QCOMPARE(data.GetName(), QString());
        QCOMPARE(data.GetAblCount(), 6);
        QCOMPARE(data.RouteCount(), 0);
        QCOMPARE(data.GetRoute(0), 0);
        QCOMPARE(data.FlagCount(), 0);
    }

    void settingsFileNameDropsItsEndingAndKeepsSixteenBytes_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("stored");
        QTest::newRow("default") << u"Default.ini"_s << u"Default.ini"_s;
        QTest::newRow("long base") << u"abcdefghijklmnopqrstu.ini"_s << u"abcdefghijklmnop.ini"_s;
        QTest::newRow("four bytes") << u"x.in"_s << u".ini"_s;
        QTest::newRow("shorter") << u"ab"_s << u".ini"_s;
        QTest::newRow("ending not checked") << u"Hero.txt"_s << u"Hero.ini"_s;
        // Nine double-byte characters are 18 bytes: the eighth ends exactly at byte 16.
        QTest::newRow("double-byte") << u"あいうえおかきくけ.ini"_s << u"あいうえおかきく.ini"_s;
        // A cut inside a double-byte character leaves that character out whole.
        QTest::newRow("split character")
            << u"aあいうえおかきくけ.ini"_s << u"aあいうえおかき.ini"_s;
    }
    void settingsFileNameDropsItsEndingAndKeepsSixteenBytes()
    {
        QFETCH(QString, given);
        QFETCH(QString, stored);
        TCharacterData data;
        data.SetIniFileName(given);
        QCOMPARE(data.GetIniFileName(), stored);
    }

    void nameKeepsTwentyBytes()
    {
        TCharacterData data;
        data.SetName(u"abcdefghijklmnopqrstuvwxy"_s);
        QCOMPARE(data.GetName(), u"abcdefghijklmnopqrst"_s);
        data.SetName(u"一二三四五六七八九十壱"_s);
        QCOMPARE(data.GetName(), u"一二三四五六七八九十"_s);
        QCOMPARE(Cp932::byteLength(data.GetName()), 20);
    }

    void currentValueIsCappedThenFloored_data()
    {
        QTest::addColumn<int>("origin");
        QTest::addColumn<bool>("overLoad");
        QTest::addColumn<bool>("minusEnable");
        QTest::addColumn<int>("given");
        QTest::addColumn<int>("stored");
        QTest::newRow("capped by origin") << 10 << false << false << 12 << 10;
        QTest::newRow("over origin allowed") << 10 << true << false << 12 << 12;
        QTest::newRow("floored at zero") << 10 << false << false << -4 << 0;
        QTest::newRow("negative allowed") << 10 << false << true << -4 << -4;
        QTest::newRow("origin zero caps every positive value") << 0 << false << false << 7 << 0;
        QTest::newRow("within the limits") << 10 << false << false << 7 << 7;
    }
    void currentValueIsCappedThenFloored()
    {
        QFETCH(int, origin);
        QFETCH(bool, overLoad);
        QFETCH(bool, minusEnable);
        QFETCH(int, given);
        QFETCH(int, stored);
        TCharacterData data = sheet(origin, 0, overLoad, minusEnable);
        data.SetAbl(0, given);
        QCOMPARE(data.GetAbl(0), stored);
    }

    void anOriginBelowZeroIsStoredAsZeroAndPullsTheCurrentValueDown()
    {
        TCharacterData data = sheet(5, 3, false, false);
        data.SetAblMax(0, -5);
        QCOMPARE(data.GetAblMax(0), 0);
        QCOMPARE(data.GetAbl(0), 0);
    }

    void aNegativeCurrentValueStaysWhenItsOriginChanges()
    {
        TCharacterData data = sheet(5, -3, false, true);
        data.SetMinusEnable(true);
        data.SetAbl(0, -3);
        data.SetMinusEnable(false);
        QCOMPARE(data.GetAbl(0), 0);

        TCharacterData kept = sheet(5, -3, false, true);
        kept.SetAblMax(0, 2);
        QCOMPARE(kept.GetAbl(0), -3);
    }

    void switchingALimitOffCutsAtOnceAndSwitchingItOnRestoresNothing()
    {
        TCharacterData data = sheet(10, 12, true, false);
        QCOMPARE(data.GetAbl(0), 12);
        data.SetOverLoad(false);
        QCOMPARE(data.GetAbl(0), 10);
        data.SetOverLoad(true);
        QCOMPARE(data.GetAbl(0), 10);

        TCharacterData negative = sheet(10, -3, false, true);
        QCOMPARE(negative.GetAbl(0), -3);
        negative.SetMinusEnable(false);
        QCOMPARE(negative.GetAbl(0), 0);
    }

    void moneyMayBeNegative()
    {
        TCharacterData data;
        data.SetMoney(-50);
        QCOMPARE(data.GetMoney(), -50);
    }

    void routeGrowsWithZeroEntriesAndKeepsItsLeadingEntry()
    {
        TCharacterData data;
        data.SetRouteCount(3);
        QCOMPARE(data.RouteCount(), 3);
        for (int i = 0; i <= 3; ++i)
            QCOMPARE(data.GetRoute(i), 0);
        data.SetRoute(3, 65535);
        QCOMPARE(data.GetRoute(3), 65535);
        data.SetRouteCount(0);
        QCOMPARE(data.RouteCount(), 0);
        QCOMPARE(data.GetRoute(0), 0);
    }

    void growingTheFlagsKeepsTheOldOnes()
    {
        TCharacterData data;
        data.SetFlagCount(3);
        data.SetFlag(0, true);
        data.SetFlag(2, true);
        data.SetFlagCount(5);
        const QList<bool> expected{true, false, true, false, false};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(data.GetFlag(i), expected[i]);
        data.SetFlagCount(2);
        QCOMPARE(data.FlagCount(), 2);
        QCOMPARE(data.GetFlag(0), true);
    }

    void abilitiesResizeKeepingTheirValues()
    {
        TCharacterData data;
        data.SetOverLoad(true);
        data.SetAblMax(5, 9);
        data.SetAbl(5, 11);
        data.SetAblCount(8);
        QCOMPARE(data.GetAblCount(), 8);
        QCOMPARE(data.GetAblMax(5), 9);
        QCOMPARE(data.GetAbl(5), 11);
        QCOMPARE(data.GetAblMax(7), 0);
        QCOMPARE(data.GetAbl(7), 0);
    }
};

QTEST_GUILESS_MAIN(TestCharaData)
#include "tst_charadata.moc"
