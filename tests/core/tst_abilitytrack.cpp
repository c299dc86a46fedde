#include "AbilityTrack.h"
#include "IniData.h"
#include "PrintedSheet.h"
#include "SheetDelta.h"

#include <QTest>

#include <functional>
#include <random>

using namespace Qt::StringLiterals;

namespace {

// A history written as what the reader did, one step each.
class Script
{
public:
    Script() : m_state(SheetState::fresh()) { m_initial = m_state; }

    Script &current(int index, int value)
    {
        return step(SheetStep::Kind::Spin, [=](CharacterRecord &r) { r.setCurrent(index, value); });
    }
    Script &money(int value)
    {
        return step(SheetStep::Kind::Typing, [=](CharacterRecord &r) { r.setMoney(value); });
    }
    Script &reach(std::uint16_t paragraph)
    {
        return step(SheetStep::Kind::Register, [=](CharacterRecord &r) {
            r.setRouteCount(r.routeCount() + 1);
            r.setRouteAt(r.routeCount(), paragraph);
        });
    }
    Script &cutRouteTo(int count)
    {
        return step(SheetStep::Kind::Rewind,
                    [=](CharacterRecord &r) { r.setRouteCount(std::min(count, r.routeCount())); });
    }
    // Another sheet put in force whole, as an Open does.
    Script &open(const QList<std::uint16_t> &route, int stamina)
    {
        return step(SheetStep::Kind::Open, [=](CharacterRecord &r) {
            r.setRouteList(QList<std::uint16_t>{0} + route);
            r.setRouteCount(int(route.size()));
            r.setCurrent(0, stamina);
        });
    }

    const SheetState &initial() const { return m_initial; }
    const QList<SheetStep> &steps() const { return m_steps; }
    std::function<const SheetStep &(int)> stepAt() const
    {
        return [this](int i) -> const SheetStep & { return m_steps[i]; };
    }

private:
    Script &step(SheetStep::Kind kind, const std::function<void(CharacterRecord &)> &change)
    {
        SheetState after = m_state;
        after.record.setOverLoad(true);
        after.record.setMinusEnable(true);
        change(after.record);
        SheetStep step;
        step.kind = kind;
        step.delta = SheetDelta::between(m_state, after);
        m_steps.append(step);
        m_state = after;
        return *this;
    }

    SheetState m_initial;
    SheetState m_state;
    QList<SheetStep> m_steps;
};

// "paragraph:stamina" for each point, "?" for a point whose values no history told.
QString pointsText(const AbilityTrack &track, int valueIndex = 0)
{
    QStringList out;
    for (const AbilityTrack::Point &p : track.points())
        out.append(u"%1:%2"_s.arg(p.paragraph)
                       .arg(p.known ? QString::number(p.values[size_t(valueIndex)]) : u"?"_s));
    return out.join(u' ');
}

AbilityTrack told(const Script &script)
{
    AbilityTrack track(script.initial());
    track.update(0, int(script.steps().size()), script.stepAt());
    return track;
}

} // namespace

class TestAbilityTrack : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pointsFollowTheRoute_data()
    {
        QTest::addColumn<std::function<void(Script &)>>("play");
        QTest::addColumn<QString>("points");
        QTest::addColumn<QString>("money");
        QTest::newRow("a paragraph keeps the values the reader left it with")
            << std::function<void(Script &)>([](Script &s) {
                   s.current(0, 20).reach(12).current(0, 18).current(0, 15).reach(87).money(9);
               })
            << u"0:20 12:15 87:15"_s << u"0:0 12:0 87:9"_s;
        QTest::newRow("a rewind takes the later paragraphs off")
            << std::function<void(Script &)>([](Script &s) {
                   s.current(0, 20).reach(1).current(0, 10).reach(2).reach(3).cutRouteTo(1).current(
                       0, 11);
               })
            << u"0:20 1:11"_s << u"0:0 1:0"_s;
        QTest::newRow("a paragraph reached twice is two points")
            << std::function<void(Script &)>(
                   [](Script &s) { s.reach(5).current(0, 3).reach(6).reach(5).current(0, 4); })
            << u"0:0 5:3 6:3 5:4"_s << u"0:0 5:0 6:0 5:0"_s;
        QTest::newRow("an opened route is untold but for its last paragraph")
            << std::function<void(Script &)>([](Script &s) {
                   s.current(0, 5).reach(9).open({40, 41, 42}, 17).reach(43);
               })
            << u"0:? 40:? 41:? 42:17 43:17"_s << u"0:? 40:? 41:? 42:0 43:0"_s;
        QTest::newRow("a cleared route leaves the start holding the values")
            << std::function<void(Script &)>(
                   [](Script &s) { s.reach(3).current(0, 7).cutRouteTo(0).current(0, 8); })
            << u"0:8"_s << u"0:0"_s;
    }
    void pointsFollowTheRoute()
    {
        QFETCH(std::function<void(Script &)>, play);
        QFETCH(QString, points);
        QFETCH(QString, money);
        Script script;
        play(script);
        const AbilityTrack track = told(script);
        QCOMPARE(pointsText(track), points);
        QCOMPARE(pointsText(track, AbilityTrack::MoneyIndex), money);
    }

    // Undo, redo and a step typed after an undo change the history's tail: following only the
    // changed steps must give what telling the whole history again gives.
    void followingAChangedTailEqualsTellingItAgain()
    {
        std::mt19937 random(7);
        for (int round = 0; round < 200; ++round) {
            Script first;
            Script second;
            const int shared = int(random() % 12);
            for (Script *s : {&first, &second}) {
                std::mt19937 same(round);
                for (int i = 0; i < shared; ++i)
                    playOne(*s, same);
            }
            for (int i = int(random() % 10); i > 0; --i)
                playOne(first, random);
            for (int i = int(random() % 10); i > 0; --i)
                playOne(second, random);
            AbilityTrack track = told(first);
            const int changed = track.update(shared, int(second.steps().size()), second.stepAt());
            const AbilityTrack fresh = told(second);
            QCOMPARE(track.points(), fresh.points());
            QVERIFY(changed >= 0 && changed <= fresh.points().size());
            // The points before the first one said to change are those the first history had.
            const AbilityTrack before = told(first);
            for (int i = 0; i < changed && i < before.points().size(); ++i)
                QCOMPARE(track.points()[i], before.points()[i]);
        }
    }

    void theChartShowsNamedShownAbilitiesAndMoney_data()
    {
        QTest::addColumn<QList<bool>>("enabled");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("lines");
        QTest::newRow("three shown and named")
            << QList<bool>{true, true, true, false} << QStringList{u"体力"_s, u"技術"_s, u"運"_s}
            << QList<int>{0, 1, 2, AbilityTrack::MoneyIndex};
        QTest::newRow("a hidden ability and a blank name have no line")
            << QList<bool>{true, false, true, true}
            << QStringList{u"体力"_s, u"技術"_s, u"  "_s, u"魔法"_s}
            << QList<int>{0, 3, AbilityTrack::MoneyIndex};
    }
    void theChartShowsNamedShownAbilitiesAndMoney()
    {
        QFETCH(QList<bool>, enabled);
        QFETCH(QStringList, names);
        QFETCH(QList<int>, lines);
        SettingsValues settings;
        for (int i = 0; i < SettingsValues::AbilityCount; ++i) {
            settings.enabled[size_t(i)] = enabled.value(i);
            settings.names[size_t(i)] = names.value(i);
        }
        QList<int> shown;
        for (const PrintedSheet::Line &line : PrintedSheet::chartLines(settings, 8))
            shown.append(line.index);
        QCOMPARE(shown, lines);
    }

    void thePrintedSheetNamesSetFlagsByTheirLabels()
    {
        SheetState state = SheetState::fresh();
        state.settings.flagText = u"金の鍵\r\n\r\n古い地図\r\n"_s;
        state.record.setFlagCount(4);
        for (int i : {0, 1, 3})
            state.record.setFlag(i, true);
        const PrintedSheet sheet = PrintedSheet::of(state, AbilityTrack(state));
        // An unlabelled flag is named by its number; unset flags are left out.
        QCOMPARE(sheet.flags, (QStringList{u"金の鍵"_s, u"フラグ2"_s, u"フラグ4"_s}));
    }

private:
    static void playOne(Script &s, std::mt19937 &random)
    {
        switch (random() % 5) {
        case 0:
            s.current(int(random() % 3), int(random() % 30));
            break;
        case 1:
            s.money(int(random() % 100));
            break;
        case 2:
            s.reach(std::uint16_t(1 + random() % 400));
            break;
        case 3:
            s.cutRouteTo(int(random() % 3));
            break;
        default:
            s.open({std::uint16_t(1 + random() % 9), std::uint16_t(1 + random() % 9)},
                   int(random() % 30));
            break;
        }
    }
};

QTEST_GUILESS_MAIN(TestAbilityTrack)
#include "tst_abilitytrack.moc"
