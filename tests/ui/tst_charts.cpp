#include "ChartCommands.h"
#include "ChartsModule.h"
#include "SheetUndoFixture.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QChartView>
#include <QClipboard>
#include <QDialog>
#include <QGraphicsTextItem>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocument>
#include <QValueAxis>
#include <QXmlStreamReader>

#include <climits>
#include <numeric>

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

// The labels a chart shows: left of the plot (the value axis) and below it (the categories and
// the legend), each as its text reads on screen.
struct ChartLabels
{
    QStringList left;
    QStringList below;
    QList<QRectF> belowAt; // where each label below stands, as its text is wide
};

ChartLabels labelsOf(const QChartView *view)
{
    const QRectF plot = view->chart()->mapRectToScene(view->chart()->plotArea());
    ChartLabels labels;
    for (const QGraphicsItem *item : view->scene()->items()) {
        const auto *text = qgraphicsitem_cast<const QGraphicsTextItem *>(item);
        if (!text || !text->isVisible() || text->toPlainText().isEmpty())
            continue;
        const QRectF at = text->sceneBoundingRect();
        if (at.right() <= plot.left() + 1)
            labels.left.append(text->toPlainText());
        else if (at.top() >= plot.bottom() - 1) {
            labels.below.append(text->toPlainText());
            // The item is as wide as its text, and as tall as a line.
            const double margin = text->document()->documentMargin();
            labels.belowAt.append(
                text->mapRectToScene(QRectF(QPointF(0, 0), text->document()->size())
                                         .adjusted(margin, margin, -margin, -margin)));
        }
    }
    return labels;
}

// A value axis a person can read: whole numbers (or at least distinct ones), none cut short.
void checkValueLabels(const QStringList &labels)
{
    QVERIFY2(labels.size() >= 2, qPrintable(labels.join(u", "_s)));
    QCOMPARE(QSet<QString>(labels.cbegin(), labels.cend()).size(), labels.size());
    for (const QString &label : labels) {
        bool number = false;
        label.toLongLong(&number);
        QVERIFY2(number, qPrintable(label));
    }
}

// The first label of a chart shown in window that is cut short, with the chart's name.
QString cutLabel(const QWidget *window)
{
    for (const QChartView *shown : window->findChildren<QChartView *>()) {
        if (!shown->isVisible())
            continue;
        const ChartLabels labels = labelsOf(shown);
        for (const QString &label : labels.left + labels.below) {
            if (label.contains(u'…') || label.contains(u"..."_s))
                return shown->objectName() + u": "_s + label;
        }
        for (qsizetype i = 0; i < labels.belowAt.size(); ++i) {
            for (qsizetype j = i + 1; j < labels.belowAt.size(); ++j) {
                if (labels.belowAt[i].intersects(labels.belowAt[j]))
                    return shown->objectName() + u": "_s + labels.below[i] + u" over "_s +
                           labels.below[j];
            }
        }
    }
    return {};
}

// Catches every modal dialog that comes up while it lives, and answers it with Cancel.
struct ModalCatcher
{
    QStringList opened;
    QTimer timer;
    ModalCatcher()
    {
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                opened.append(dialog->objectName());
                dialog->reject();
            }
        });
        timer.start(10);
    }
};

// A key as a person types it: to whatever has the keyboard.
void typeToFocus(const QString &text, Qt::Key key)
{
    if (!text.isEmpty())
        QTest::keyClicks(QApplication::focusWidget(), text);
    QTest::keyClick(QApplication::focusWidget(), key);
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
        // However thin the line, it ends at the value the sheet holds now.
        const QString drawn = staminaLine(s);
        QCOMPARE(drawn.section(u' ', -1),
                 u"%1:%2"_s.arg(s.form->charts()->track().points().size() - 1)
                     .arg(s.form->sheet().record().current(0)));
        const QImage shown = onScreen(view->viewport());
        const QImage fresh =
            view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), fresh.size());
        QVERIFY2(shown == fresh, "the window shows lines a fresh drawing does not");
    }
    // The window opens beside the sheet: what the reader types next, and Enter, go to the
    // paragraph box, and no picture is saved without a save dialog the reader answered.
    void theSheetKeepsTheKeyboard()
    {
        Player s;
        QLineEdit *paragraph = s.box(u"EditNow"_s);
        QTest::mouseClick(paragraph, Qt::LeftButton);
        s.trigger(u"Charts1"_s);
        auto *window = s.form->findChild<QDialog *>(u"ChartWindow"_s);
        QVERIFY(window && QTest::qWaitForWindowExposed(window));
        QTRY_COMPARE(QApplication::activeWindow(), s.form.get());

        ModalCatcher modals;
        typeToFocus(u"6"_s, Qt::Key_Return);
        typeToFocus({}, Qt::Key_Return);
        QTest::qWait(50);
        QCOMPARE(modals.opened, QStringList());
        QVERIFY2(s.find<QPlainTextEdit>(u"MemoRoute"_s)->toPlainText().contains(u'6'),
                 qPrintable(s.find<QPlainTextEdit>(u"MemoRoute"_s)->toPlainText()));

        // Within the window, Enter presses no button either, wherever the keyboard is in it.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        const QList<QWidget *> stops = window->findChildren<QWidget *>();
        for (QWidget *stop : stops) {
            if (!stop->isVisible() || !(stop->focusPolicy() & Qt::TabFocus))
                continue;
            stop->setFocus();
            typeToFocus({}, Qt::Key_Return);
            typeToFocus({}, Qt::Key_Enter);
        }
        QTest::qWait(50);
        QCOMPARE(modals.opened, QStringList());
    }

    // Every bar of the dice charts is labelled whole at the window's first size, the counts in
    // whole numbers; a hundred-sided pair is charted by tens against an even share.
    void theDiceChartsReadWhole_data()
    {
        QTest::addColumn<QList<QList<int>>>("rolls"); // faces, then the total
        QTest::addColumn<QString>("chart");
        QTest::addColumn<QStringList>("categories");
        QList<QList<int>> twoD6;
        for (int a = 1; a <= 6; ++a)
            for (int b = 1; b <= 6; ++b)
                twoD6.append({a, b, a + b});
        QStringList totals;
        for (int t = 2; t <= 12; ++t)
            totals.append(QString::number(t));
        QTest::newRow("2D6") << twoD6 << u"TotalsChart"_s << totals;
        QTest::newRow("a few throws") << QList<QList<int>>{{5, 5}, {5, 5}, {3, 3}}
                                      << u"FacesChart"_s << QStringList{u"1"_s, u"6"_s};
        QList<QList<int>> percentile;
        for (int tens = 0; tens <= 9; ++tens)
            for (int units = 0; units <= 9; units += 3)
                percentile.append({tens, units, tens * 10 + units == 0 ? 100 : tens * 10 + units});
        QStringList tens;
        for (int first = 1; first <= 91; first += 10)
            tens.append(u"%1–%2"_s.arg(first).arg(first + 9));
        QTest::newRow("percentile") << percentile << u"HundredsChart"_s << tens;
        QList<QList<int>> tenDice;
        for (int roll = 0; roll < 20; ++roll) {
            QList<int> faces;
            for (int die = 0; die < 10; ++die)
                faces.append(1 + (roll * 7 + die * 3) % 6);
            faces.append(std::accumulate(faces.cbegin(), faces.cend(), 0));
            tenDice.append(faces);
        }
        QTest::newRow("ten dice") << tenDice << u"TotalsChart"_s << QStringList{u"20"_s, u"40"_s};
        // Sums of dice that may show 0: every other total is labelled.
        QTest::newRow("percentile and 2D6")
            << percentile + twoD6 << u"TotalsChart"_s << QStringList{u"2"_s, u"12"_s};
    }
    void theDiceChartsReadWhole()
    {
        QFETCH(QList<QList<int>>, rolls);
        QFETCH(QString, chart);
        QFETCH(QStringList, categories);
        Player s;
        for (QList<int> roll : rolls) {
            const int total = roll.takeLast();
            s.form->history().addDice(roll, total);
        }
        QVERIFY(s.form->charts()->showCharts());
        auto *window = s.form->findChild<QDialog *>(u"ChartWindow"_s);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->findChild<QTabWidget *>(u"ChartTabs"_s)->setCurrentIndex(1);
        auto *view = window->findChild<QChartView *>(chart);
        QTRY_VERIFY(view->isVisible() && !labelsOf(view).below.isEmpty());
        // Once laid out, no chart shows a label cut short.
        QTRY_COMPARE(cutLabel(window), QString());
        for (const QChartView *shown : window->findChildren<QChartView *>()) {
            if (shown->isVisible())
                checkValueLabels(labelsOf(shown).left);
        }
        const QStringList below = labelsOf(view).below;
        for (const QString &category : categories)
            QVERIFY2(below.contains(category), qPrintable(below.join(u", "_s)));
        if (chart == u"HundredsChart"_s) {
            // A hundred-sided reading is no sum: no totals chart of two dice beside it.
            QVERIFY(!window->findChild<QChartView *>(u"TotalsChart"_s)->isVisible());
        }
    }

    // The value axis holds the whole line and reads distinct whole numbers, for a level line
    // and for values at the ends of int.
    void theValueAxisHoldsTheLine_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::newRow("level at 0") << QList<int>{0, 0, 0};
        QTest::newRow("level at 15") << QList<int>{15, 15};
        QTest::newRow("the ends of int") << QList<int>{INT_MAX, INT_MIN, INT_MAX};
        QTest::newRow("near the top of int") << QList<int>{INT_MAX - 3, INT_MAX};
    }
    void theValueAxisHoldsTheLine()
    {
        QFETCH(QList<int>, values);
        Player s;
        QVERIFY(s.form->charts()->showCharts());
        auto *view = s.form->findChild<QChartView *>(u"AbilityChart"_s);
        QVERIFY(QTest::qWaitForWindowExposed(view->window()));
        QList<AbilityTrack::Point> points;
        for (int value : values) {
            AbilityTrack::Point point;
            point.paragraph = std::uint16_t(points.size());
            point.known = true;
            point.values.fill(value);
            points.append(point);
        }
        s.form->charts()->chartWindow()->showTrack({{u"体力"_s, 0}}, points, 0);
        const auto *axis = qobject_cast<QValueAxis *>(view->chart()->axes(Qt::Vertical).value(0));
        QVERIFY(axis);
        for (int value : values)
            QVERIFY2(
                axis->min() <= value && value <= axis->max(),
                qPrintable(u"%1 outside %2..%3"_s.arg(value).arg(axis->min()).arg(axis->max())));
        QTRY_COMPARE(labelsOf(view).left.size(), axis->tickCount());
        checkValueLabels(labelsOf(view).left);
    }

    // What the charts show can be read without seeing them: every chart and table has a name, and
    // the tables hold the values, which Ctrl+C copies as tab-separated rows.
    void theValuesReadAsTables()
    {
        Player s;
        s.type(u"EditAbl1Max"_s, u"20"_s);
        s.registerParagraph(u"12"_s);
        s.box(u"EditAbl1"_s)->selectAll();
        s.type(u"EditAbl1"_s, u"15"_s);
        s.registerParagraph(u"30"_s);
        s.form->history().addDice({3, 4}, 7);
        s.trigger(u"Charts1"_s);
        auto *window = s.form->findChild<QDialog *>(u"ChartWindow"_s);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        for (QWidget *shown : window->findChildren<QWidget *>()) {
            if (qobject_cast<QChartView *>(shown) || qobject_cast<QTableView *>(shown)) {
                QVERIFY2(!QAccessible::queryAccessibleInterface(shown)
                              ->text(QAccessible::Name)
                              .isEmpty(),
                         qPrintable(shown->objectName()));
            }
        }
        auto *tabs = window->findChild<QTabWidget *>(u"ChartTabs"_s);
        auto *abilities = window->findChild<QTableView *>(u"AbilityTable"_s);
        tabs->setCurrentWidget(abilities);
        const QString name = s.form->sheet().settings().names[0];
        QTRY_COMPARE(abilities->model()->rowCount(), 3);
        abilities->setFocus();
        abilities->selectRow(1);
        QTest::keyClick(abilities, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(abilities, Qt::Key_C, Qt::ControlModifier);
        const QStringList copied = QGuiApplication::clipboard()->text().split(u'\n');
        QCOMPARE(copied.value(0).section(u'\t', 0, 1), u"パラグラフ\t"_s + name);
        QCOMPARE(copied.value(1).section(u'\t', 0, 1), u"12\t15"_s);
        QCOMPARE(copied.value(2).section(u'\t', 0, 1), u"30\t15"_s);
        QCOMPARE(copied.size(), 4); // and the line end of the last row

        s.box(u"EditAbl1"_s)->selectAll();
        s.type(u"EditAbl1"_s, u"9"_s);
        s.registerParagraph(u"44"_s);
        // A registration adds a row; the row it leaves and the new one hold the values now.
        QTRY_COMPARE(abilities->model()->rowCount(), 4);
        QCOMPARE(abilities->model()->index(2, 1).data().toString(), u"9"_s);
        QCOMPARE(abilities->model()->index(3, 0).data().toString(), u"44"_s);
        QCOMPARE(abilities->model()->index(3, 1).data().toString(), u"9"_s);

        auto *dice = window->findChild<QTableView *>(u"DiceTable"_s);
        tabs->setCurrentWidget(dice);
        dice->setFocus();
        dice->selectAll();
        QTest::keyClick(dice, Qt::Key_C, Qt::ControlModifier);
        QVERIFY2(QGuiApplication::clipboard()->text().contains(u"合計の分布\t7\t1\t"_s),
                 qPrintable(QGuiApplication::clipboard()->text()));
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
