#include "CharacterRecord.h"
#include "E2eSession.h"
#include "FileError.h"
#include "SaveFile.h"
#include "VersionInfo.h"

#include <QDir>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// "pelko --pdf SAVEFILE OUTPUT.pdf" as a terminal user runs it: no display at all.
class TestPdf : public QObject
{
    Q_OBJECT

private:
    E2eSession m_session;
    QString m_program;

    // Runs the copied program without a display; its exit code, its error output in err.
    int run(const QStringList &arguments, QString &err)
    {
        QProcess program;
        QProcessEnvironment env;
        env.insert(u"PATH"_s, u"/usr/bin:/bin"_s);
        env.insert(u"LANG"_s, u"C.UTF-8"_s);
        env.insert(u"HOME"_s, m_session.homeDir());
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(m_session.homeDir());
        program.start(m_program, arguments);
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
                           "Name2=Skill\r\n[Flags]\r\nFlagListMode=0\r\nFlagNumber=2\r\n"
                           "Flag1=GoldKey\r\nFlag2=OldMap\r\n"));
        CharacterRecord sheet;
        sheet.setAbilityCount(8);
        sheet.setName(u"Alice"_s);
        sheet.setSettingsFileName(u"Hero.ini"_s);
        sheet.setOrigin(0, 21);
        sheet.setCurrent(0, 17);
        sheet.setOrigin(1, 9);
        sheet.setCurrent(1, 9);
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
        flat.remove(u' ');
        for (const QString &expected :
             {u"Alice"_s, u"Stamina2117"_s, u"Skill99"_s, u"OldMap"_s, u"1→245→77→310"_s})
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
};

QTEST_GUILESS_MAIN(TestPdf)
#include "tst_e2e_pdf.moc"
