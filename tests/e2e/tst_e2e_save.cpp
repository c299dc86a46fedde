#include "E2eSession.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

// Qt's own save dialog, titled by Qt's translations ("Save As" without them).
const QStringList SaveDialogTitles = {u"名前を付けて保存"_s, u"Save As"_s};

// The save file layout, field by field: fixed text fields of 21 bytes, little-endian
// integers, the inventory as chunks of 33 UTF-16LE units.
class SaveFileBytes
{
public:
    void text(const QByteArray &ascii)
    {
        QByteArray field = ascii.left(20);
        field.resize(21, '\0');
        m_bytes += field;
    }
    void int32(qint32 value)
    {
        char le[4];
        qToLittleEndian(value, le);
        m_bytes.append(le, 4);
    }
    void uint16(quint16 value)
    {
        char le[2];
        qToLittleEndian(value, le);
        m_bytes.append(le, 2);
    }
    void inventory(const QString &text)
    {
        const qsizetype units = text.size();
        const qint32 lastChunk = static_cast<qint32>((units + 31) / 32 - 1);
        int32(lastChunk);
        for (qint32 c = 0; c <= lastChunk; ++c) {
            const QString piece = text.mid(c * 32, 32);
            for (int i = 0; i < 33; ++i)
                uint16(i < piece.size() ? piece.at(i).unicode() : 0);
        }
    }
    void byte(char value) { m_bytes.append(value); }
    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

} // namespace

class TestE2eSave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aSheetSavedAsReopensFromTheCommandLineAndSavesUnchanged()
    {
        E2eSession session;
        // Three flags, so that the save file holds flag bytes too.
        E2E_STEP(session.putFile(u"Default.ini"_s, "[Flags]\r\nFlagNumber=3\r\n"));
        const QString window = session.startMainWindow();
        E2E_STEP(!window.isEmpty());

        // Focus order with the default three abilities: name, three origins, three current
        // values, money, inventory, paragraph, its button, flags. Tabbing into a box selects
        // its "0", so typed digits replace it.
        E2E_STEP(session.type(u"Bob"_s));
        const QString title = u"Pelko, paired with * Bob *"_s;
        E2E_STEP(!session.findWindow(title).isEmpty());
        E2E_STEP(session.key({u"Tab"_s}));
        // Link mode is on at start: the current value follows the origin.
        E2E_STEP(session.type(u"12"_s));
        E2E_STEP(session.key(QStringList(6, u"Tab"_s)));
        E2E_STEP(session.type(u"300"_s));
        E2E_STEP(session.key({u"Tab"_s}));
        const QString inventory =
            u"長剣、革の鎧、ランタン、ロープ（１０ｍ）\n保存食３日分、回復の水薬２本"_s;
        E2E_STEP(session.paste(inventory));
        E2E_STEP(session.key({u"Tab"_s}));
        E2E_STEP(session.type(u"7"_s));
        E2E_STEP(session.key({u"Return"_s}));
        E2E_STEP(session.waitForWidth(window, E2eSession::DockedWidth));
        // Past the button into the flags: the first flag is current; tick the second.
        E2E_STEP(session.key({u"Tab"_s, u"Tab"_s, u"Down"_s, u"space"_s}));

        E2E_STEP(!session.openDialog({u"alt+f"_s, u"a"_s}, SaveDialogTitles).isEmpty());
        // The dialog proposes "Bob.pkd", selected; a name typed without ending gets ".pkd".
        E2E_STEP(session.key({u"ctrl+a"_s}));
        E2E_STEP(session.type(u"hero"_s));
        E2E_STEP(session.key({u"Return"_s}));
        const QString saved = session.programDirPath(u"hero.pkd"_s);
        E2E_STEP(session.waitForFile(saved));
        for (const QString &dialogTitle : SaveDialogTitles)
            E2E_STEP(session.waitForNoWindow(dialogTitle));

        SaveFileBytes expected;
        expected.text("0.6.1.0");
        expected.text("Default.ini");
        expected.text("Bob");
        for (int pass = 0; pass < 2; ++pass) { // origins, then current values
            expected.int32(12);
            for (int i = 1; i < 8; ++i)
                expected.int32(0);
        }
        expected.int32(300);
        // 36 units with the line break stored as CR LF: two chunks.
        QString stored = inventory;
        stored.replace(u"\n"_s, u"\r\n"_s);
        QCOMPARE(stored.size(), 36);
        expected.inventory(stored);
        expected.int32(3);
        expected.byte(0);
        expected.byte(1);
        expected.byte(0);
        expected.int32(1);
        expected.uint16(0);
        expected.uint16(7);
        QCOMPARE(expected.bytes().size(), 145 + 66 * 2 + 3 + 2 * 1);
        QCOMPARE(E2eSession::fileBytes(saved), expected.bytes());

        // Opened at start-up from the command line (the ending must be ".PKD" exactly).
        session.stopProgram();
        E2E_STEP(session.copyFile(saved, u"X.PKD"_s));
        const QString copy = session.programDirPath(u"X.PKD"_s);
        // Saving writes the same bytes; only the file's time tells that it was written.
        const QDateTime old = QDateTime::fromSecsSinceEpoch(946684800, Qt::UTC);
        {
            QFile file(copy);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
        }
        E2E_STEP(!session.startMainWindow({copy}, title).isEmpty());

        // With a route and a name both items with the mnemonic S are enabled: the letter
        // only selects the first, "保存(&S)", and Return chooses it.
        E2E_STEP(session.key({u"alt+f"_s, u"s"_s, u"Return"_s}));
        QVERIFY2(E2eSession::waitUntil(std::chrono::milliseconds(10000),
                                       [&] { return QFileInfo(copy).lastModified() != old; }),
                 "X.PKD was not written again");
        QCOMPARE(E2eSession::fileBytes(copy), expected.bytes());
        QVERIFY(session.programRunning());
    }

    // Under a file-size limit smaller than the sheet, "保存(&S)" fails like any failed write:
    // the error report shows, the program and its sheet stay, the file on disk stays whole.
    void aFileSizeLimitFailsTheSaveWithoutEndingTheProgram()
    {
        E2eSession session;
        E2E_STEP(session.putSheet(u"HERO.PKD"_s, u"Ann"_s, u"Default.ini"_s));
        const QString hero = session.programDirPath(u"HERO.PKD"_s);
        const QByteArray earlier = E2eSession::fileBytes(hero);

        session.setFileSizeLimit(100);
        E2E_STEP(!session.startMainWindow({hero}, u"Pelko, paired with * Ann *"_s).isEmpty());
        E2E_STEP(session.key({u"alt+f"_s, u"s"_s, u"Return"_s}));
        // The general error report, captioned with the application's title.
        QVERIFY2(!session.findWindow(u"Pelko[Ann]"_s).isEmpty(),
                 qPrintable(session.programState()));
        QVERIFY2(session.programRunning(), qPrintable(session.programState()));
        QCOMPARE(E2eSession::fileBytes(hero), earlier);
    }
};

QTEST_GUILESS_MAIN(TestE2eSave)
#include "tst_e2e_save.moc"
