#include "IniFileName.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestIniFileName : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aSettingsFileNameStaysBesideTheProgram_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("typable");
        QTest::addColumn<bool>("writable");
        QTest::newRow("plain") << u"hero.ini"_s << true << true;
        QTest::newRow("japanese") << u"勇者ハル.ini"_s << true << true;
        QTest::newRow("sixteen-byte base") << u"abcdefghijklmnop.ini"_s << true << true;
        QTest::newRow("seventeen-byte base") << u"abcdefghijklmnopq.ini"_s << false << false;
        QTest::newRow("ending still to come") << u"abcdefghijklmnop"_s << true << true;
        QTest::newRow("too long once ended") << u"abcdefghijklmnopq"_s << false << false;
        QTest::newRow("nine full-width") << u"あいうえおかきくけ.ini"_s << false << false;
        QTest::newRow("eight full-width") << u"あいうえおかきく.ini"_s << true << true;
        QTest::newRow("slash") << u"../evil.ini"_s << false << false;
        QTest::newRow("backslash") << u"..\\evil.ini"_s << false << false;
        QTest::newRow("dots") << u"a..b.ini"_s << true << false;
        QTest::newRow("unheld") << u"Müller.ini"_s << false << false;
        QTest::newRow("control") << u"a\tb.ini"_s << false << false;
    }
    void aSettingsFileNameStaysBesideTheProgram()
    {
        QFETCH(QString, name);
        QFETCH(bool, typable);
        QFETCH(bool, writable);
        QCOMPARE(IniFileName::typingProblem(name).isEmpty(), typable);
        QCOMPARE(IniFileName::problem(name).isEmpty(), writable);
    }
};

QTEST_GUILESS_MAIN(TestIniFileName)
#include "tst_inifilename.moc"
