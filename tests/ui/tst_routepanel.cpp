#include "Fonts.h"
#include "RoutePanel.h"
#include "RouteText.h"

#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

using namespace Qt::StringLiterals;

using Route = QList<std::uint16_t>;

namespace {

// The panel as the window holds it: docked at the right of a 496-pixel sheet.
struct Window
{
    QMainWindow window;
    RoutePanel *panel = new RoutePanel(&window);

    Window()
    {
        auto *sheet = new QWidget;
        sheet->setFixedSize(496, RoutePanel::PanelHeight);
        window.setCentralWidget(sheet);
        window.addDockWidget(Qt::RightDockWidgetArea, panel);
    }
    bool show()
    {
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
    QPlainTextEdit *memo() const { return panel->findChild<QPlainTextEdit *>(u"MemoRoute"_s); }
    QPushButton *button(const QString &name) const { return panel->findChild<QPushButton *>(name); }
    QWidget *strip() const { return panel->titleBarWidget(); }
};

Route routeOf(int count)
{
    Route route;
    for (int i = 1; i <= count; ++i)
        route.append(std::uint16_t(i * 37 % 10000));
    return route;
}

bool newestInView(QPlainTextEdit *memo)
{
    QTextCursor end(memo->document());
    end.movePosition(QTextCursor::End);
    return memo->viewport()->rect().contains(memo->cursorRect(end));
}

} // namespace

class TestRoutePanel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void controlsCarryTheirNamesCaptionsAndHints()
    {
        Window w;
        RoutePanel *panel = w.panel;
        QCOMPARE(panel->objectName(), u"PanelRoute"_s);
        QCOMPARE(panel->windowTitle(), u"道程"_s);
        QCOMPARE(panel->allowedAreas(), Qt::RightDockWidgetArea);
        QCOMPARE(panel->features(),
                 QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);

        auto *label = panel->findChild<QLabel *>(u"LabelRoute"_s);
        QVERIFY(label);
        QCOMPARE(label->text(), u"道程"_s);
        QCOMPARE(label->font(), Fonts::proportional(16, true));

        QPlainTextEdit *memo = w.memo();
        QVERIFY(memo);
        QVERIFY(memo->isReadOnly());
        QCOMPARE(memo->toolTip(), u"道程"_s);
        QVERIFY(!(memo->focusPolicy() & Qt::TabFocus));
        QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(memo->font(), Fonts::fixedPitch(16, true));
        QCOMPARE(memo->palette().color(QPalette::Base), memo->palette().color(QPalette::Button));

        QCOMPARE(w.button(u"OutputButton"_s)->text(), u"書き出し"_s);
        QVERIFY(!w.button(u"OutputButton"_s)->isEnabled());
        QCOMPARE(w.button(u"ClearButton"_s)->text(), u"クリア"_s);
        QCOMPARE(w.button(u"ClearButton"_s)->toolTip(), u"道程をクリアする"_s);
        QVERIFY(!w.button(u"ClearButton"_s)->isEnabled());
        QCOMPARE(w.button(u"CloseButton"_s)->text(), u"閉じる"_s);
        QCOMPARE(w.button(u"CloseButton"_s)->toolTip(), u"パネルを閉じる"_s);
        QVERIFY(w.button(u"CloseButton"_s)->isEnabled());

        panel->setRouteFileName(u"Alice_Route.txt"_s);
        QCOMPARE(w.button(u"OutputButton"_s)->toolTip(),
                 RouteText::outputButtonHint(u"Alice_Route.txt"_s));
    }

    void dockedPanelHasItsFixedSizeAndPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("place");
        QTest::newRow("memo") << u"MemoRoute"_s << QRect(4, 28, 113, 317);
        QTest::newRow("output") << u"OutputButton"_s << QRect(9, 356, 49, 20);
        QTest::newRow("clear") << u"ClearButton"_s << QRect(65, 356, 49, 20);
        QTest::newRow("close") << u"CloseButton"_s << QRect(65, 379, 49, 20);
    }
    void dockedPanelHasItsFixedSizeAndPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QRect, place);
        Window w;
        QVERIFY(w.show());
        QCOMPARE(w.panel->size(), QSize(RoutePanel::PanelWidth, RoutePanel::PanelHeight));
        auto *label = w.panel->findChild<QLabel *>(u"LabelRoute"_s);
        QCOMPARE(label->mapTo(w.panel, QPoint()), QPoint(8, 8));
        auto *control = w.panel->findChild<QWidget *>(name);
        QCOMPARE(QRect(control->mapTo(w.panel, QPoint()), control->size()), place);
    }

    void appendingShowsWhatARebuildShows_data()
    {
        QTest::addColumn<Route>("route");
        QTest::newRow("one entry") << Route{12};
        QTest::newRow("12, 345, 9999") << Route{12, 345, 9999};
        QTest::newRow("7, 3, 7") << Route{7, 3, 7};
        QTest::newRow("more than the memo shows") << routeOf(60);
    }
    void appendingShowsWhatARebuildShows()
    {
        QFETCH(Route, route);
        Window appended;
        Window rebuilt;
        QVERIFY(appended.show());
        QVERIFY(rebuilt.show());
        for (const std::uint16_t paragraph : route)
            appended.panel->appendParagraph(paragraph);
        rebuilt.panel->setRoute(route);

        const QStringList lines = RouteText::routeViewLines(route);
        QCOMPARE(appended.panel->routeViewLines(), lines);
        QCOMPARE(rebuilt.panel->routeViewLines(), lines);
        QCOMPARE(appended.memo()->toPlainText(), rebuilt.memo()->toPlainText());
        QCOMPARE(appended.memo()->verticalScrollBar()->value(),
                 rebuilt.memo()->verticalScrollBar()->value());
        QVERIFY(newestInView(appended.memo()));
        QVERIFY(newestInView(rebuilt.memo()));
    }

    void newestParagraphIsInViewAfterEveryChange()
    {
        Window w;
        QVERIFY(w.show());
        w.panel->setRoute(routeOf(40));
        QVERIFY(w.memo()->verticalScrollBar()->maximum() > 0);
        QVERIFY(newestInView(w.memo()));

        w.memo()->verticalScrollBar()->setValue(0);
        w.panel->appendParagraph(1);
        QVERIFY(newestInView(w.memo()));

        // Registered while the panel is closed, shown when it opens again.
        w.panel->hide();
        for (int i = 0; i < 20; ++i)
            w.panel->appendParagraph(std::uint16_t(100 + i));
        w.panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        QVERIFY(newestInView(w.memo()));
    }

    void clearingEmptiesTheViewAndTheNextParagraphStandsAlone()
    {
        Window w;
        w.panel->setRoute({12, 345});
        w.panel->clearRoute();
        QCOMPARE(w.panel->routeViewLines(), QStringList{});
        QCOMPARE(w.memo()->toPlainText(), QString());
        w.panel->appendParagraph(5);
        QCOMPARE(w.panel->routeViewLines(), QStringList{u"        5"_s});
        w.panel->setRoute({});
        QCOMPARE(w.panel->routeViewLines(), QStringList{});
    }

    void buttonsReportTheirClicks()
    {
        Window w;
        QVERIFY(w.show());
        w.panel->setOutputEnabled(true);
        w.panel->setClearEnabled(true);
        QSignalSpy output(w.panel, &RoutePanel::outputClicked);
        QSignalSpy clear(w.panel, &RoutePanel::clearClicked);
        QSignalSpy close(w.panel, &RoutePanel::closeClicked);
        QTest::mouseClick(w.button(u"OutputButton"_s), Qt::LeftButton);
        QTest::mouseClick(w.button(u"ClearButton"_s), Qt::LeftButton);
        QTest::mouseClick(w.button(u"CloseButton"_s), Qt::LeftButton);
        QCOMPARE(output.size(), 1);
        QCOMPARE(clear.size(), 1);
        QCOMPARE(close.size(), 1);

        w.panel->setOutputEnabled(false);
        w.panel->setClearEnabled(false);
        QTest::mouseClick(w.button(u"OutputButton"_s), Qt::LeftButton);
        QTest::mouseClick(w.button(u"ClearButton"_s), Qt::LeftButton);
        QCOMPARE(output.size(), 1);
        QCOMPARE(clear.size(), 1);
    }

    void draggingOffFloatsAndDraggingBackDocks()
    {
        Window w;
        QVERIFY(w.show());
        w.panel->setRoute(routeOf(40));
        QSignalSpy started(w.panel, &RoutePanel::dragStarted);
        QSignalSpy settled(w.panel, &RoutePanel::dockSettled);

        const auto drag = [&](const QPoint &globalTarget) {
            QWidget *strip = w.strip();
            const QPoint grip(60, 14);
            const QPoint from = strip->mapToGlobal(grip);
            QTest::mousePress(strip, Qt::LeftButton, {}, grip);
            for (int step = 1; step <= 20; ++step)
                QTest::mouseMove(strip,
                                 strip->mapFromGlobal(from + (globalTarget - from) * step / 20));
            QWidget *grabber = QWidget::mouseGrabber() ? QWidget::mouseGrabber() : strip;
            QTest::mouseRelease(grabber, Qt::LeftButton, {}, grabber->mapFromGlobal(globalTarget));
        };

        drag(w.window.mapToGlobal(QPoint(200, 300)) - QPoint(400, 0));
        QCOMPARE(started.size(), 1);
        QTRY_COMPARE(settled.size(), 1);
        QCOMPARE(settled.at(0).at(0).toBool(), true);
        QVERIFY(w.panel->isFloating());
        QVERIFY(w.panel->windowFlags() & Qt::Tool);
        QCOMPARE(w.panel->windowTitle(), u"道程"_s);
        QVERIFY(newestInView(w.memo()));

        // A drop anywhere over the window docks the panel at its right, over the sheet too.
        for (const QPoint &drop : {QPoint(600, 200), QPoint(100, 100)}) {
            drag(w.window.mapToGlobal(drop));
            QTRY_COMPARE(settled.size(), started.size());
            QCOMPARE(settled.last().at(0).toBool(), false);
            QVERIFY(!w.panel->isFloating());
            QCOMPARE(w.panel->size(), QSize(RoutePanel::PanelWidth, RoutePanel::PanelHeight));
            drag(w.window.mapToGlobal(QPoint(200, 300)) - QPoint(400, 0));
            QTRY_VERIFY(w.panel->isFloating());
        }
        QCOMPARE(started.size(), 5);
    }

    void doubleClickOnTheStripFloatsWithoutADrag()
    {
        Window w;
        QVERIFY(w.show());
        QSignalSpy started(w.panel, &RoutePanel::dragStarted);
        QSignalSpy settled(w.panel, &RoutePanel::dockSettled);
        QTest::mouseDClick(w.strip(), Qt::LeftButton, {}, QPoint(60, 14));
        QTRY_COMPARE(settled.size(), 1);
        QCOMPARE(settled.at(0).at(0).toBool(), true);
        QCOMPARE(started.size(), 0);
    }
};

QTEST_MAIN(TestRoutePanel)
#include "tst_routepanel.moc"
