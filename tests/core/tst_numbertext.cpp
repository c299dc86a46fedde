#include "NumberText.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestNumberText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boxesReadSigned32BitDecimalsAndZeroForAnythingElse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << u"42"_s << 42;
        QTest::newRow("leading zeros") << u"007"_s << 7;
        QTest::newRow("plus") << u"+12"_s << 12;
        QTest::newRow("negative") << u"-40"_s << -40;
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("sign alone") << u"-"_s << 0;
        QTest::newRow("junk after digits") << u"12a"_s << 0;
        QTest::newRow("blank inside") << u"1 2"_s << 0;
        QTest::newRow("hex is not read") << u"$1F"_s << 0;
        QTest::newRow("full-width digits") << u"１２"_s << 0;
        QTest::newRow("largest") << u"2147483647"_s << 2147483647;
        QTest::newRow("one above") << u"2147483648"_s << 0;
        QTest::newRow("smallest") << u"-2147483648"_s << int(-2147483648LL);
        QTest::newRow("one below") << u"-2147483649"_s << 0;
        QTest::newRow("very long") << QString(40, u'9') << 0;
    }
    void boxesReadSigned32BitDecimalsAndZeroForAnythingElse()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(NumberText::read(text), value);
    }

    // Fields of the rules, the faces of real dice and an enemy's values: what an input method
    // types is read, anything else is no number.
    void typedNumbersAreReadAsAnInputMethodTypesThem_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<int>>("value");
        QTest::newRow("full-width, blanks at the ends") << u" １０\u3000"_s << std::optional(10);
        QTest::newRow("full-width minus") << u"－１"_s << std::optional(-1);
        QTest::newRow("full-width hexadecimal") << u"０ｘ１Ａ"_s << std::optional(26);
        QTest::newRow("a blank inside") << u"1 2"_s << std::optional<int>();
        QTest::newRow("a long vowel mark") << u"ー１"_s << std::optional<int>();
    }
    void typedNumbersAreReadAsAnInputMethodTypesThem()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<int>, value);
        QCOMPARE(NumberText::readTyped(text), value);
    }

    void onlyDigitsBackspaceAndDeleteAreTyped()
    {
        for (char16_t c = 0; c < 128; ++c) {
            const bool accepted = (c >= u'0' && c <= u'9') || c == 8 || c == 127;
            QCOMPARE(NumberText::isAcceptedKey(QChar(c)), accepted);
        }
        QVERIFY(!NumberText::isAcceptedKey(QChar(0xFF11)));
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
