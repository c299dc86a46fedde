#include "SheetState.h"
#include "SheetUndo.h"

#include <QTest>
#include <QUndoStack>

using namespace Qt::StringLiterals;

namespace {

// The sheet as the undo history sees it: what capture gives and what apply writes.
QString summary(const SheetState &state)
{
    QStringList route;
    for (std::uint16_t entry : routeEntries(state.record))
        route.append(QString::number(entry));
    return u"%1|%2|%3"_s.arg(state.record.name()).arg(state.record.money()).arg(route.join(u' '));
}

QList<std::uint16_t> routeOf(const QString &entries)
{
    QList<std::uint16_t> route{0};
    for (const QString &entry : entries.split(u' ', Qt::SkipEmptyParts))
        route.append(std::uint16_t(entry.toUInt()));
    return route;
}

// A window without widgets: each action changes the state and ends as the window ends it.
struct Window
{
    SheetState shown = SheetState::fresh();
    SheetUndo undo{[this] { return shown; },
                   [this](const SheetState &target, const SheetDelta &) { shown = target; }};

    Window() { undo.reset(); }

    // "name=Ann" and "money=5" are keystrokes into a box; "leave" takes the focus out of it;
    // "reg=7" registers a paragraph; "open=4 9" opens a file ("graft=4 9" one that continues
    // a history of the journal's), "new" starts a new sheet and
    // "rewind=1" goes back to the first paragraph, each replacing the route; "roll=4" rolls a
    // four on the step in effect.
    void act(const QString &action)
    {
        const QString what = action.section(u'=', 0, 0);
        const QString value = action.section(u'=', 1);
        using Kind = SheetStep::Kind;
        if (what == u"name"_s) {
            shown.record.setName(value);
            undo.commit(Kind::Typing, u"EditName"_s);
        } else if (what == u"money"_s) {
            shown.record.setMoney(value.toInt());
            undo.commit(Kind::Typing, u"EditMoney"_s);
        } else if (what == u"leave"_s) {
            undo.sealGroup();
        } else if (what == u"roll"_s) {
            undo.addDice({value.toInt()}, value.toInt());
        } else if (what == u"undo"_s) {
            undo.undo();
        } else if (what == u"redo"_s) {
            undo.redo();
        } else if (what == u"reg"_s) {
            QList<std::uint16_t> route = shown.record.routeList();
            route.append(std::uint16_t(value.toUInt()));
            shown.record.setRouteList(route);
            undo.commit(Kind::Register);
        } else if (what == u"open"_s || what == u"graft"_s) {
            shown = SheetState::fresh();
            shown.record.setRouteList(routeOf(value));
            shown.saveFile = u"/games/"_s + value + u".pkd"_s;
            // A file whose bytes a step of the journal wrote continues that step's history.
            undo.commit(Kind::Open, {}, what == u"graft"_s ? 99 : 0);
        } else if (what == u"new"_s) {
            shown = SheetState::fresh();
            undo.commit(Kind::New);
        } else if (what == u"rewind"_s) {
            SheetState target = shown;
            target.record.setRouteList(shown.record.routeList().first(value.toInt() + 1));
            undo.moveBy(SheetDelta::between(shown, target), Kind::Rewind);
        } else {
            QFAIL(qPrintable(u"no action "_s + action));
        }
    }
};

} // namespace

// Which keystrokes become one step, and what undo and redo bring back, on the history alone.
class TestUndoGroups : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachStepComesBackExactly_data()
    {
        QTest::addColumn<QStringList>("actions");
        // The sheet after the actions, then after each undo down to the start.
        QTest::addColumn<QStringList>("back");
        const auto row = [](const char *name, const QString &actions, const QString &back) {
            QTest::newRow(name) << actions.split(u',') << back.split(u',');
        };
        row("keystrokes into one box", u"name=A,name=An,name=Ann"_s, u"Ann|0|,|0|"_s);
        row("one box, left and typed into again", u"name=A,leave,name=An"_s, u"An|0|,A|0|,|0|"_s);
        row("two boxes in turn", u"name=A,money=5,name=Ab"_s, u"Ab|5|,A|5|,A|0|,|0|"_s);
        row("typing after an undo, into the same box", u"name=A,money=5,undo,money=7"_s,
            u"A|7|,A|0|,|0|"_s);
        row("typing after an undo, into the box before", u"name=A,money=5,undo,name=Ab"_s,
            u"Ab|0|,A|0|,|0|"_s);
        row("typing after an undo and a redo", u"name=A,undo,redo,name=Ab"_s, u"Ab|0|,A|0|,|0|"_s);
        row("typing after undoing everything", u"name=A,undo,name=B"_s, u"B|0|,|0|"_s);
        row("typed back to where it began", u"money=5,money=0"_s, u"|0|"_s);
        row("typed back, then on", u"money=5,money=0,money=7"_s, u"|7|,|0|"_s);
        row("typed back, then another box", u"money=5,money=0,name=A"_s, u"A|0|,|0|"_s);
        row("typed back, then a registration", u"money=5,money=0,reg=3"_s, u"|0|3,|0|"_s);
        row("a registration ends a run", u"name=A,reg=3,name=Ab"_s, u"Ab|0|3,A|0|3,A|0|,|0|"_s);
        row("open replaces the route", u"reg=3,reg=5,open=4 9"_s, u"|0|4 9,|0|3 5,|0|3,|0|"_s);
        row("open of a route that starts alike", u"reg=4,reg=9,open=4 2"_s,
            u"|0|4 2,|0|4 9,|0|4,|0|"_s);
        row("new after play", u"name=Ann,money=5,reg=8,new"_s, u"|0|,Ann|5|8,Ann|5|,Ann|0|,|0|"_s);
        row("a rewind cuts the route", u"reg=3,reg=5,reg=8,rewind=1"_s,
            u"|0|3,|0|3 5 8,|0|3 5,|0|3,|0|"_s);
        row("open after a rewind, both undone", u"reg=3,reg=5,rewind=1,open=7"_s,
            u"|0|7,|0|3,|0|3 5,|0|3,|0|"_s);
        row("typing after undoing an open", u"name=A,open=6,undo,name=Ab"_s, u"Ab|0|,A|0|,|0|"_s);
    }
    void eachStepComesBackExactly()
    {
        QFETCH(QStringList, actions);
        QFETCH(QStringList, back);
        Window w;
        for (const QString &action : std::as_const(actions))
            w.act(action);
        QCOMPARE(w.undo.stepCount(), back.size() - 1);

        QStringList seen{summary(w.shown)};
        const SheetState last = w.shown;
        // As the menu does before it shows the items: a run typed back is no step to undo.
        w.undo.dropEmptyRun();
        while (w.undo.stack()->canUndo()) {
            w.undo.undo();
            seen.append(summary(w.shown));
        }
        QCOMPARE(seen, back);
        QVERIFY(w.shown == SheetState::fresh());
        // Redo walks the same states the other way, to the very sheet the actions left.
        QStringList ahead{summary(w.shown)};
        while (w.undo.stack()->canRedo()) {
            w.undo.redo();
            ahead.prepend(summary(w.shown));
        }
        QCOMPARE(ahead, back);
        QVERIFY(w.shown == last);
    }

    // The step that continues another history, which the ledger tells before it, goes with
    // the step when it is undone and another takes its place.
    void anOpenContinuesItsHistoryWhileItIsInEffect_data()
    {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<int>("graft"); // the step that continues a history; -1: none
        QTest::newRow("opened") << QStringList{u"name=A"_s, u"graft=6"_s} << 1;
        QTest::newRow("typed on") << QStringList{u"graft=6"_s, u"name=A"_s} << 0;
        QTest::newRow("undone") << QStringList{u"graft=6"_s, u"undo"_s} << -1;
        QTest::newRow("undone and redone") << QStringList{u"graft=6"_s, u"undo"_s, u"redo"_s} << 0;
        QTest::newRow("undone, then typing")
            << QStringList{u"graft=6"_s, u"undo"_s, u"name=A"_s} << -1;
        QTest::newRow("undone, then an open of no history")
            << QStringList{u"name=A"_s, u"graft=6"_s, u"undo"_s, u"open=7"_s} << -1;
    }
    void anOpenContinuesItsHistoryWhileItIsInEffect()
    {
        QFETCH(QStringList, actions);
        QFETCH(int, graft);
        Window w;
        for (const QString &action : std::as_const(actions))
            w.act(action);
        QCOMPARE(w.undo.lastGraft(), graft);
        if (graft >= 0)
            QCOMPARE(w.undo.stepAt(graft).origin, 99);
    }

    // A roll belongs to the step it was rolled on: undone, it stays for a redo; replaced by
    // another step, it goes with the step.
    void rollsGoWithTheStepsTheyWereRolledOn_data()
    {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QList<int>>("totals");
        const auto row = [](const char *name, const QString &actions, const QList<int> &totals) {
            QTest::newRow(name) << actions.split(u',') << totals;
        };
        row("rolled", u"reg=3,roll=4"_s, {4});
        row("undone and redone", u"reg=3,roll=4,undo,redo"_s, {4});
        row("undone, another step taken", u"reg=3,roll=4,undo,reg=5"_s, {});
        row("an earlier roll stays", u"reg=3,roll=4,reg=5,roll=6,undo,reg=7"_s, {4});
        row("two steps undone, another taken", u"reg=3,roll=4,reg=5,roll=6,undo,undo,reg=7"_s, {});
        row("rolled at the start", u"roll=2,reg=3,undo,reg=5"_s, {2});
    }
    void rollsGoWithTheStepsTheyWereRolledOn()
    {
        QFETCH(QStringList, actions);
        QFETCH(QList<int>, totals);
        Window w;
        for (const QString &action : std::as_const(actions))
            w.act(action);
        QList<int> kept;
        for (const DiceEvent &event : w.undo.dice())
            kept.append(event.total);
        QCOMPARE(kept, totals);
    }
};

QTEST_GUILESS_MAIN(TestUndoGroups)
#include "tst_undogroups.moc"
