#include "HistoryWindow.h"
#include "Ledger.h"

#include <QAbstractItemView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A history told by its steps: each registers a paragraph or changes what the reader holds.
struct Played
{
    SheetState initial = SheetState::fresh();
    SheetState now = SheetState::fresh();
    QList<SheetStep> steps;

    void step(SheetStep::Kind kind, const std::function<void(SheetState &)> &edit)
    {
        SheetState next = now;
        edit(next);
        steps.append({kind, QString(), 1796637600000 + 60000 * steps.size(),
                      SheetDelta::between(now, next)});
        now = next;
    }
    void registerParagraph(std::uint16_t paragraph)
    {
        step(SheetStep::Kind::Register, [paragraph](SheetState &s) {
            QList<std::uint16_t> route = s.record.routeList();
            route.append(paragraph);
            s.record.setRouteList(route);
        });
    }
    Ledger ledger() const { return Ledger(initial, steps, {}, {}, {}); }
};

QAbstractItemView *listOf(const HistoryWindow &window)
{
    return window.findChild<QAbstractItemView *>(u"HistoryList"_s);
}

} // namespace

// The history window: which row a line stands for, so that a rewind lands on the row chosen,
// and the keys that move through the list up to its ends.
class TestHistoryWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aLineStandsForItsRow_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("row");
        // The start; paragraph 1 with two changes under it; paragraph 12 with none; paragraph
        // 345 with one.
        const int rowOfLine[] = {0, 1, 1, 1, 2, 3, 3};
        for (int line = 0; line < int(std::size(rowOfLine)); ++line)
            QTest::addRow("line %d", line) << line << rowOfLine[line];
    }
    void aLineStandsForItsRow()
    {
        QFETCH(int, line);
        QFETCH(int, row);
        Played played;
        played.registerParagraph(1);
        played.step(SheetStep::Kind::Typing, [](SheetState &s) { s.record.setMoney(30); });
        played.step(SheetStep::Kind::Typing, [](SheetState &s) { s.record.setName(u"Ann"_s); });
        played.registerParagraph(12);
        played.registerParagraph(345);
        played.step(SheetStep::Kind::Flag, [](SheetState &s) {
            s.record.setFlagCount(2);
            s.record.setFlag(1, true);
        });
        const Ledger ledger = played.ledger();
        HistoryWindow window;
        // Shown while paragraph 1 was the newest, then told again from its row on.
        window.setLedger(Ledger(played.initial, played.steps.first(2), {}, {}, {}));
        window.setLedger(ledger, 1);
        QAbstractItemView *list = listOf(window);
        QCOMPARE(list->model()->rowCount(), 7);
        QCOMPARE(window.selectedRow(), 3); // the newest, until the reader chooses

        list->setCurrentIndex(list->model()->index(line, 0));
        QCOMPARE(window.selectedRow(), row);
        QSignalSpy rewind(&window, &HistoryWindow::rewindRequested);
        window.findChild<QPushButton *>(u"RewindButton"_s)->click();
        QCOMPARE(rewind.size(), 1);
        QCOMPARE(rewind.first().first().toInt(), row);
        // The sheet that row brings back is the one right after its paragraph was registered:
        // what was typed under paragraph 1 came after it.
        const SheetState target =
            ledger.rewindDelta(played.now, row).applyTo(played.now, SheetDelta::Direction::Forward);
        QCOMPARE(target.record.routeCount(), row);
        QCOMPARE(target.record.money(), row >= 2 ? 30 : 0);
        QCOMPARE(target.record.name(), row >= 2 ? u"Ann"_s : QString());
        QCOMPARE(target.record.flagCount(), 0);
    }

    void theKeysStopAtTheEnds_data()
    {
        // A line: a number from the top, "end-N" from the last (end-1), "page-N" from the
        // first line below the view (page).
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("to");
        const auto row = [](const char *name, const char *from, Qt::Key key, const char *to) {
            QTest::newRow(name) << QString::fromLatin1(from) << int(key) << QString::fromLatin1(to);
        };
        row("Down on the last line", "end-1", Qt::Key_Down, "end-1");
        row("Page Down on the last line", "end-1", Qt::Key_PageDown, "end-1");
        row("End on the last line", "end-1", Qt::Key_End, "end-1");
        row("Down on the line before the last", "end-2", Qt::Key_Down, "end-1");
        row("Page Down a few lines above the end", "end-3", Qt::Key_PageDown, "end-1");
        row("End from the first line", "0", Qt::Key_End, "end-1");
        row("Down from the last line in view", "page-1", Qt::Key_Down, "page-0");
        row("Up on the first line", "0", Qt::Key_Up, "0");
        row("Page Up on the first line", "0", Qt::Key_PageUp, "0");
        row("Home on the first line", "0", Qt::Key_Home, "0");
        row("Page Up a few lines below the start", "2", Qt::Key_PageUp, "0");
        row("Home from the last line", "end-1", Qt::Key_Home, "0");
    }
    void theKeysStopAtTheEnds()
    {
        QFETCH(QString, from);
        QFETCH(int, key);
        QFETCH(QString, to);
        Played played;
        for (std::uint16_t paragraph = 1; paragraph <= 60; ++paragraph) {
            played.registerParagraph(paragraph);
            played.step(SheetStep::Kind::Typing,
                        [paragraph](SheetState &s) { s.record.setMoney(paragraph); });
        }
        HistoryWindow window;
        window.setLedger(played.ledger());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QAbstractItemView *list = listOf(window);
        const int lines = list->model()->rowCount();
        QCOMPARE(lines, 121); // the start, then each paragraph with its change of money
        const int page =
            list->viewport()->height() / list->visualRect(list->model()->index(0, 0)).height();
        // Page Down must go further than the lines it starts from above the end.
        QVERIFY(page > 3);
        const auto line = [lines, page](const QString &at) {
            const int n = at.section(u'-', 1).toInt();
            return at.startsWith(u"end"_s)    ? lines - n
                   : at.startsWith(u"page"_s) ? page - n
                                              : at.toInt();
        };

        list->setFocus();
        list->scrollToTop();
        list->setCurrentIndex(list->model()->index(line(from), 0));
        QTest::keyClick(list, Qt::Key(key));
        QCOMPARE(list->currentIndex().row(), line(to));
        // A line stands for its row: the start, a paragraph's title or the change under it.
        QCOMPARE(window.selectedRow(), (line(to) + 1) / 2);
        QVERIFY(list->viewport()->rect().contains(list->visualRect(list->currentIndex())));
    }
};

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
