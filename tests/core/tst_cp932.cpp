#include "Cp932.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCp932 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textRoundTripsThroughItsBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << u"Route"_s << QByteArray("Route");
        QTest::newRow("kanji") << u"体力点"_s << QByteArray::fromHex("91cc97cd935f");
        QTest::newRow("roman numeral") << u"Ⅰ"_s << QByteArray::fromHex("8754");
        QTest::newRow("wave dash") << u"～"_s << QByteArray::fromHex("8160");
        QTest::newRow("arrow") << u"↓"_s << QByteArray::fromHex("81ab");
        QTest::newRow("full-width space") << u"　"_s << QByteArray::fromHex("8140");
        QTest::newRow("circle") << u"○"_s << QByteArray::fromHex("819b");
        QTest::newRow("half-width katakana") << u"ｱ"_s << QByteArray::fromHex("b1");
        QTest::newRow("line break") << u"a\r\nb"_s << QByteArray("a\r\nb");
        // Every control byte stands for the control character of its own number.
        QTest::newRow("controls 1A 1C 7F")
            << u"\x1a\x1c\x7f\x1b\x1d"_s << QByteArray("\x1a\x1c\x7f\x1b\x1d");
    }
    void textRoundTripsThroughItsBytes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(Cp932::encode(text), bytes);
        QCOMPARE(Cp932::decode(bytes), text);
        QCOMPARE(Cp932::byteLength(text), bytes.size());
        QVERIFY(Cp932::canHold(text));
    }

    void asciiReadsTheSameAloneAndAmongOtherCharacters()
    {
        for (char16_t unit = 0; unit < 0x80; ++unit) {
            const char byte = char(unit);
            const QString alone(QChar{unit});
            // After a double-byte character the whole text goes through the converter.
            QCOMPARE(Cp932::decode(QByteArray("\x82\xa0") + byte), u"あ"_s + alone);
            QCOMPARE(Cp932::decode(QByteArrayView(&byte, 1)), alone);
            QCOMPARE(Cp932::encode(u"あ"_s + alone), QByteArray("\x82\xa0") + byte);
            QCOMPARE(Cp932::encode(alone), QByteArray(1, byte));
        }
    }

    void aConversionLeavesNothingBehindForTheNext()
    {
        const QString trail = Cp932::decode("\xa0\x82\xa0");
        Cp932::decode("\x82");
        QCOMPARE(Cp932::decode("\xa0\x82\xa0"), trail);
        const QByteArray low = Cp932::encode(u"\xdc00\u3042"_s);
        Cp932::encode(u"\u3042\xd800"_s);
        QCOMPARE(Cp932::encode(u"\xdc00\u3042"_s), low);
    }

    void charactersOutsideTheCodePageAreFound_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("unheld");
        QTest::newRow("emoji") << u"a😀b"_s << u"😀"_s;
        QTest::newRow("umlaut") << u"Müller"_s << u"ü"_s;
        QTest::newRow("hangul twice") << u"한a한"_s << u"한"_s;
        QTest::newRow("none") << u"勇者ハル"_s << QString();
    }
    void charactersOutsideTheCodePageAreFound()
    {
        QFETCH(QString, text);
        QFETCH(QString, unheld);
        QCOMPARE(Cp932::canHold(text), unheld.isEmpty());
        QCOMPARE(Cp932::unheldCharacters(text), unheld);
    }

    void cuttingNeverSplitsADoubleByteCharacter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maxBytes");
        QTest::addColumn<QString>("cut");
        QTest::newRow("fits") << u"abc"_s << 8 << u"abc"_s;
        QTest::newRow("ascii") << u"abcdefghij"_s << 8 << u"abcdefgh"_s;
        QTest::newRow("four full-width") << u"体力点数値"_s << 8 << u"体力点数"_s;
        QTest::newRow("odd boundary") << u"a体力点数"_s << 8 << u"a体力点"_s;
        QTest::newRow("half-width kana counts one") << u"ｱｲｳｴｵｶｷｸｹ"_s << 8 << u"ｱｲｳｴｵｶｷｸ"_s;
        QTest::newRow("zero") << u"abc"_s << 0 << QString();
        QTest::newRow("full-width exactly") << u"体力点数"_s << 8 << u"体力点数"_s;
        QTest::newRow("unheld kept when short") << u"a😀"_s << 8 << u"a😀"_s;
        QTest::newRow("unheld counted when long") << u"😀😀😀😀😀"_s << 4 << u"😀😀"_s;
    }
    void cuttingNeverSplitsADoubleByteCharacter()
    {
        QFETCH(QString, text);
        QFETCH(int, maxBytes);
        QFETCH(QString, cut);
        QCOMPARE(Cp932::cutToBytes(text, maxBytes), cut);
    }

    void droppingTheLastBytes()
    {
        QCOMPARE(Cp932::dropLastBytes(u"Default.ini"_s, 4), u"Default"_s);
        QCOMPARE(Cp932::dropLastBytes(u"勇者.ini"_s, 4), u"勇者"_s);
        QCOMPARE(Cp932::dropLastBytes(u"ab"_s, 4), QString());
        // The ending is not checked: the last four bytes go whatever they are.
        QCOMPARE(Cp932::dropLastBytes(u"勇者ハル"_s, 4), u"勇者"_s);
    }
};

QTEST_GUILESS_MAIN(TestCp932)
#include "tst_cp932.moc"
