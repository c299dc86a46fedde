#include "Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// How much ink a text leaves: the sum of darkness over its pixels.
qint64 ink(const QFont &font, const QString &text)
{
    QImage image(200, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(4, 40), text);
    painter.end();
    qint64 sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += 255 - qGray(image.pixel(x, y));
    return sum;
}

} // namespace

class TestFonts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boldIsTheRegularFaceEmboldened_data()
    {
        QTest::addColumn<bool>("fixedPitch");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<QString>("text");
        QTest::newRow("proportional, label") << false << 12 << u"D"_s;
        QTest::newRow("proportional, large") << false << 22 << u"体力点 0123"_s;
        QTest::newRow("fixed pitch, digits") << true << 12 << u"0123456789"_s;
        QTest::newRow("fixed pitch, route") << true << 16 << u"道程 1234"_s;
    }
    void boldIsTheRegularFaceEmboldened()
    {
        QFETCH(bool, fixedPitch);
        QFETCH(int, pixelSize);
        QFETCH(QString, text);
        const QFont regular =
            fixedPitch ? Fonts::fixedPitch(pixelSize) : Fonts::proportional(pixelSize);
        const QFont bold =
            fixedPitch ? Fonts::fixedPitch(pixelSize, true) : Fonts::proportional(pixelSize, true);
        QVERIFY(bold.bold());
        // One face file serves both: the bold one would be read at start-up besides it.
        QCOMPARE(QFontInfo(bold).family(), QFontInfo(regular).family());
        QCOMPARE(QFontInfo(bold).styleName(), QFontInfo(regular).styleName());
        // And bold still reads as bold.
        const qint64 regularInk = ink(regular, text);
        const qint64 boldInk = ink(bold, text);
        QVERIFY2(boldInk > regularInk * 11 / 10,
                 qPrintable(u"%1 against %2"_s.arg(boldInk).arg(regularInk)));
    }

    void aFontNamesTheFirstInstalledFaceAlone()
    {
        for (const QFont &font : {Fonts::proportional(12), Fonts::fixedPitch(12, true)}) {
            if (font.families().size() != 1)
                QSKIP("none of the Gothic faces is installed");
            QCOMPARE(QFontInfo(font).family(), font.families().first());
        }
    }

    void theFixedPitchFaceGivesDigitsAndSpacesOneWidth_data()
    {
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<bool>("bold");
        QTest::newRow("settings file list") << 12 << false;
        QTest::newRow("paragraph and dice boxes") << 12 << true;
        QTest::newRow("route") << 16 << true;
    }
    void theFixedPitchFaceGivesDigitsAndSpacesOneWidth()
    {
        QFETCH(int, pixelSize);
        QFETCH(bool, bold);
        const QFont font = Fonts::fixedPitch(pixelSize, bold);
        if (font.families().size() != 1)
            QSKIP("none of the Gothic faces is installed");
        // Numbers right-aligned in a narrow box line up only when every digit is as wide.
        const QFontMetricsF metrics(font);
        for (const QChar c : u"0123456789 Ai."_s)
            QCOMPARE(metrics.horizontalAdvance(c), metrics.horizontalAdvance(u'0'));
    }

    void aCharacterTheFaceLacksComesFromAFallback()
    {
        const QChar alef(0x05D0);
        if (QFontDatabase::families(QFontDatabase::Hebrew).isEmpty())
            QSKIP("no font for Hebrew is installed");
        const QFont font = Fonts::proportional(16);
        if (QRawFont::fromFont(font).supportsCharacter(alef))
            QSKIP("the Gothic face has the character itself");
        QVERIFY(QFontMetrics(font).inFont(alef));
    }
};

QTEST_MAIN(TestFonts)
#include "tst_fonts.moc"
