#include "E2eSession.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A point of the docked route panel's top strip, which it is dragged by.
constexpr QPoint PanelGrip(60, 10);

// The route report of Alice after 12, 345 and 9999, in code page 932 with CR LF. The Japanese
// bytes are written out here rather than made by the program's own encoder.
QByteArray aliceReport()
{
    const QByteArray arrow = "       \x81\xAB"; // seven spaces and the down arrow
    const QList<QByteArray> lines = {
        "  * Alice *",
        // nine spaces, two ellipses and "sono kiseki"
        "         \x81\x63\x81\x63\x82\xBB\x82\xCC\x8B\x4F\x90\xD5",
        QByteArray(51, '-'),
        "       12",
        arrow,
        "      345",
        arrow,
        "     9999",
    };
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes += line + "\r\n";
    return bytes;
}

} // namespace

class TestE2eRoute : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void registeredParagraphsAreExportedAsTheRouteReport_data()
    {
        // How the export is asked for: keys pressed in the main window, or a click on the
        // panel's button when there are none.
        QTest::addColumn<QStringList>("keys");
        // "保存(&S)" shares its letter with the export item, so the letter only selects and
        // Return chooses; with no save file yet, "保存(&S)" is disabled and S selects the export.
        QTest::newRow("File menu, letter S") << QStringList{u"alt+f"_s, u"s"_s, u"Return"_s};
        // The arrow keys reach the export from either end of the menu: up past "終了(&X)" and
        // "印刷(&P)...".
        QTest::newRow("File menu, arrow keys")
            << QStringList{u"alt+f"_s, u"Up"_s, u"Up"_s, u"Up"_s, u"Return"_s};
        QTest::newRow("panel button 書き出し") << QStringList();
    }
    void registeredParagraphsAreExportedAsTheRouteReport()
    {
        QFETCH(QStringList, keys);
        E2eSession session;
        const QString window = session.startMainWindow();
        E2E_STEP(!window.isEmpty());

        // The name box has the focus at start.
        E2E_STEP(session.type(u"Alice"_s));
        E2E_STEP(!session.findWindow(u"Pelko, paired with * Alice *"_s).isEmpty());
        E2E_STEP(session.registerParagraphs(window, {u"12"_s, u"345"_s, u"9999"_s}));
        // The first registration opens the route panel docked at the right.
        E2E_STEP(session.waitForWidth(window, E2eSession::DockedWidth));

        const QString report = session.programDirPath(u"Alice_Route.txt"_s);
        QVERIFY(!QFile::exists(report));
        if (keys.isEmpty())
            E2E_STEP(session.clickInClient(window, E2eSession::RouteExportButton));
        else
            E2E_STEP(session.key(keys));
        E2E_STEP(session.waitForFile(report));
        QCOMPARE(E2eSession::fileBytes(report), aliceReport());
        QVERIFY(session.programRunning());
    }

    void thePanelDocksWhereverItIsDroppedOverTheWindow()
    {
        constexpr int SheetWidth = E2eSession::SheetWidth;
        constexpr int DockedWidth = E2eSession::DockedWidth;
        E2eSession session;
        const QString window = session.startMainWindow();
        E2E_STEP(!window.isEmpty());
        E2E_STEP(session.registerParagraphs(window, {u"12"_s}));
        E2E_STEP(session.waitForWidth(window, DockedWidth));
        const QPoint client = session.clientPosition(window);
        E2E_STEP(!client.isNull());

        // Dropped on the left and right ends of the strip the window widens by while the panel
        // is dragged, and over the sheet: each time the panel docks.
        for (const QPoint &drop :
             {QPoint(SheetWidth + 4, 100), QPoint(DockedWidth - 6, 400), QPoint(200, 150)}) {
            const QPoint docked = client + QPoint(SheetWidth, 0) + PanelGrip;
            E2E_STEP(session.drag(docked, docked + QPoint(400, 250)));
            const QString floating = session.findWindow(u"道程"_s);
            E2E_STEP(!floating.isEmpty());
            E2E_STEP(session.waitForWidth(window, SheetWidth));

            E2E_STEP(session.drag(session.windowPosition(floating) + PanelGrip, client + drop));
            E2E_STEP(session.waitForNoWindow(u"道程"_s));
            E2E_STEP(session.waitForWidth(window, DockedWidth));
        }
        QVERIFY(session.programRunning());
    }
};

QTEST_GUILESS_MAIN(TestE2eRoute)
#include "tst_e2e_route.moc"
