#include "CharacterRecord.h"
#include "E2eSession.h"
#include "FileError.h"
#include "SaveFile.h"
#include "VersionInfo.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

// "pelko --pdf SAVEFILE OUTPUT.pdf" as a terminal user runs it: no display at all.
class TestPdf : public QObject
{
    Q_OBJECT

private:
    E2eSession m_session;
    QString m_program;

    // Runs the copied program, or executable, without a display: its exit code, errors in err.
    int run(const QStringList &arguments, QString &err, const QString &executable = {})
    {
        QProcess program;
        QProcessEnvironment env;
        env.insert(u"PATH"_s, u"/usr/bin:/bin"_s);
        env.insert(u"LANG"_s, u"C.UTF-8"_s);
        env.insert(u"HOME"_s, m_session.homeDir());
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(m_session.homeDir());
        program.start(executable.isEmpty() ? m_program : executable, arguments);
        if (!program.waitForFinished(60000))
            return -1;
        err = QString::fromLocal8Bit(program.readAllStandardError());
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2;
    }

    // The PDF's text as pdftotext reads it, lines without their blanks.
    static QString pdfText(const QString &pdf)
    {
        QProcess reader;
        reader.start(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s});
        if (!reader.waitForFinished(30000))
            return {};
        return QString::fromUtf8(reader.readAllStandardOutput());
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The program and its modules, as a copied folder holds them.
        const QString built = E2eSession::builtProgram();
        m_program = m_session.programDirPath(u"pelko"_s);
        QVERIFY(QFile::copy(built, m_program));
        QFile::setPermissions(m_program, QFile::permissions(m_program) | QFileDevice::ExeOwner);
        const QString builtDir = QFileInfo(built).absolutePath() + u'/';
        QVERIFY(QFile::link(builtDir + u"pelko_charts.so"_s,
                            m_session.programDirPath(u"pelko_charts.so"_s)));
        // The book's settings: names for two abilities, labels for two flags.
        QVERIFY(m_session.putFile(
            u"Hero.ini"_s, "[HEAD]\r\nenable1=1\r\nenable2=1\r\nenable3=0\r\nName1=Stamina\r\n"
                           "Name2=Skill\r\nenable4=1\r\n[Flags]\r\nFlagListMode=0\r\n"
                           "FlagNumber=2\r\nFlag1=GoldKey\r\nFlag2=OldMap\r\n[Limit]\r\n"
                           "OverLoad=1\r\nMinusEnable=1\r\n"));
        CharacterRecord sheet;
        sheet.setAbilityCount(8);
        sheet.setName(u"Alice"_s);
        sheet.setSettingsFileName(u"Hero.ini"_s);
        sheet.setOrigin(0, 21);
        sheet.setCurrent(0, 17);
        sheet.setOrigin(1, 9);
        sheet.setCurrent(1, 9);
        // Kept as the sheet's own settings allow, whatever those in force at the start say.
        sheet.setOverLoad(true);
        sheet.setMinusEnable(true);
        sheet.setOrigin(3, 2);
        sheet.setCurrent(3, -4);
        sheet.setInventory(u"ABCDEFGHIJ"_s.repeated(15) + u"\r\nitem%1"_s.repeated(120));
        sheet.setFlagCount(2);
        sheet.setFlag(1, true);
        sheet.setRouteList({0, 1, 245, 77, 310});
        sheet.setRouteCount(4);
        try {
            writeSaveFile(sheet, readVersionItem(VersionInfo::FileVersion).value_or(QString()),
                          m_session.programDirPath(u"alice.pkd"_s));
        } catch (const FileError &error) {
            QFAIL(qPrintable(error.message()));
        }
    }

    void aSaveFileBecomesAPdfWithoutADisplay()
    {
        const QString pdf = m_session.homeDir() + u"/alice.pdf"_s;
        QString err;
        QCOMPARE(run({u"--pdf"_s, m_session.programDirPath(u"alice.pkd"_s), pdf}, err), 0);
        QVERIFY2(E2eSession::fileBytes(pdf).startsWith("%PDF-"), qPrintable(err));
        const QString text = pdfText(pdf);
        QString flat = text;
        flat.remove(QRegularExpression(u"\\s"_s));
        // The sheet as its own settings keep it (below zero), an unnamed ability by its number,
        // the whole inventory: a line without blanks wrapped, the rest on the next page.
        for (const QString &expected :
             {u"Alice"_s, u"Stamina2117"_s, u"Skill99"_s, u"OldMap"_s, u"1→245→77→310"_s,
              u"能力42-4"_s, u"ABCDEFGHIJ"_s.repeated(15) + u"item"_s, u"item%1"_s.repeated(120)})
            QVERIFY2(flat.contains(expected), qPrintable(expected + u" missing from:\n"_s + text));
        // An unset flag is not printed.
        QVERIFY(!text.contains(u"GoldKey"_s));
    }

    void aBrokenSaveFileWritesNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("cut short") << QByteArray("0.6.1.0\0\0\0", 10);
    }
    void aBrokenSaveFileWritesNothing()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(m_session.putFile(u"broken.pkd"_s, bytes));
        const QString out = m_session.homeDir() + u"/out"_s;
        QVERIFY(QDir().mkpath(out));
        const QString pdf = out + u"/broken.pdf"_s;
        QString err;
        QCOMPARE(run({u"--pdf"_s, m_session.programDirPath(u"broken.pkd"_s), pdf}, err), 1);
        QVERIFY2(err.contains(u"読み込みに失敗しました"_s), qPrintable(err));
        QVERIFY(!QFileInfo::exists(pdf));
        // Nothing else was left in the folder either.
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // The output is never the save file, by any name, nor a file that is no PDF: both are
    // refused and keep their bytes; an earlier PDF is replaced.
    void onlyAPdfIsWrittenOver_data()
    {
        QTest::addColumn<QString>("output");
        QTest::newRow("a link to the save file") << u"link.pdf"_s;
        QTest::newRow("a text file") << u"notes.pdf"_s;
        QTest::newRow("an earlier PDF") << u"old.pdf"_s;
    }
    void onlyAPdfIsWrittenOver()
    {
        QFETCH(QString, output);
        const QString save = m_session.programDirPath(u"alice.pkd"_s);
        QFile::link(save, m_session.programDirPath(u"link.pdf"_s));
        QVERIFY(m_session.putFile(u"notes.pdf"_s, "my notes"));
        QVERIFY(m_session.putFile(u"old.pdf"_s, "%PDF-1.4 old"));
        const QString path = m_session.programDirPath(output);
        const QByteArray before = E2eSession::fileBytes(path);
        const bool replaced = output == u"old.pdf"_s;
        QString err;
        QCOMPARE(run({u"--pdf"_s, save, path}, err), replaced ? 0 : 1);
        QCOMPARE(E2eSession::fileBytes(path) == before, !replaced);
        QVERIFY2(replaced || err.contains(path), qPrintable(err));
    }

    // A name in code page 932 bytes ("冒険", as an old archive leaves names), in a folder so
    // named: the PDF goes there by those bytes, which only a shell hands over as they are.
    void thePdfGoesByTheBytesOfItsName()
    {
        const QString script = u"name=$(printf '\\226\\140\\214\\257') && mkdir $name && "
                               "\"$0\" --pdf \"$1\" $name/$name.pdf && test -s $name/$name.pdf"_s;
        QString err;
        QCOMPARE(run({u"-c"_s, script, m_program, m_session.programDirPath(u"alice.pkd"_s)}, err,
                     u"/bin/sh"_s),
                 0);
    }
};

QTEST_GUILESS_MAIN(TestPdf)
#include "tst_e2e_pdf.moc"
