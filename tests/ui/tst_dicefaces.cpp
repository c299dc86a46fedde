#include "DiceFaces.h"

#include <QImage>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

bool isDark(QRgb pixel)
{
    return qAlpha(pixel) > 128 && qRed(pixel) < 100 && qGreen(pixel) < 100 && qBlue(pixel) < 100;
}

// The dark shapes inside the face (the outline left out), each as its bounding box in logical
// pixels, top to bottom.
QList<QRectF> darkShapes(const QPixmap &picture)
{
    const QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    const qreal ratio = picture.devicePixelRatio();
    const int low = qRound(5 * ratio), high = qRound(27 * ratio);
    QList<bool> seen(qsizetype(image.width()) * image.height(), false);
    QList<QRectF> shapes;
    for (int y = low; y < high; ++y) {
        for (int x = low; x < high; ++x) {
            if (seen[y * image.width() + x] || !isDark(image.pixel(x, y)))
                continue;
            QRect box(x, y, 1, 1);
            QList<QPoint> stack{{x, y}};
            seen[y * image.width() + x] = true;
            while (!stack.isEmpty()) {
                const QPoint p = stack.takeLast();
                box = box.united(QRect(p, QSize(1, 1)));
                for (const QPoint step :
                     {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
                    const QPoint q = p + step;
                    if (q.x() < low || q.y() < low || q.x() >= high || q.y() >= high)
                        continue;
                    if (!seen[q.y() * image.width() + q.x()] && isDark(image.pixel(q))) {
                        seen[q.y() * image.width() + q.x()] = true;
                        stack.append(q);
                    }
                }
            }
            shapes.append(QRectF(box.x() / ratio, box.y() / ratio, box.width() / ratio,
                                 box.height() / ratio));
        }
    }
    std::sort(shapes.begin(), shapes.end(),
              [](const QRectF &a, const QRectF &b) { return a.center().y() < b.center().y(); });
    return shapes;
}

// How many pips stand in the left, middle and right column.
QList<int> columns(const QList<QRectF> &pips)
{
    QList<int> counts{0, 0, 0};
    for (const QRectF &pip : pips)
        ++counts[pip.center().x() < 13 ? 0 : pip.center().x() < 19 ? 1 : 2];
    return counts;
}

} // namespace

class TestDiceFaces : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pipFacesShowTheirPattern_data()
    {
        QTest::addColumn<int>("face");
        QTest::addColumn<QList<int>>("columns");
        QTest::newRow("blank") << 0 << QList<int>{0, 0, 0};
        QTest::newRow("2 on a diagonal") << 2 << QList<int>{1, 0, 1};
        QTest::newRow("3 on a diagonal") << 3 << QList<int>{1, 1, 1};
        QTest::newRow("4 in the corners") << 4 << QList<int>{2, 0, 2};
        QTest::newRow("5 with the centre") << 5 << QList<int>{2, 1, 2};
        QTest::newRow("6 in two columns") << 6 << QList<int>{3, 0, 3};
        QTest::newRow("7 as 2-3-2") << 7 << QList<int>{2, 3, 2};
        QTest::newRow("8 as 3-2-3") << 8 << QList<int>{3, 2, 3};
        QTest::newRow("9 as 3-3-3") << 9 << QList<int>{3, 3, 3};
    }
    void pipFacesShowTheirPattern()
    {
        QFETCH(int, face);
        QFETCH(QList<int>, columns);
        for (qreal ratio : {1.0, 2.0}) {
            const QList<QRectF> pips = darkShapes(DiceFaces(ratio).picture(face));
            QCOMPARE(::columns(pips), columns);
        }
    }

    void theAceIsOneRedPipInTheCentre()
    {
        const QImage image = DiceFaces(1.0).picture(1).toImage();
        const QColor centre = image.pixelColor(16, 16);
        QVERIFY(centre.red() > 150 && centre.green() < 80 && centre.blue() < 80);
        QVERIFY(darkShapes(DiceFaces(1.0).picture(1)).isEmpty());
    }

    void everyFaceIsAWhiteSquareInATransparentMargin_data()
    {
        QTest::addColumn<int>("face");
        for (int face = 0; face < DiceFaces::Count; ++face)
            QTest::addRow("%d", face) << face;
    }
    void everyFaceIsAWhiteSquareInATransparentMargin()
    {
        QFETCH(int, face);
        const QImage image = DiceFaces(1.0).picture(face).toImage();
        QCOMPARE(image.size(), QSize(32, 32));
        for (int i = 0; i < 32; ++i) {
            for (const QPoint p : {QPoint(i, 0), QPoint(i, 31), QPoint(0, i), QPoint(31, i)})
                QVERIFY2(qAlpha(image.pixel(p)) == 0, qPrintable(u"%1,%2"_s.arg(p.x()).arg(p.y())));
        }
        // Rounded corners: the corner of the square is clear, its edges are outlined.
        QCOMPARE(qAlpha(image.pixel(1, 1)), 0);
        QCOMPARE(qAlpha(image.pixel(30, 30)), 0);
        QVERIFY(isDark(image.pixel(16, 1)) && isDark(image.pixel(1, 16)));
        QVERIFY(isDark(image.pixel(16, 30)) && isDark(image.pixel(30, 16)));
        QCOMPARE(image.pixel(5, 16), qRgb(255, 255, 255));
    }

    void digitFacesShowOneGlyphAndSixAndNineAreUnderlined_data()
    {
        QTest::addColumn<int>("digit");
        for (int digit = 0; digit <= 9; ++digit)
            QTest::addRow("%d", digit) << digit;
    }
    void digitFacesShowOneGlyphAndSixAndNineAreUnderlined()
    {
        QFETCH(int, digit);
        const QList<QRectF> shapes = darkShapes(DiceFaces(1.0).picture(10 + digit));
        const bool underlined = digit == 6 || digit == 9;
        QCOMPARE(shapes.size(), underlined ? 2 : 1);
        QVERIFY(shapes.first().height() > 10);
        if (underlined) {
            const QRectF bar = shapes.last();
            QVERIFY(bar.width() >= 8 && bar.height() <= 3);
            QVERIFY(bar.top() > shapes.first().bottom());
        }
    }

    void digitFacesDiffer()
    {
        const DiceFaces faces(1.0);
        for (int a = 0; a < DiceFaces::Count; ++a)
            for (int b = a + 1; b < DiceFaces::Count; ++b)
                QVERIFY2(faces.picture(a).toImage() != faces.picture(b).toImage(),
                         qPrintable(u"%1 %2"_s.arg(a).arg(b)));
    }

    void aFaceIsDrawnWhenFirstAskedForAndKept()
    {
        const DiceFaces faces(1.0);
        QCOMPARE(faces.drawnCount(), 0);
        const qint64 first = faces.picture(13).cacheKey();
        QCOMPARE(faces.drawnCount(), 1);
        QCOMPARE(faces.picture(13).cacheKey(), first);
        QCOMPARE(faces.picture(99).cacheKey(), faces.picture(DiceFaces::Count - 1).cacheKey());
        QCOMPARE(faces.drawnCount(), 2);
    }

    void highDensityFacesHaveTheirPixelRatio()
    {
        const QPixmap picture = DiceFaces(2.0).picture(15);
        QCOMPARE(picture.size(), QSize(64, 64));
        QCOMPARE(picture.devicePixelRatio(), 2.0);
        QCOMPARE(picture.deviceIndependentSize(), QSizeF(32, 32));
    }
};

QTEST_MAIN(TestDiceFaces)
#include "tst_dicefaces.moc"
