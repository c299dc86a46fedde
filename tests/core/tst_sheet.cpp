#include "Sheet.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

SettingsValues settingsWith(bool overLoad, bool minusEnable, int flags = 0,
                            bool routePanelVisible = true)
{
    SettingsValues values;
    values.overLoad = overLoad;
    values.minusEnable = minusEnable;
    values.flagNumber = flags;
    values.routePanelVisible = routePanelVisible;
    return values;
}

// A sheet with the given settings in force, link mode as asked.
std::unique_ptr<Sheet> sheetWith(const SettingsValues &values, bool linkMode)
{
    auto sheet = std::make_unique<Sheet>();
    sheet->applySettings(u"Default.ini"_s, values);
    if (sheet->linkMode() != linkMode)
        sheet->toggleLinkMode();
    return sheet;
}

} // namespace

class TestSheet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each row: the settings, link mode, the origin and current value before, what is stored
    // through which operation, and the origin and current value after.
    void abilityEditsFollowTheRules_data()
    {
        QTest::addColumn<bool>("overLoad");
        QTest::addColumn<bool>("minusEnable");
        QTest::addColumn<bool>("linkMode");
        QTest::addColumn<bool>("origin"); // the edit is of the origin, else of the current value
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("originAfter");
        QTest::addColumn<int>("currentAfter");
        // Before every row: origin 10, current value 8.
        QTest::newRow("link mode: the current value follows the origin")
            << false << false << true << true << 12 << 12 << 12;
        QTest::newRow("no link mode: a lower origin cuts the current value")
            << false << false << false << true << 5 << 5 << 5;
        QTest::newRow("no link mode: a higher origin leaves the current value")
            << false << false << false << true << 20 << 20 << 8;
        QTest::newRow("an origin below zero is kept at zero")
            << false << true << false << true << -1 << 0 << 0;
        // The origin box then shows 0, and the current value follows that 0, not the -1.
        QTest::newRow("link mode, negatives allowed: a negative origin leaves both at zero")
            << false << true << true << true << -1 << 0 << 0;
        QTest::newRow("the current value is capped by its origin")
            << false << false << false << false << 15 << 10 << 10;
        QTest::newRow("over the origin when allowed")
            << true << false << false << false << 15 << 10 << 15;
        QTest::newRow("no negative current value unless allowed")
            << false << false << false << false << -3 << 10 << 0;
        QTest::newRow("negative current value when allowed")
            << false << true << false << false << -3 << 10 << -3;
    }
    void abilityEditsFollowTheRules()
    {
        QFETCH(bool, overLoad);
        QFETCH(bool, minusEnable);
        QFETCH(bool, linkMode);
        QFETCH(bool, origin);
        QFETCH(int, value);
        QFETCH(int, originAfter);
        QFETCH(int, currentAfter);
        const auto sheet = sheetWith(settingsWith(overLoad, minusEnable), false);
        sheet->setOrigin(2, 10);
        sheet->setCurrent(2, 8);
        if (linkMode)
            sheet->toggleLinkMode(); // sets every current value to its origin
        if (linkMode)
            sheet->setCurrent(2, 8);
        QSignalSpy changed(sheet.get(), &Sheet::changed);
        origin ? sheet->setOrigin(2, value) : sheet->setCurrent(2, value);
        QCOMPARE(sheet->record().origin(2), originAfter);
        QCOMPARE(sheet->record().current(2), currentAfter);
        QCOMPARE(changed.size(), 1);
        QVERIFY(changed.first().first().value<Sheet::Parts>() & Sheet::Abilities);
    }

    void registrationFollowsItsRules_data()
    {
        QTest::addColumn<QList<int>>("typed"); // each number typed, then registered
        QTest::addColumn<QList<int>>("route");
        QTest::newRow("in order") << QList<int>{1, 40, 7} << QList<int>{1, 40, 7};
        QTest::newRow("zero is not a paragraph") << QList<int>{0, 3} << QList<int>{3};
        QTest::newRow("the last paragraph again is not registered")
            << QList<int>{5, 5, 6, 5} << QList<int>{5, 6, 5};
        QTest::newRow("beyond the largest paragraph")
            << QList<int>{65535, 65536} << QList<int>{65535};
    }
    void registrationFollowsItsRules()
    {
        QFETCH(QList<int>, typed);
        QFETCH(QList<int>, route);
        Sheet sheet;
        for (int p : typed) {
            sheet.setParagraph(p);
            sheet.registerParagraph();
            QCOMPARE(sheet.paragraph(), 0);
        }
        QList<std::uint16_t> expected{0};
        for (int p : route)
            expected.append(std::uint16_t(p));
        QCOMPARE(sheet.record().routeList(), expected);
    }

    void theRoutePanelOpensOnRegistrationOnlyWhenTheSettingsAsk()
    {
        for (bool visible : {true, false}) {
            const auto sheet = sheetWith(settingsWith(false, false, 0, visible), true);
            sheet->setParagraph(12);
            sheet->registerParagraph();
            QCOMPARE(sheet->routePanelShown(), visible);
            sheet->clearRoute();
            QCOMPARE(sheet->routeCount(), 0);
            QVERIFY(!sheet->routePanelShown());
        }
    }

    void settingsPutInForceReclampAndResizeTheFlags()
    {
        const auto sheet = sheetWith(settingsWith(true, true, 4), false);
        sheet->setOrigin(0, 10);
        sheet->setCurrent(0, 15);
        sheet->setCurrent(1, -2);
        sheet->setFlag(3, true);
        sheet->applySettings(u"Strict.ini"_s, settingsWith(false, false, 2));
        QCOMPARE(sheet->record().current(0), 10);
        QCOMPARE(sheet->record().current(1), 0);
        QCOMPARE(sheet->record().flagCount(), 2);
        QCOMPARE(sheet->settingsFile(), u"Strict.ini"_s);
        QVERIFY(!sheet->settings().overLoad);
    }

    // A settings file at the most labels a load reads may hold more: the flags a save file
    // brought past them are kept, so that Save writes every flag it read.
    void flagsPastTheMostLabelsALoadReadsAreKept_data()
    {
        QTest::addColumn<int>("flagNumber");
        QTest::addColumn<int>("flagsAfter");
        QTest::newRow("at the most") << MaxFlagNumber << MaxFlagNumber + 5;
        QTest::newRow("below it") << MaxFlagNumber - 1 << MaxFlagNumber - 1;
    }
    void flagsPastTheMostLabelsALoadReadsAreKept()
    {
        QFETCH(int, flagNumber);
        QFETCH(int, flagsAfter);
        const SheetState before = Sheet::freshState(u"Default.ini"_s, settingsWith(false, false));
        CharacterRecord record = before.record;
        record.setFlagCount(MaxFlagNumber + 5);
        record.setFlag(MaxFlagNumber + 4, true);
        const SheetState loaded = Sheet::loadedState(
            before, record, settingsWith(false, false, flagNumber), u"/tmp/many.pkd"_s);
        QCOMPARE(loaded.record.flagCount(), flagsAfter);
        QCOMPARE(loaded.record.flagList().count(true), flagsAfter > MaxFlagNumber ? 1 : 0);
    }

    void aLoadedSheetStartsFromTheFile()
    {
        SheetState before = Sheet::freshState(u"Default.ini"_s, settingsWith(false, false));
        before.paragraph = 9;
        CharacterRecord record = before.record;
        record.setName(u"Ann"_s);
        record.setSettingsFileName(u"Hard.ini"_s);
        record.setRouteList({0, 3, 17});
        const SheetState loaded =
            Sheet::loadedState(before, record, settingsWith(false, false, 5), u"/tmp/ann.pkd"_s);
        QVERIFY(!loaded.linkMode);
        QCOMPARE(loaded.paragraph, 17);
        QVERIFY(loaded.routePanelShown);
        QCOMPARE(loaded.settingsFile, u"Hard.ini"_s);
        QCOMPARE(loaded.record.flagCount(), 5);
        QCOMPARE(loaded.saveFile, u"/tmp/ann.pkd"_s);
        record.setRouteList({0});
        QVERIFY(!Sheet::loadedState(loaded, record, {}, {}).routePanelShown);
    }

    // An undo hands the sheet the state before and the difference; the sheet takes the state
    // and names exactly the parts that differ, so that a window repaints only those.
    void aRestoreAnnouncesThePartsTheDeltaTouches()
    {
        Sheet sheet;
        const SheetState before = sheet.state();
        sheet.setMoney(50);
        sheet.setParagraph(4);
        sheet.registerParagraph();
        const SheetDelta delta = SheetDelta::between(sheet.state(), before);
        QSignalSpy changed(&sheet, &Sheet::changed);
        sheet.restore(before, delta);
        QCOMPARE(sheet.state(), before);
        const auto parts = changed.first().first().value<Sheet::Parts>();
        QCOMPARE(parts & Sheet::Everything,
                 Sheet::Parts(Sheet::Money | Sheet::Route | Sheet::RoutePanel));
        QVERIFY(parts & Sheet::Restored);
    }
};

QTEST_GUILESS_MAIN(TestSheet)
#include "tst_sheet.moc"
