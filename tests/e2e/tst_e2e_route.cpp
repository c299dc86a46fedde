#include "E2eSession.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Client positions of the main window, below its menu bar.
constexpr int ClientHeight = 410;
constexpr int ParagraphBoxX = 384 + 20;
constexpr int ParagraphBoxY = 264 + 10;
// The docked route panel sits against the sheet, in the strip the window widens by.
constexpr int SheetWidth = 496;
constexpr int DockedWidth = 624;
constexpr int OutputButtonX = SheetWidth + 9 + 24;
constexpr int OutputButtonY = 356 + 10;
// A point of the panel's top strip, which it is dragged by.
constexpr QPoint PanelGrip(60, 10);

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
        // The arrow keys reach the export from either end of the menu.
        QTest::newRow("File menu, arrow keys")
            << QStringList{u"alt+f"_s, u"Up"_s, u"Up"_s, u"Return"_s};
        QTest::newRow("panel button 書き出し") << QStringList();
    }
    void registeredParagraphsAreExportedAsTheRouteReport()
    {
        QFETCH(QStringList, keys);
        E2eSession session;
        QVERIFY2(session.putFile(u"diceroll.wav"_s, E2eSession::silentWave()),
                 session.lastErrorText());
        QVERIFY2(session.startProgram(), session.lastErrorText());
        const QString window = session.findWindow(u"Pelko"_s);
        QVERIFY2(!window.isEmpty(), session.lastErrorText());
        QVERIFY2(session.focus(window), session.lastErrorText());

        // The name box has the focus at start.
        QVERIFY2(session.type(u"Alice"_s), session.lastErrorText());
        QVERIFY2(!session.findWindow(u"Pelko, paired with * Alice *"_s).isEmpty(),
                 session.lastErrorText());

        const int menuBarHeight = session.windowSize(window).height() - ClientHeight;
        QVERIFY2(menuBarHeight > 0, session.lastErrorText());
        QVERIFY2(session.click(window, ParagraphBoxX, menuBarHeight + ParagraphBoxY),
                 session.lastErrorText());
        // The box keeps the focus after each registration and shows "0" again; ctrl+a selects
        // that, so the typed paragraph replaces it.
        for (const QString &paragraph : {u"12"_s, u"345"_s, u"9999"_s}) {
            QVERIFY2(session.key({u"ctrl+a"_s}), session.lastErrorText());
            QVERIFY2(session.type(paragraph), session.lastErrorText());
            QVERIFY2(session.key({u"Return"_s}), session.lastErrorText());
        }
        // The first registration opens the route panel docked at the right.
        QVERIFY2(session.waitForWidth(window, DockedWidth), session.lastErrorText());

        const QString report = session.programDirPath(u"Alice_Route.txt"_s);
        QVERIFY(!QFile::exists(report));
        if (keys.isEmpty())
            QVERIFY2(session.click(window, OutputButtonX, menuBarHeight + OutputButtonY),
                     session.lastErrorText());
        else
            QVERIFY2(session.key(keys), session.lastErrorText());
        QVERIFY2(session.waitForFile(report), session.lastErrorText());
        QCOMPARE(fileBytes(report), aliceReport());
        QVERIFY(session.programRunning());
    }

    void thePanelDocksWhereverItIsDroppedOverTheWindow()
    {
        E2eSession session;
        QVERIFY2(session.putFile(u"diceroll.wav"_s, E2eSession::silentWave()),
                 session.lastErrorText());
        QVERIFY2(session.startProgram(), session.lastErrorText());
        const QString window = session.findWindow(u"Pelko"_s);
        QVERIFY2(!window.isEmpty(), session.lastErrorText());
        QVERIFY2(session.focus(window), session.lastErrorText());
        const int menuBarHeight = session.windowSize(window).height() - ClientHeight;
        QVERIFY2(session.click(window, ParagraphBoxX, menuBarHeight + ParagraphBoxY),
                 session.lastErrorText());
        QVERIFY2(session.key({u"ctrl+a"_s}) && session.type(u"12"_s) && session.key({u"Return"_s}),
                 session.lastErrorText());
        QVERIFY2(session.waitForWidth(window, DockedWidth), session.lastErrorText());
        const QPoint client = session.windowPosition(window) + QPoint(0, menuBarHeight);

        // Dropped on the left and right ends of the strip the window widens by while the panel
        // is dragged, and over the sheet: each time the panel docks.
        for (const QPoint &drop :
             {QPoint(SheetWidth + 4, 100), QPoint(DockedWidth - 6, 400), QPoint(200, 150)}) {
            const QPoint docked = client + QPoint(SheetWidth, 0) + PanelGrip;
            QVERIFY2(session.drag(docked, docked + QPoint(400, 250)), session.lastErrorText());
            const QString floating = session.findWindow(u"道程"_s);
            QVERIFY2(!floating.isEmpty(), session.lastErrorText());
            QVERIFY2(session.waitForWidth(window, SheetWidth), session.lastErrorText());

            QVERIFY2(session.drag(session.windowPosition(floating) + PanelGrip, client + drop),
                     session.lastErrorText());
            QVERIFY2(session.waitForNoWindow(u"道程"_s), session.lastErrorText());
            QVERIFY2(session.waitForWidth(window, DockedWidth), session.lastErrorText());
        }
        QVERIFY(session.programRunning());
    }
};

QTEST_GUILESS_MAIN(TestE2eRoute)
#include "tst_e2e_route.moc"
