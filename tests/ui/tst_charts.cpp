#include "ChartCommands.h"
#include "ChartsModule.h"
#include "SheetUndoFixture.h"

#include <QAbstractItemView>
#include <QChartView>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QTabWidget>
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
        auto *verdict = s.form->findChild<QLabel *>(u"DiceVerdict"_s);
        QVERIFY(verdict);
        const QString before = verdict->text();
        for (int i = 0; i < 60; ++i)
            s.form->history().addDice({6}, 6);
        // Sixty sixes in a row: no fair die does that.
        QTRY_VERIFY(verdict->text() != before);
        QVERIFY2(verdict->text().contains(u"警告"_s), qPrintable(verdict->text()));
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
