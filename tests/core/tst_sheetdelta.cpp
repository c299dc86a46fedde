#include "SheetDelta.h"
#include "SheetStep.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(SheetState)

namespace {

SheetState sheet()
{
    SheetState s = SheetState::fresh();
    s.record.setName(u"アレフ"_s);
    for (int i = 0; i < 8; ++i) {
        s.record.setOrigin(i, 10 + i);
        s.record.setCurrent(i, 5 + i);
    }
    s.record.setMoney(30);
    s.record.setInventory(u"剣\r\n盾\r\n"_s);
    s.record.setFlagCount(5);
    s.record.setFlag(1, true);
    s.record.setRouteCount(3);
    s.record.setRouteAt(1, 1);
    s.record.setRouteAt(2, 12);
    s.record.setRouteAt(3, 345);
    return s;
}

template <typename Edit> SheetState edited(SheetState s, Edit edit)
{
    edit(s);
    return s;
}

SheetStep step(SheetStep::Kind kind, const QString &field, const SheetState &before,
               const SheetState &after)
{
    return {kind, field, 0, SheetDelta::between(before, after)};
}

} // namespace

class TestSheetDelta : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aStepIsUndoneAndRedoneExactly_data()
    {
        QTest::addColumn<SheetState>("before");
        QTest::addColumn<SheetState>("after");
        const SheetState s = sheet();
        QTest::newRow("name typed")
            << s << edited(s, [](SheetState &x) { x.record.setName(u"アレフガルド"_s); });
        QTest::newRow("origin lowered cuts the current value")
            << s << edited(s, [](SheetState &x) { x.record.setOrigin(2, 3); });
        const SheetState over = edited(s, [](SheetState &x) {
            x.record.setOverLoad(true);
            x.record.setMinusEnable(true);
            x.record.setCurrent(0, 25);
            x.record.setCurrent(1, -4);
        });
        QTest::newRow("settings without OverLoad and MinusEnable cut values")
            << over << edited(over, [](SheetState &x) {
                   x.record.setOverLoad(false);
                   x.record.setMinusEnable(false);
                   x.settingsFile = u"Strict.ini"_s;
               });
        QTest::newRow("current value set while OverLoad is on")
            << over << edited(over, [](SheetState &x) { x.record.setCurrent(0, 40); });
        QTest::newRow("flag ticked")
            << s << edited(s, [](SheetState &x) { x.record.setFlag(3, true); });
        QTest::newRow("fewer flags drop ticked ones")
            << s << edited(s, [](SheetState &x) { x.record.setFlagCount(1); });
        QTest::newRow("registration") << s << edited(s, [](SheetState &x) {
            x.record.setRouteCount(4);
            x.record.setRouteAt(4, 7);
            x.routePanelShown = true;
        });
        QTest::newRow("route cleared")
            << s << edited(s, [](SheetState &x) { x.record.setRouteCount(0); });
        QTest::newRow("route replaced") << s << edited(s, [](SheetState &x) {
            x.record.setRouteCount(2);
            x.record.setRouteAt(2, 99);
        });
        QTest::newRow("inventory, money, link mode") << s << edited(s, [](SheetState &x) {
            x.record.setInventory(u"剣\r\n"_s);
            x.record.setMoney(-50);
            x.linkMode = true;
        });
        QTest::newRow("settings values, flags past the new count dropped")
            << s << edited(s, [](SheetState &x) {
                   x.settings.flagNumber = 2;
                   x.settings.flagText = u"鍵\r\n剣\r\n"_s;
                   x.settings.names[0] = u"体力"_s;
                   x.record.setFlagCount(1);
               });
        QTest::newRow("paragraph box") << s << edited(s, [](SheetState &x) { x.paragraph = 401; });
        QTest::newRow("New") << s << SheetState::fresh();
        QTest::newRow("Open") << SheetState::fresh() << edited(s, [](SheetState &x) {
            x.saveFile = u"/home/a/b.pkd"_s;
            x.record.setSettingsFileName(u"Other.ini"_s);
        });
        QTest::newRow("six abilities grow to eight") << SheetState() << SheetState::fresh();
    }
    void aStepIsUndoneAndRedoneExactly()
    {
        QFETCH(SheetState, before);
        QFETCH(SheetState, after);
        const SheetDelta delta = SheetDelta::between(before, after);
        QVERIFY(!delta.isEmpty());
        QCOMPARE(delta.applyTo(before, SheetDelta::Direction::Forward), after);
        QCOMPARE(delta.applyTo(after, SheetDelta::Direction::Back), before);
        QCOMPARE(SheetDelta::decode(delta.encode()), delta);
        QVERIFY(SheetDelta::between(after, after).isEmpty());
        QCOMPARE(SheetState::decode(after.encode()), after);
    }

    void keystrokesIntoOneBoxFormOneStep_data()
    {
        QTest::addColumn<QList<SheetStep>>("typed");
        QTest::addColumn<int>("steps");
        using Kind = SheetStep::Kind;
        QList<SheetState> states{sheet()};
        const auto next = [&states](auto edit) {
            states.append(edited(states.last(), edit));
            return states.last();
        };
        QList<SheetStep> name;
        for (const QString &text : {u"ア"_s, u"アレ"_s, u"アレフ"_s}) {
            const SheetState before = states.last();
            name.append(step(Kind::Typing, u"EditName"_s, before,
                             next([&text](SheetState &x) { x.record.setName(text); })));
        }
        QTest::newRow("one box") << name << 1;
        QList<SheetStep> two = name;
        SheetState before = states.last();
        two.append(step(Kind::Typing, u"EditMoney"_s, before,
                        next([](SheetState &x) { x.record.setMoney(5); })));
        before = states.last();
        two.append(step(Kind::Typing, u"EditName"_s, before,
                        next([](SheetState &x) { x.record.setName(u"B"_s); })));
        QTest::newRow("another box between") << two << 3;
        QList<SheetStep> spins;
        for (int value : {6, 7, 8}) {
            before = states.last();
            spins.append(step(Kind::Spin, u"EditAbl1"_s, before,
                              next([value](SheetState &x) { x.record.setCurrent(0, value); })));
        }
        QTest::newRow("spin clicks stay apart") << spins << 3;
        QList<SheetStep> registered = name;
        before = states.last();
        registered.append(step(Kind::Register, QString(), before, next([](SheetState &x) {
                                   x.record.setRouteCount(x.record.routeCount() + 1);
                                   x.record.setRouteAt(x.record.routeCount(), 9);
                               })));
        QTest::newRow("registration after typing") << registered << 2;
    }
    void keystrokesIntoOneBoxFormOneStep()
    {
        QFETCH(QList<SheetStep>, typed);
        QFETCH(int, steps);
        QList<SheetStep> stack;
        for (const SheetStep &s : typed)
            if (stack.isEmpty() || !stack.last().mergeWith(s))
                stack.append(s);
        QCOMPARE(stack.size(), steps);
        // Undoing the grouped steps one by one brings back the sheet before the first keystroke.
        SheetState start = sheet();
        SheetState end = start;
        for (const SheetStep &s : typed)
            end = s.delta.applyTo(end, SheetDelta::Direction::Forward);
        for (auto it = stack.crbegin(); it != stack.crend(); ++it)
            end = it->delta.applyTo(end, SheetDelta::Direction::Back);
        QCOMPARE(end, start);
    }

    void typingBackToTheOldTextLeavesAnEmptyStep()
    {
        const SheetState a = sheet();
        const SheetState b = edited(a, [](SheetState &x) { x.record.setMoney(301); });
        SheetStep first = step(SheetStep::Kind::Typing, u"EditMoney"_s, a, b);
        QVERIFY(first.mergeWith(step(SheetStep::Kind::Typing, u"EditMoney"_s, b, a)));
        QVERIFY(first.delta.isEmpty());
    }

    void damagedBytesAreRejected()
    {
        const SheetState a = sheet();
        const SheetState b = edited(SheetState::fresh(), [](SheetState &x) {
            x.record.setName(u"B"_s);
            x.record.setFlagCount(2);
            x.record.setFlag(1, true);
        });
        for (const QByteArray &bytes : {SheetDelta::between(a, b).encode(), b.encode()}) {
            for (qsizetype n = 0; n < bytes.size(); ++n) {
                QVERIFY2(!SheetDelta::decode(bytes.first(n)), qPrintable(QString::number(n)));
                QVERIFY(!SheetState::decode(bytes.first(n)));
            }
            QVERIFY(!SheetDelta::decode(bytes + '\0'));
            QVERIFY(!SheetState::decode(bytes + '\0'));
            QByteArray version = bytes;
            version[0] = char(3); // a version no Pelko wrote yet
            QVERIFY(!SheetDelta::decode(version));
            QVERIFY(!SheetState::decode(version));
        }
        // A step stored before the settings values were kept still reads: version 1, the name.
        const QByteArray nameV1 = QByteArray::fromHex("01"
                                                      "02000000"
                                                      "00000000"
                                                      "01000000"
                                                      "4100");
        const std::optional<SheetDelta> old = SheetDelta::decode(nameV1);
        QVERIFY(old && old->name && old->name->after == u"A"_s && !old->settings);
        // A route change that does not belong to the sheet adds only the entries it holds.
        SheetDelta stray;
        stray.route = SheetDelta::RouteChange{
            SheetDelta::RouteChange::Kind::Truncate, 2000000000, {5}, {}, {}};
        QCOMPARE(
            stray.applyTo(SheetState::fresh(), SheetDelta::Direction::Back).record.routeCount(), 1);
        // A count far beyond the bytes that follow is refused before anything is allocated.
        QVERIFY(!SheetState::decode(QByteArray::fromHex("01ffffff7f")));
        QVERIFY(!SheetDelta::decode(QByteArray::fromHex("01"
                                                        "20000000"
                                                        "ffffff7f")));
    }
};

QTEST_GUILESS_MAIN(TestSheetDelta)
#include "tst_sheetdelta.moc"
