#include "AboutDialog.h"
#include "VersionInfo.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

// Takes the addresses the box hands to the desktop instead of opening a browser.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl &url) { urls.append(url); }
};

class TestAbout : public QObject
{
    Q_OBJECT

    UrlCatcher m_catcher;

    static QLabel *label(AboutDialog &box, const QString &name)
    {
        auto *found = box.findChild<QLabel *>(name);
        if (!found)
            qFatal("no label %s", qPrintable(name));
        return found;
    }
    static QColor colour(QLabel *label) { return label->palette().color(QPalette::WindowText); }

private Q_SLOTS:
    void initTestCase()
    {
        for (const QString &scheme : {u"https"_s, u"http"_s, u"mailto"_s})
            QDesktopServices::setUrlHandler(scheme, &m_catcher, "open");
    }
    void cleanupTestCase()
    {
        for (const QString &scheme : {u"https"_s, u"http"_s, u"mailto"_s})
            QDesktopServices::unsetUrlHandler(scheme);
    }
    void init() { m_catcher.urls.clear(); }

    void theBoxShowsTheVersionItems()
    {
        AboutDialog box;
        QCOMPARE(box.windowTitle(), u"バージョン情報"_s);
        QCOMPARE(box.size(), QSize(248, 192));
        QCOMPARE(label(box, u"Description"_s)->text(), u"ゲームブックプレイ支援ユーティリティ"_s);
        QCOMPARE(label(box, u"Version"_s)->text(), u"0.6.1.0"_s);
        // The build's own version, the one --version and the package give, is in the hint.
        QCOMPARE(label(box, u"Version"_s)->toolTip(), u"ビルド "_s + VersionInfo::buildVersion());
        QCOMPARE(label(box, u"Copyright"_s)->text(), *readVersionItem(VersionInfo::LegalCopyright));
        QCOMPARE(label(box, u"URL"_s)->text(), VersionInfo::makerWebPage());
        QCOMPARE(label(box, u"MailAddress"_s)->text(), VersionInfo::makerMailAddress());
        QVERIFY(!label(box, u"MailAddress"_s)->text().startsWith(u"mailto:"_s));

        // A product name too long for the room right of the icon is cut, and whole in the hint.
        QLabel *product = label(box, u"ProductName"_s);
        QCOMPARE(product->toolTip().isEmpty() ? product->text() : product->toolTip(),
                 *readVersionItem(VersionInfo::ProductName));
        QVERIFY(product->fontMetrics().horizontalAdvance(product->text()) <= product->width());
        QVERIFY(product->font().bold());
        QCOMPARE(product->geometry().right() + 1, 217);
        QCOMPARE(label(box, u"Version"_s)->geometry().right() + 1, 217);
        QVERIFY(product->alignment() & Qt::AlignRight);
        QVERIFY(box.findChild<QPushButton *>(u"OKButton"_s)->isDefault());
    }

    void aClickableLabelTurnsRedOnlyWhileTheMouseIsOnIt()
    {
        AboutDialog box;
        box.show();
        QLabel *url = label(box, u"URL"_s);
        QLabel *mail = label(box, u"MailAddress"_s);
        const QColor link = box.palette().color(QPalette::Link);
        QCOMPARE(colour(url), link);
        QVERIFY(url->font().underline());
        QCOMPARE(url->cursor().shape(), Qt::PointingHandCursor);

        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(url, &enter);
        QCOMPARE(colour(url), QColor(255, 0, 0));
        QCOMPARE(colour(mail), link);

        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(url, &leave);
        QCOMPARE(colour(url), link);
    }

    void clickingTheLabelsOpensTheirAddresses()
    {
        AboutDialog box;
        box.show();
        QTest::mouseClick(label(box, u"URL"_s), Qt::LeftButton);
        QTest::mouseClick(label(box, u"MailAddress"_s), Qt::LeftButton);
        QCOMPARE(m_catcher.urls,
                 (QList<QUrl>{QUrl(VersionInfo::makerWebPage()),
                              QUrl(u"mailto:"_s + VersionInfo::makerMailAddress())}));
    }

    void enterClosesTheBox()
    {
        AboutDialog box;
        box.show();
        QTest::keyClick(&box, Qt::Key_Return);
        QVERIFY(!box.isVisible());
        QCOMPARE(box.result(), int(QDialog::Accepted));
    }

    void theBoxReopensInTheMiddleOfTheScreen()
    {
        AboutDialog box;
        box.show();
        box.move(0, 0);
        box.hide();
        box.show();
        const QRect screen = box.screen()->geometry();
        const QRect frame = box.frameGeometry();
        QCOMPARE(frame.left(), screen.left() + (screen.width() - frame.width()) / 2);
        QCOMPARE(frame.top(), screen.top() + (screen.height() - frame.height()) / 2);
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
