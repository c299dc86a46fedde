#include "ChartCommands.h"
#include "ChartsModule.h"
#include "SheetUndoFixture.h"

#include <QAbstractItemView>
#include <QChartView>
#include <QClipboard>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QXmlStreamReader>

using namespace SheetUndoFixture;

namespace {

// The stamina line as the chart draws it: "x:y" for each point.
QString staminaLine(const Player &s)
{
    auto *view = s.form->findChild<QChartView *>(u"AbilityChart"_s);
    if (!view)
        return u"no chart"_s;
    for (QAbstractSeries *series : view->chart()->series()) {
        if (series->name() != s.form->sheet().settings().names[0])
            continue;
        QStringList points;
        for (const QPointF &p : static_cast<QLineSeries *>(series)->points())
            points.append(u"%1:%2"_s.arg(p.x()).arg(p.y()));
        return points.join(u' ');
    }
    return u"no line"_s;
}

// A step as the reader makes it: the stamina set, then a paragraph registered.
void step(const Player &s, int stamina, int paragraph)
{
    s.form->sheet().setCurrent(0, stamina);
    s.form->history().undo().commit(SheetStep::Kind::Spin);
    s.form->sheet().setParagraph(paragraph);
    s.form->sheet().registerParagraph();
    s.form->history().undo().commit(SheetStep::Kind::Register);
}

// What the window shows of the chart now, as it was painted step by step.
QImage onScreen(QWidget *viewport)
{
    const QPoint at = viewport->mapTo(viewport->window(), QPoint(0, 0));
    return viewport->screen()
        ->grabWindow(viewport->window()->winId(), at.x(), at.y(), viewport->width(),
                     viewport->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestCharts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theChartFollowsPlay()
    {
        Player s;
        s.type(u"EditAbl1Max"_s, u"20"_s); // link mode: the current value follows
        s.trigger(u"Charts1"_s);
        auto *window = s.form->findChild<QDialog *>(u"ChartWindow"_s);
        QVERIFY(window && window->isVisible());
        QTRY_COMPARE(staminaLine(s), u"0:20"_s);

        // A registration adds a point; what happens there moves the last one.
        s.registerParagraph(u"12"_s);
        QTRY_COMPARE(staminaLine(s), u"0:20 1:20"_s);
        s.box(u"EditAbl1"_s)->selectAll();
        s.type(u"EditAbl1"_s, u"15"_s);
        s.registerParagraph(u"30"_s);
        QTRY_COMPARE(staminaLine(s), u"0:20 1:15 2:15"_s);

        // Undo takes the registration back, redo brings it again.
        s.trigger(u"Undo1"_s);
        QTRY_COMPARE(staminaLine(s), u"0:20 1:15"_s);
        s.trigger(u"Redo1"_s);
        QTRY_COMPARE(staminaLine(s), u"0:20 1:15 2:15"_s);

        // A rewind to paragraph 12 takes the later paragraph off, and the sheet's values are
        // those it had as 12 was registered.
        s.trigger(u"History1"_s);
        auto *history = s.find<HistoryWindow>(u"HistoryWindow"_s);
        history->selectRow(1);
        QTest::mouseClick(history->findChild<QPushButton *>(u"RewindButton"_s), Qt::LeftButton);
        QTRY_COMPARE(staminaLine(s), u"0:20 1:20"_s);
    }

    void theDiceTabFollowsTheRolls()
    {
        Player s;
        s.trigger(u"Charts1"_s);
        auto *tabs = s.form->findChild<QTabWidget *>(u"ChartTabs"_s);
        auto *verdict = s.form->findChild<QLabel *>(u"DiceVerdict"_s);
        QVERIFY(tabs && verdict);
        tabs->setCurrentIndex(1);
        const QString before = verdict->text();
        for (int i = 0; i < 60; ++i)
            s.form->history().addDice({6}, 6);
        // Sixty sixes in a row: no fair die does that.
        QTRY_VERIFY(verdict->text() != before);
        QVERIFY2(verdict->text().contains(u"警告"_s), qPrintable(verdict->text()));
    }

    // The tab not shown is brought up to date when it is shown, not at every step.
    void aHiddenTabWaitsUntilShown()
    {
        Player s;
        s.trigger(u"Charts1"_s);
        auto *tabs = s.form->findChild<QTabWidget *>(u"ChartTabs"_s);
        auto *verdict = s.form->findChild<QLabel *>(u"DiceVerdict"_s);
        QVERIFY(tabs && verdict);
        s.form->sheet().setOrigin(0, 30);
        QTRY_VERIFY(staminaLine(s).startsWith(u"0:"_s));
        const QString start = staminaLine(s);
        QVERIFY(!start.contains(u' '));

        const QString fair = verdict->text();
        for (int i = 0; i < 60; ++i)
            s.form->history().addDice({6}, 6);
        QTest::qWait(50);
        QCOMPARE(verdict->text(), fair);
        tabs->setCurrentIndex(1);
        QVERIFY2(verdict->text().contains(u"警告"_s), qPrintable(verdict->text()));

        step(s, 7, 12);
        QTest::qWait(50);
        QCOMPARE(staminaLine(s), start);
        tabs->setCurrentIndex(0);
        // The start holds the values the reader left it with.
        QCOMPARE(staminaLine(s), u"0:7 1:7"_s);
    }

    // A step on a long route repaints only the end of the lines: what the window shows is
    // still the whole chart as a fresh drawing shows it.
    void aLongRouteIsRepaintedWhereItChanged()
    {
        Player s;
        s.form->sheet().setOrigin(0, 30);
        for (int i = 0; i < 300; ++i)
            step(s, 10 + (i * 7) % 13, 1 + (i * 37) % 400);
        QVERIFY(s.form->charts()->showCharts());
        auto *view = s.form->findChild<QChartView *>(u"AbilityChart"_s);
        QVERIFY(view && QTest::qWaitForWindowExposed(view->window()));
        QTest::qWait(50);
        // Steps within the values shown, so that the axes stay as they are: a step at a time,
        // and a few at once; a jump up and back down in the middle.
        for (int i = 0; i < 40; ++i) {
            const int burst = i % 5 == 4 ? 3 : 1;
            for (int b = 0; b < burst; ++b)
                step(s, i == 20 ? 21 : 10 + (i * 5 + b) % 12, 1 + i);
            QTest::qWait(20);
        }
        QTest::qWait(50);
        const QImage shown = onScreen(view->viewport());
        const QImage fresh =
            view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), fresh.size());
        QVERIFY2(shown == fresh, "the window shows lines a fresh drawing does not");
    }
    // The window opens beside the sheet: what the reader types next, and Enter, go to the
    // paragraph box.
    void theSheetKeepsTheKeyboard()
    {
        Player s;
        QTest::mouseClick(s.box(u"EditNow"_s), Qt::LeftButton);
        s.trigger(u"Charts1"_s);
        auto *window = s.form->findChild<QDialog *>(u"ChartWindow"_s);
        QVERIFY(window && QTest::qWaitForWindowExposed(window));
        QTRY_COMPARE(QApplication::activeWindow(), s.form.get());
        QTest::keyClicks(QApplication::focusWidget(), u"6"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(s.find<QPlainTextEdit>(u"MemoRoute"_s)->toPlainText().contains(u'6'));
    }

    // What the charts show can be read without seeing them: the tables hold the values, which
    // Ctrl+C copies as tab-separated rows.
    void theValuesReadAsTables()
    {
        Player s;
        s.type(u"EditAbl1Max"_s, u"20"_s);
        s.registerParagraph(u"12"_s);
        s.box(u"EditAbl1"_s)->selectAll();
        s.type(u"EditAbl1"_s, u"15"_s);
        s.registerParagraph(u"30"_s);
        s.trigger(u"Charts1"_s);
        auto *window = s.form->findChild<QDialog *>(u"ChartWindow"_s);
        auto *table = window->findChild<QTableView *>(u"AbilityTable"_s);
        window->findChild<QTabWidget *>(u"ChartTabs"_s)->setCurrentWidget(table);
        QTRY_COMPARE(table->model()->rowCount(), 3);
        table->selectRow(1);
        QTest::keyClick(table, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
        const QStringList rows = QGuiApplication::clipboard()->text().split(u'\n');
        QCOMPARE(rows[1].section(u'\t', 0, 1), u"12\t15"_s);
        QCOMPARE(rows[2].section(u'\t', 0, 1), u"30\t15"_s);
    }

    void theShownChartIsSavedAsPngAndSvg_data()
    {
        QTest::addColumn<int>("tab");
        QTest::newRow("abilities") << 0;
        QTest::newRow("dice") << 1;
    }
    void theShownChartIsSavedAsPngAndSvg()
    {
        QFETCH(int, tab);
        Player s;
        s.registerParagraph(u"7"_s);
        QVERIFY(s.form->charts()->showCharts());
        s.form->findChild<QTabWidget *>(u"ChartTabs"_s)->setCurrentIndex(tab);
        ChartWindowView *view = s.form->charts()->chartWindow();

        const QString png = s.dir.filePath(u"chart.png"_s);
        QCOMPARE(view->saveImage(png), QString());
        const QImage image(png, "PNG");
        QVERIFY(!image.isNull() && image.width() > 100 && image.height() > 100);

        const QString svg = s.dir.filePath(u"chart.svg"_s);
        QCOMPARE(view->saveImage(svg), QString());
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        int elements = 0;
        QString root;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && elements++ == 0)
                root = xml.name().toString();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(root, u"svg"_s);
        QVERIFY(elements > 10); // drawn, not an empty picture

        // A folder where the file would go: the failure is told, nothing is thrown.
        QVERIFY(QDir(s.dir.path()).mkdir(u"taken.png"_s));
        QVERIFY(!view->saveImage(s.dir.filePath(u"taken.png"_s)).isEmpty());
    }
};

QTEST_MAIN(TestCharts)
#include "tst_charts.moc"
