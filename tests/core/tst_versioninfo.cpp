#include "VersionInfo.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestVersionInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void itemsCarryTheProgramsVersion()
    {
        QCOMPARE(readVersionItem(VersionInfo::FileVersion), std::optional(u"0.6.1.0"_s));
        QCOMPARE(readVersionItem(10), std::optional(u"0.6"_s));
        QCOMPARE(readVersionItem(2), std::optional(u"ゲームブックプレイ支援ユーティリティ"_s));
        QVERIFY(!readVersionItem(5).value_or(QString()).isEmpty());
        QVERIFY(!readVersionItem(9).value_or(QString()).isEmpty());
    }

    void missingItemsGiveNoValue()
    {
        for (int item : {8, 11, -1, 12})
            QVERIFY2(!readVersionItem(item).has_value(), qPrintable(QString::number(item)));
        QString caller = u"kept"_s;
        if (auto value = readVersionItem(8))
            caller = *value;
        QCOMPARE(caller, u"kept"_s);
    }

    void makerIsFictional()
    {
        QVERIFY(VersionInfo::makerWebPage().contains(u"example.org"_s));
        QVERIFY(VersionInfo::makerMailAddress().endsWith(u"@example.org"_s));
    }
};

QTEST_GUILESS_MAIN(TestVersionInfo)
#include "tst_versioninfo.moc"
