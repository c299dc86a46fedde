#include "Ledger.h"
#include "TextReport.h"

#include <QFile>
#include <QTest>

#include <ctime>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

// 2026-12-07 10:00:00 UTC
constexpr qint64 Start = 1796637600000;
constexpr qint64 Minute = 60000;

struct Session
{
    SheetState initial;
    QList<SheetStep> steps;
    QList<DiceEvent> dice;
    QList<SheetState> states; // states[i]: after the first i steps
};

// A short game: three paragraphs, a fight, a key, a lantern, the route cleared and begun
// again, then a rewind to the second paragraph.
Session playedSession()
{
    Session s;
    SheetState sheet = SheetState::fresh();
    sheet.record.setName(u"アレフ"_s);
    const int values[] = {12, 7, 9};
    for (int i = 0; i < 3; ++i) {
        sheet.record.setOrigin(i, values[i]);
        sheet.record.setCurrent(i, values[i]);
    }
    sheet.record.setMoney(10);
    sheet.record.setInventory(u"剣\r\n"_s);
    sheet.record.setFlagCount(3);
    s.initial = sheet;
    s.states.append(sheet);
    const auto act = [&s](SheetStep::Kind kind, const QString &field, auto edit) {
        SheetState next = s.states.last();
        edit(next);
        s.steps.append({kind, field, Start + Minute * (s.steps.size() + 1),
                        SheetDelta::between(s.states.last(), next)});
        s.states.append(next);
    };
    const auto reg = [&act](std::uint16_t paragraph) {
        act(SheetStep::Kind::Register, QString(), [paragraph](SheetState &x) {
            x.record.setRouteCount(x.record.routeCount() + 1);
            x.record.setRouteAt(x.record.routeCount(), paragraph);
            x.routePanelShown = true;
        });
    };
    using Kind = SheetStep::Kind;
    reg(1);
    act(Kind::Spin, u"EditAbl1"_s, [](SheetState &x) { x.record.setCurrent(0, 10); });
    s.dice.append({Start + Minute * 2 + 30000, {3, 5}, 8, 2});
    reg(12);
    act(Kind::Flag, QString(), [](SheetState &x) { x.record.setFlag(0, true); });
    act(Kind::Typing, u"MemoInventry"_s,
        [](SheetState &x) { x.record.setInventory(u"剣\r\nランタン\r\n"_s); });
    act(Kind::Typing, u"EditMoney"_s, [](SheetState &x) { x.record.setMoney(25); });
    reg(345);
    act(Kind::Settings, QString(), [](SheetState &x) {
        x.settingsFile = u"Strict.ini"_s;
        x.record.setFlagCount(2);
    });
    act(Kind::ClearRoute, QString(), [](SheetState &x) { x.record.setRouteCount(0); });
    reg(7);
    const Ledger before(s.initial, s.steps, s.dice, {}, {}, Start);
    act(Kind::Rewind, QString(), [&before](SheetState &x) { x = before.stateAtRow(2); });
    s.dice.append({Start + Minute * 12, {6}, 6, 11});
    return s;
}

} // namespace

class TestLedger : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
    }

    void theExportedLedgerKeepsItsFormat()
    {
        const Session s = playedSession();
        const Ledger ledger(s.initial, s.steps, s.dice, {u"体力点"_s, u"技術点"_s, u"運点"_s},
                            {u"鍵"_s, u"地図"_s}, Start);
        const QByteArray bytes = TextReport::reportBytes(ledger.lines(u"アレフ"_s), u"x"_s);
        QFile golden(QFINDTESTDATA("../data/ledger.txt"));
        QVERIFY(golden.open(QIODevice::ReadOnly));
        QCOMPARE(bytes, golden.readAll());
    }

    // Rolls made on steps that are no longer in effect (undone) are not told.
    void rollsOnUndoneStepsAreLeftOut()
    {
        const Session s = playedSession();
        const int inEffect = 1; // the first registration only
        QList<DiceEvent> dice{{Start + 1, {4}, 4, 1}, {Start + 2, {6}, 6, 2}};
        const Ledger ledger(s.initial, s.steps.first(inEffect), dice, {}, {}, Start);
        const QStringList lines = ledger.lines(QString());
        QCOMPARE(lines.filter(u"サイコロ"_s).size(), 1);
        QVERIFY(lines.filter(u"サイコロ"_s)[0].contains(u"合計 4"_s));
    }

    // An Open names the file by its base name; a character code page 932 cannot hold is
    // written as its code point, so the export never fails over a name.
    void anOpenOfAnyNameExports_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << u"/home/ann/games/ann.pkd"_s << u"開く ann.pkd"_s;
        QTest::newRow("accented folder") << u"/home/zoë/ann.pkd"_s << u"開く ann.pkd"_s;
        QTest::newRow("accented file") << u"/home/zoe/zoë.pkd"_s << u"開く zo<U+00EB>.pkd"_s;
        QTest::newRow("beyond U+FFFF") << u"/x/\U0001F600.pkd"_s << u"開く <U+1F600>.pkd"_s;
    }
    void anOpenOfAnyNameExports()
    {
        QFETCH(QString, path);
        QFETCH(QString, shown);
        SheetState opened = SheetState::fresh();
        opened.saveFile = path;
        const QList<SheetStep> steps{{SheetStep::Kind::Open, QString(), Start,
                                      SheetDelta::between(SheetState::fresh(), opened)}};
        const Ledger ledger(SheetState::fresh(), steps, {}, {}, {}, Start);
        const QStringList lines = ledger.lines(u"zoë"_s);
        QVERIFY2(lines[3].endsWith(shown), qPrintable(lines[3]));
        QVERIFY(lines[0].startsWith(u"zo<U+00EB>"_s));
        QVERIFY(!TextReport::reportBytes(lines, u"x"_s).isEmpty()); // no FileError
    }

    // The character name names the export: whatever it holds, the file lands in the program
    // folder under that name.
    void anyNameExportsBesideTheProgram()
    {
        QStringList files;
        for (const QString &name : {u"AC/DC"_s, u"../x"_s, u"a\\b"_s, u"a\tb"_s, QString()})
            files.append(Ledger::exportFileName(name));
        QCOMPARE(files, (QStringList{u"AC／DC_履歴.txt"_s, u"..／x_履歴.txt"_s, u"a＼b_履歴.txt"_s,
                                     u"a_b_履歴.txt"_s, u"履歴.txt"_s}));
    }

    // What one step changed, told line by line: a line held twice counts twice, and an
    // ability beyond the shorter of two counts reads 0 on that side.
    void aStepIsToldAsItChangedTheSheet_data()
    {
        using Edit = std::function<void(SheetState &)>;
        QTest::addColumn<Edit>("before");
        QTest::addColumn<Edit>("after");
        QTest::addColumn<QStringList>("told");
        const auto inventory = [](const QString &text) {
            return Edit([text](SheetState &s) { s.record.setInventory(text); });
        };
        const auto ability = [](int index, int origin, int current) {
            return Edit([=](SheetState &s) {
                s.record.setOrigin(index, origin);
                s.record.setCurrent(index, current);
            });
        };
        QTest::newRow("a line added that was there already")
            << inventory(u"剣\r\n"_s) << inventory(u"剣\r\n剣\r\n"_s)
            << QStringList{u"持ち物へ: 剣"_s};
        QTest::newRow("one of two alike taken away")
            << inventory(u"剣\r\n剣\r\n盾\r\n"_s) << inventory(u"剣\r\n盾\r\n"_s)
            << QStringList{u"持ち物から: 剣"_s};
        QTest::newRow("the same line added twice")
            << inventory(u"盾\r\n"_s) << inventory(u"薬\r\n盾\r\n薬\r\n"_s)
            << QStringList{u"持ち物へ: 薬"_s, u"持ち物へ: 薬"_s};
        QTest::newRow("one of two alike swapped")
            << inventory(u"剣\r\n剣\r\n"_s) << inventory(u"剣\r\n斧\r\n"_s)
            << QStringList{u"持ち物から: 剣"_s, u"持ち物へ: 斧"_s};
        QTest::newRow("lines only moved")
            << inventory(u"a\r\nb\r\n"_s) << inventory(u"b\r\na\r\n"_s) << QStringList();
        QTest::newRow("two abilities at once") << Edit([ability](SheetState &s) {
            ability(0, 12, 12)(s);
            ability(2, 9, 9)(s);
        }) << Edit([ability](SheetState &s) {
            ability(0, 12, 10)(s);
            ability(2, 9, 7)(s);
        }) << QStringList{u"体力点: 12 → 10"_s, u"運点: 9 → 7"_s};
        QTest::newRow("an origin and its value")
            << ability(1, 7, 7) << ability(1, 8, 8)
            << QStringList{u"技術点の原点: 7 → 8"_s, u"技術点: 7 → 8"_s};
        QTest::newRow("a name is text, never a format")
            << ability(3, 5, 5) << ability(3, 6, 3)
            << QStringList{u"魔法%1%2の原点: 5 → 6"_s, u"魔法%1%2: 5 → 3"_s};
        QTest::newRow("an ability without a name")
            << ability(5, 4, 4) << ability(5, 4, 3) << QStringList{u"能力6: 4 → 3"_s};
        QTest::newRow("from six abilities to eight")
            << Edit([](SheetState &s) { s.record.setAbilityCount(6); }) << Edit([](SheetState &s) {
                   s.record.setAbilityCount(8);
                   s.record.setOrigin(7, 4);
                   s.record.setCurrent(7, 3);
               })
            << QStringList{u"能力8の原点: 0 → 4"_s, u"能力8: 0 → 3"_s};
        QTest::newRow("from eight abilities to six")
            << ability(6, 5, 2) << Edit([](SheetState &s) { s.record.setAbilityCount(6); })
            << QStringList{u"能力7の原点: 5 → 0"_s, u"能力7: 2 → 0"_s};
    }
    void aStepIsToldAsItChangedTheSheet()
    {
        QFETCH(std::function<void(SheetState &)>, before);
        QFETCH(std::function<void(SheetState &)>, after);
        QFETCH(QStringList, told);
        SheetState initial = SheetState::fresh();
        before(initial);
        SheetState changed = initial;
        after(changed);
        const SheetDelta delta = SheetDelta::between(initial, changed);
        const Ledger ledger(initial, {{SheetStep::Kind::Spin, QString(), Start, delta}}, {},
                            {u"体力点"_s, u"技術点"_s, u"運点"_s, u"魔法%1%2"_s}, {}, Start);
        QCOMPARE(ledger.rows().size(), 1);
        QCOMPARE(ledger.rows().first().changes, told);
        // The step goes both ways exactly, and so does a rewind to the start across it.
        QCOMPARE(delta.applyTo(changed, SheetDelta::Direction::Back), initial);
        QCOMPARE(delta.applyTo(initial, SheetDelta::Direction::Forward), changed);
        QCOMPARE(ledger.rewindDelta(changed, 0).applyTo(changed, SheetDelta::Direction::Forward),
                 initial);
    }

    void aRowRewindsToTheSheetRightAfterItBegan()
    {
        const Session s = playedSession();
        const Ledger ledger(s.initial, s.steps, s.dice, {}, {}, Start);
        QList<std::uint16_t> paragraphs;
        for (int row = 0; row < ledger.rows().size(); ++row) {
            paragraphs.append(ledger.rows()[row].paragraph);
            QCOMPARE(ledger.stateAtRow(row), s.states[ledger.rows()[row].stepIndex]);
        }
        QCOMPARE(paragraphs, (QList<std::uint16_t>{0, 1, 12, 345, 0, 7, 12}));
        // The rewind brought back the sheet of the second paragraph, route included.
        QCOMPARE(s.states.last(), s.states[3]);
    }

    void aRewindStepReachesEveryRowAndUndoesExactly()
    {
        const Session s = playedSession();
        const Ledger ledger(s.initial, s.steps, s.dice, {}, {}, Start);
        // From the sheet the ledger ends with, and from one it does not; saved since under a
        // name, the sheet keeps it: the game goes back, not the file Save writes to.
        QList<SheetState> froms{s.states.last(), s.states[5], s.states.last(), s.states[5]};
        froms[2].saveFile = froms[3].saveFile = u"/games/aleph2.pkd"_s;
        for (const SheetState &from : froms) {
            for (int row = 0; row < ledger.rows().size(); ++row) {
                const SheetDelta delta = ledger.rewindDelta(from, row);
                const SheetState to = delta.applyTo(from, SheetDelta::Direction::Forward);
                SheetState expected = ledger.stateAtRow(row);
                expected.saveFile = from.saveFile;
                QCOMPARE(to, expected);
                QCOMPARE(delta.applyTo(to, SheetDelta::Direction::Back), from);
            }
        }
    }

    void aLedgerBroughtUpToDateTellsWhatAFreshOneTells()
    {
        const Session s = playedSession();
        const auto stepAt = [&s](int i) -> const SheetStep & { return s.steps[i]; };
        const auto told = [](const Ledger &ledger) {
            QStringList lines;
            for (int row = 0; row < ledger.rows().size(); ++row) {
                lines << ledger.rows()[row].title << ledger.rows()[row].changes;
                lines << QString::fromLatin1(ledger.stateAtRow(row).encode().toHex());
            }
            return lines;
        };
        // The last step as it was before more keystrokes were folded into it.
        QList<SheetStep> typing = s.steps.first(5);
        typing[4].delta.inventory->after = u"剣\r\nラ\r\n"_s;
        const int n = int(s.steps.size());
        for (int from = 0; from <= n; ++from) {
            for (int to = 0; to <= n; ++to) {
                Ledger ledger(s.initial, s.steps.first(from), s.dice, {}, {}, Start);
                ledger.update(std::min(from, to), to, stepAt, s.dice);
                QCOMPARE(told(ledger),
                         told(Ledger(s.initial, s.steps.first(to), s.dice, {}, {}, Start)));
            }
        }
        Ledger amended(s.initial, typing, s.dice, {}, {}, Start);
        amended.update(4, 5, stepAt, s.dice);
        QCOMPARE(told(amended), told(Ledger(s.initial, s.steps.first(5), s.dice, {}, {}, Start)));
    }

    void aRewindOnTheSameRouteCutsItBack()
    {
        SheetState sheet = SheetState::fresh();
        QList<SheetStep> steps;
        for (std::uint16_t paragraph : {4, 9, 16}) {
            SheetState next = sheet;
            next.record.setRouteCount(next.record.routeCount() + 1);
            next.record.setRouteAt(next.record.routeCount(), paragraph);
            steps.append({SheetStep::Kind::Register, {}, Start, SheetDelta::between(sheet, next)});
            sheet = next;
        }
        const Ledger ledger(SheetState::fresh(), steps, {}, {}, {}, Start);
        const SheetDelta delta = ledger.rewindDelta(sheet, 1);
        QVERIFY(delta.route);
        QCOMPARE(delta.route->kind, SheetDelta::RouteChange::Kind::Truncate);
        QCOMPARE(delta.route->baseCount, 1);
        QCOMPARE(delta.route->entries, (QList<std::uint16_t>{9, 16}));
    }
};

QTEST_GUILESS_MAIN(TestLedger)
#include "tst_ledger.moc"
