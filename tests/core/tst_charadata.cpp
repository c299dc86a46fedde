#include "CharacterRecord.h"
#include "Cp932.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCharacterRecord : public QObject
{
    Q_OBJECT

private:
    static CharacterRecord sheet(int origin, int current, bool overLoad, bool minusEnable)
    {
        CharacterRecord data;
        data.setAbilityCount(8);
        data.setOverLoad(true);
        data.setMinusEnable(true);
        data.setOrigin(0, origin);
        data.setCurrent(0, current);
        data.setOverLoad(overLoad);
        data.setMinusEnable(minusEnable);
        return data;
    }

private Q_SLOTS:
    void aNewSheetIsEmpty()
    {
        CharacterRecord data;
        QCOMPARE(data.settingsFileName(), u".ini"_s);
        QCOMPARE(data.name(), QString());
        QCOMPARE(data.abilityCount(), 6);
        QCOMPARE(data.routeCount(), 0);
        QCOMPARE(data.routeAt(0), 0);
        QCOMPARE(data.flagCount(), 0);
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
        CharacterRecord data;
        data.setSettingsFileName(given);
        QCOMPARE(data.settingsFileName(), stored);
    }

    void nameKeepsTwentyBytes()
    {
        CharacterRecord data;
        data.setName(u"abcdefghijklmnopqrstuvwxy"_s);
        QCOMPARE(data.name(), u"abcdefghijklmnopqrst"_s);
        data.setName(u"一二三四五六七八九十壱"_s);
        QCOMPARE(data.name(), u"一二三四五六七八九十"_s);
        QCOMPARE(Cp932::byteLength(data.name()), 20);
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
        CharacterRecord data = sheet(origin, 0, overLoad, minusEnable);
        data.setCurrent(0, given);
        QCOMPARE(data.current(0), stored);
    }

    void anOriginBelowZeroIsStoredAsZeroAndPullsTheCurrentValueDown()
    {
        CharacterRecord data = sheet(5, 3, false, false);
        data.setOrigin(0, -5);
        QCOMPARE(data.origin(0), 0);
        QCOMPARE(data.current(0), 0);
    }

    void aNegativeCurrentValueStaysWhenItsOriginChanges()
    {
        CharacterRecord data = sheet(5, -3, false, true);
        data.setMinusEnable(true);
        data.setCurrent(0, -3);
        data.setMinusEnable(false);
        QCOMPARE(data.current(0), 0);

        CharacterRecord kept = sheet(5, -3, false, true);
        kept.setOrigin(0, 2);
        QCOMPARE(kept.current(0), -3);
    }

    void switchingALimitOffCutsAtOnceAndSwitchingItOnRestoresNothing()
    {
        CharacterRecord data = sheet(10, 12, true, false);
        QCOMPARE(data.current(0), 12);
        data.setOverLoad(false);
        QCOMPARE(data.current(0), 10);
        data.setOverLoad(true);
        QCOMPARE(data.current(0), 10);

        CharacterRecord negative = sheet(10, -3, false, true);
        QCOMPARE(negative.current(0), -3);
        negative.setMinusEnable(false);
        QCOMPARE(negative.current(0), 0);
    }

    void moneyMayBeNegative()
    {
        CharacterRecord data;
        data.setMoney(-50);
        QCOMPARE(data.money(), -50);
    }

    void routeGrowsWithZeroEntriesAndKeepsItsLeadingEntry()
    {
        CharacterRecord data;
        data.setRouteCount(3);
        QCOMPARE(data.routeCount(), 3);
        for (int i = 0; i <= 3; ++i)
            QCOMPARE(data.routeAt(i), 0);
        data.setRouteAt(3, 65535);
        QCOMPARE(data.routeAt(3), 65535);
        data.setRouteCount(0);
        QCOMPARE(data.routeCount(), 0);
        QCOMPARE(data.routeAt(0), 0);
    }

    void growingTheFlagsKeepsTheOldOnes()
    {
        CharacterRecord data;
        data.setFlagCount(3);
        data.setFlag(0, true);
        data.setFlag(2, true);
        data.setFlagCount(5);
        const QList<bool> expected{true, false, true, false, false};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(data.flag(i), expected[i]);
        data.setFlagCount(2);
        QCOMPARE(data.flagCount(), 2);
        QCOMPARE(data.flag(0), true);
    }

    void abilitiesResizeKeepingTheirValues()
    {
        CharacterRecord data;
        data.setOverLoad(true);
        data.setOrigin(5, 9);
        data.setCurrent(5, 11);
        data.setAbilityCount(8);
        QCOMPARE(data.abilityCount(), 8);
        QCOMPARE(data.origin(5), 9);
        QCOMPARE(data.current(5), 11);
        QCOMPARE(data.origin(7), 0);
        QCOMPARE(data.current(7), 0);
    }
};

QTEST_GUILESS_MAIN(TestCharacterRecord)
#include "tst_charadata.moc"
