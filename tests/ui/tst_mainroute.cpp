#include "BoxAnswerer.h"
#include "CharacterRecord.h"
#include "FileError.h"
#include "MainFormFixture.h"
#include "RoutePanel.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

class TestMainRoute : public QObject
{
    Q_OBJECT

private:
    static QLineEdit *now(const MainFormFixture &f) { return f.find<QLineEdit>(u"EditNow"_s); }
    static void registerParagraph(const MainFormFixture &f, const QString &digits)
    {
        QLineEdit *box = now(f);
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, digits);
        QTest::keyClick(box, Qt::Key_Return);
    }
    static QList<int> route(const MainFormFixture &f)
    {
        QList<int> entries;
        for (int i = 1; i <= f.form->sheet().record().routeCount(); ++i)
            entries.append(f.form->sheet().record().routeAt(i));
        return entries;
    }
    static QString memo(const MainFormFixture &f)
    {
        return f.find<QPlainTextEdit>(u"MemoRoute"_s)->toPlainText();
    }
    static void name(const MainFormFixture &f, const QString &text)
    {
        f.find<QLineEdit>(u"EditName"_s)->setText(text);
    }

private Q_SLOTS:
    void zeroAndRepeatsAreNotRegistered()
    {
        MainFormFixture f;
        registerParagraph(f, u"0"_s);
        QCOMPARE(f.form->sheet().record().routeCount(), 0);
        QCOMPARE(now(f)->text(), u"0"_s);
        QCOMPARE(f.form->focusWidget(), now(f));

        registerParagraph(f, u"7"_s);
        QTest::keyClick(now(f), Qt::Key_Return); // the box shows "0" again: nothing more
        registerParagraph(f, u"7"_s);
        QCOMPARE(route(f), QList<int>({7}));
        registerParagraph(f, u"3"_s);
        registerParagraph(f, u"7"_s);
        QCOMPARE(route(f), QList<int>({7, 3, 7}));
        QCOMPARE(now(f)->text(), u"0"_s);
        QCOMPARE(memo(f), u"        7\n       ↓\n        3\n       ↓\n        7"_s);
    }

    void theParagraphBoxNormalisesWhatItHolds()
    {
        MainFormFixture f;
        QLineEdit *box = now(f);
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, u"0a5"_s);
        QCOMPARE(box->text(), u"5"_s);
        for (const QString &pasted : {u"x1"_s, u"-5"_s}) {
            QGuiApplication::clipboard()->setText(pasted);
            box->selectAll();
            box->paste();
            QCOMPARE(box->text(), u"0"_s);
        }
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(f.form->sheet().record().routeCount(), 0);
        // Four characters at most, typed or pasted.
        box->selectAll();
        QTest::keyClicks(box, u"12345"_s);
        QCOMPARE(box->text(), u"1234"_s);
        QGuiApplication::clipboard()->setText(u"567890"_s);
        box->selectAll();
        box->paste();
        QCOMPARE(box->text(), u"5678"_s);
    }

    void theFirstRegistrationOpensThePanelWhenTheSettingsSaySo()
    {
        MainFormFixture f;
        auto *panel = f.find<RoutePanel>(u"PanelRoute"_s);
        QVERIFY(!panel->isVisible());
        registerParagraph(f, u"12"_s);
        QVERIFY(panel->isVisible());
        QVERIFY(!panel->isFloating());
        QCOMPARE(f.form->width(), 624);
        for (const char16_t *item : {u"N8", u"N9"})
            QVERIFY(f.find<QAction>(QString::fromUtf16(item))->isEnabled());
        QVERIFY(f.find<QPushButton>(u"ClearButton"_s)->isEnabled());

        QTest::mouseClick(f.find<QPushButton>(u"CloseButton"_s), Qt::LeftButton);
        QVERIFY(!panel->isVisible());
        QCOMPARE(f.form->width(), 496);
        QVERIFY(f.find<QAction>(u"N8"_s)->isEnabled());
        registerParagraph(f, u"13"_s);
        QVERIFY(panel->isVisible());
        QCOMPARE(f.form->width(), 624);
    }

    void withoutAutomaticOpeningThePanelStaysHidden()
    {
        SettingsValues ini;
        ini.routePanelVisible = false;
        MainFormFixture f(ini);
        registerParagraph(f, u"12"_s);
        QVERIFY(!f.find<RoutePanel>(u"PanelRoute"_s)->isVisible());
        QCOMPARE(f.form->width(), 496);
        QVERIFY(f.find<QAction>(u"N8"_s)->isEnabled());
        f.find<QAction>(u"N8"_s)->trigger();
        QVERIFY(f.find<RoutePanel>(u"PanelRoute"_s)->isVisible());
        QCOMPARE(memo(f), u"       12"_s);
    }

    void clearingEmptiesEverything()
    {
        MainFormFixture f;
        name(f, u"Alice"_s);
        registerParagraph(f, u"12"_s);
        registerParagraph(f, u"13"_s);
        QVERIFY(f.find<QAction>(u"N10"_s)->isEnabled());
        f.find<QAction>(u"N9"_s)->trigger();
        QCOMPARE(f.form->sheet().record().routeCount(), 0);
        QCOMPARE(f.form->sheet().record().routeAt(0), 0);
        QCOMPARE(now(f)->text(), u"0"_s);
        QVERIFY(memo(f).isEmpty());
        QVERIFY(!f.find<RoutePanel>(u"PanelRoute"_s)->isVisible());
        QCOMPARE(f.form->width(), 496);
        for (const char16_t *item : {u"N8", u"N9", u"N10"})
            QVERIFY(!f.find<QAction>(QString::fromUtf16(item))->isEnabled());
        QVERIFY(!f.find<QPushButton>(u"OutputButton"_s)->isEnabled());
        QVERIFY(!f.find<QPushButton>(u"ClearButton"_s)->isEnabled());

        // A route begun after clearing shows from its first paragraph, with no arrow before it,
        // in the panel and in the report.
        registerParagraph(f, u"13"_s);
        QCOMPARE(route(f), QList<int>({13}));
        QCOMPARE(memo(f), u"       13"_s);
        registerParagraph(f, u"14"_s);
        QCOMPARE(memo(f), u"       13\n       ↓\n       14"_s);
        f.form->findChild<QAction *>(u"N10"_s)->trigger();
        QFile report(f.dir.filePath(u"Alice_Route.txt"_s));
        QVERIFY(report.open(QIODevice::ReadOnly));
        QVERIFY(report.readAll().endsWith("       13\r\n       \x81\xab\r\n       14\r\n"));
    }

    void exportNeedsTheVariablePartOfTheFileName_data()
    {
        QTest::addColumn<int>("fixType");
        QTest::addColumn<QString>("fixWord");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("word alone") << 0 << u"Route"_s << QString() << true << u"Route.txt"_s;
        QTest::newRow("no word") << 0 << QString() << u"Bob"_s << false << u".txt"_s;
        QTest::newRow("before") << 1 << u"Route"_s << u"Bob"_s << true << u"Route_Bob.txt"_s;
        QTest::newRow("after, no name") << 2 << u"Route"_s << QString() << false << u"_Route.txt"_s;
        QTest::newRow("after, no word") << 2 << QString() << u"Bob"_s << true << u"Bob_.txt"_s;
        QTest::newRow("unknown") << 7 << u"Route"_s << u"Bob"_s << true << u"Route.txt"_s;
        QTest::newRow("unknown, no name")
            << 7 << u"Route"_s << QString() << false << u"Route.txt"_s;
    }
    void exportNeedsTheVariablePartOfTheFileName()
    {
        QFETCH(int, fixType);
        QFETCH(QString, fixWord);
        QFETCH(QString, name);
        QFETCH(bool, enabled);
        QFETCH(QString, fileName);
        SettingsValues ini;
        ini.fixType = fixType;
        ini.fixWord = fixWord;
        MainFormFixture f(ini);
        TestMainRoute::name(f, name);
        registerParagraph(f, u"5"_s);
        QCOMPARE(f.find<QAction>(u"N10"_s)->isEnabled(), enabled);
        QCOMPARE(f.find<QPushButton>(u"OutputButton"_s)->isEnabled(), enabled);
        QCOMPARE(f.form->routeFileName(), fileName);
        QCOMPARE(f.find<QPushButton>(u"OutputButton"_s)->toolTip(),
                 u"道程を“"_s + fileName + u"”というファイル名でテキストファイルに書き出す"_s);
    }

    void renamingShowsTheNewFileNameInTheHint()
    {
        MainFormFixture f;
        name(f, u"Bob"_s);
        QVERIFY(f.find<QPushButton>(u"OutputButton"_s)->toolTip().contains(u"Bob_Route.txt"_s));
        name(f, u"Ann"_s);
        QVERIFY(f.find<QPushButton>(u"OutputButton"_s)->toolTip().contains(u"Ann_Route.txt"_s));
    }

    void theRouteReportIsWrittenBesideTheProgram()
    {
        MainFormFixture f;
        name(f, u"Alice"_s);
        for (const QString &p : {u"12"_s, u"345"_s, u"9999"_s})
            registerParagraph(f, p);
        QTest::mouseClick(f.find<QPushButton>(u"OutputButton"_s), Qt::LeftButton);
        QFile file(f.dir.filePath(u"Alice_Route.txt"_s));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray expected =
            "  * Alice *\r\n"
            "         \x81\x63\x81\x63\x82\xbb\x82\xcc\x8b\x4f\x90\xd5\r\n" +
            QByteArray(51, '-') +
            "\r\n"
            "       12\r\n"
            "       \x81\xab\r\n"
            "      345\r\n"
            "       \x81\xab\r\n"
            "     9999\r\n";
        QCOMPARE(file.readAll(), expected);
    }

    void aNameThatLeavesTheProgramDirectoryIsNotWritten()
    {
        MainFormFixture f;
        name(f, u"../x"_s);
        registerParagraph(f, u"5"_s);
        // Each export says why it wrote nothing, and the sheet goes on.
        BoxAnswerer answerer;
        f.form->findChild<QAction *>(u"N10"_s)->trigger();
        f.form->findChild<QAction *>(u"N7"_s)->trigger();
        QCOMPARE(answerer.texts.size(), 2);
        QVERIFY2(answerer.texts[0].contains(u"x_Route.txt"_s), qPrintable(answerer.texts[0]));
        QVERIFY(!QFile::exists(f.dir.filePath(u"../x_Route.txt"_s)));
        QVERIFY(!QFile::exists(f.dir.filePath(u"../x.txt"_s)));
        QCOMPARE(f.form->sheet().record().routeCount(), 1);
    }

    void aLongRouteKeepsTheViewAndTheRecordInStep()
    {
        MainFormFixture f;
        for (int i = 1; i <= 300; ++i)
            registerParagraph(f, QString::number(i % 2 ? i : 9999 - i));
        QCOMPARE(f.form->sheet().record().routeCount(), 300);
        auto *panel = f.find<RoutePanel>(u"PanelRoute"_s);
        QStringList expected;
        for (int i = 1; i <= 300; ++i) {
            if (i > 1)
                expected << u"       ↓"_s;
            expected << u"%1"_s.arg(f.form->sheet().record().routeAt(i), 9);
        }
        QCOMPARE(panel->routeViewLines(), expected);
    }
};

QTEST_MAIN(TestMainRoute)
#include "tst_mainroute.moc"
