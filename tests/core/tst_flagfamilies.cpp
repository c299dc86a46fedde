#include "Cp932.h"
#include "FlagFamilies.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class TestFlagFamilies : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFamilyIsARunOfDoubleByteLabels_data()
    {
        QTest::addColumn<int>("family");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<int>("rows");
        QTest::newRow("capitals") << 0 << u"ALPHABET"_s << 26 << u"Ａ"_s << u"Ｚ"_s << 17;
        QTest::newRow("small letters") << 1 << u"alphabet"_s << 26 << u"ａ"_s << u"ｚ"_s << 17;
        QTest::newRow("digits") << 2 << u"アラビア数字"_s << 10 << u"０"_s << u"９"_s << 6;
        QTest::newRow("roman numerals") << 3 << u"ローマ数字"_s << 10 << u"Ⅰ"_s << u"Ⅹ"_s << 6;
        QTest::newRow("hiragana") << 4 << u"ひらがな"_s << 46 << u"あ"_s << u"ん"_s << 30;
        QTest::newRow("katakana") << 5 << u"カタカナ"_s << 46 << u"ア"_s << u"ン"_s << 30;
    }
    void everyFamilyIsARunOfDoubleByteLabels()
    {
        QFETCH(int, family);
        QFETCH(QString, name);
        QFETCH(int, count);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(int, rows);

        QCOMPARE(FlagFamilies::names().value(family), name);
        const QStringList labels = FlagFamilies::characters(family);
        QCOMPARE(labels.size(), count);
        QCOMPARE(labels.first(), first);
        QCOMPARE(labels.last(), last);
        QCOMPARE(QSet<QString>(labels.begin(), labels.end()).size(), count);
        for (const QString &label : labels) {
            QCOMPARE(label.size(), 1);
            QVERIFY2(Cp932::canHold(label), qPrintable(label));
            QCOMPARE(Cp932::byteLength(label), 2);
        }
        QCOMPARE(FlagFamilies::dropDownRows(count), rows);
    }

    void romanNumeralsAreTheCodePagesOwnCharacters()
    {
        const QStringList numerals = FlagFamilies::characters(3);
        for (int i = 0; i < numerals.size(); ++i)
            QCOMPARE(Cp932::encode(numerals[i]), QByteArray::fromHex("87") + char(0x54 + i));
    }

    void aRangeRunsFromStartToEndInEitherDirection_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("ascending") << 0 << 2 << QStringList{u"Ａ"_s, u"Ｂ"_s, u"Ｃ"_s};
        QTest::newRow("descending") << 2 << 0 << QStringList{u"Ｃ"_s, u"Ｂ"_s, u"Ａ"_s};
        QTest::newRow("single") << 25 << 25 << QStringList{u"Ｚ"_s};
        QTest::newRow("no start chosen") << -1 << 3 << QStringList{};
        QTest::newRow("end beyond the family") << 0 << 26 << QStringList{};
        QTest::newRow("start beyond the family") << 26 << 0 << QStringList{};
    }
    void aRangeRunsFromStartToEndInEitherDirection()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QStringList, labels);
        QCOMPARE(FlagFamilies::range(FlagFamilies::characters(0), start, end), labels);
    }

    void aListTextBecomesOneLabelPerLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("flagText");
        QTest::newRow("empty") << QString() << 0 << QString();
        QTest::newRow("trailing line end adds no line") << u"Ａ\nＢ\n"_s << 2 << u"Ａ\r\nＢ\r\n"_s;
        QTest::newRow("no trailing line end") << u"Ａ\nＢ"_s << 2 << u"Ａ\r\nＢ\r\n"_s;
        QTest::newRow("blanks stripped, empty line kept")
            << u" Ａ \n\nＢ"_s << 3 << u"Ａ\r\n\r\nＢ\r\n"_s;
        QTest::newRow("lone line end is one empty label") << u"\n"_s << 1 << u"\r\n"_s;
        QTest::newRow("tabs and controls stripped") << u"\tＡ\x01\x7f"_s << 1 << u"Ａ\r\n"_s;
        QTest::newRow("full-width space kept") << u"　Ａ　 "_s << 1 << u"　Ａ　\r\n"_s;
        QTest::newRow("CR LF and CR") << u"Ａ\r\nＢ\rＣ"_s << 3 << u"Ａ\r\nＢ\r\nＣ\r\n"_s;
        QTest::newRow("blank line counts") << u"Ａ\n   \nＢ"_s << 3 << u"Ａ\r\n\r\nＢ\r\n"_s;
    }
    void aListTextBecomesOneLabelPerLine()
    {
        QFETCH(QString, text);
        QFETCH(int, number);
        QFETCH(QString, flagText);
        const FlagFamilies::Labels labels = FlagFamilies::labelsFromText(text);
        QCOMPARE(labels.count, number);
        QCOMPARE(labels.text, flagText);
    }
};

QTEST_GUILESS_MAIN(TestFlagFamilies)
#include "tst_flagfamilies.moc"
