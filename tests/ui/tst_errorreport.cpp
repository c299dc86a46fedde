#include "ErrorReport.h"
#include "FileError.h"

#include <QMessageBox>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestErrorReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aDotFollowsALastCharacterAboveTheDot_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("japanese") << u"ファイル a を作成できません"_s
                                  << u"ファイル a を作成できません."_s;
        QTest::newRow("letter") << u"Disk full"_s << u"Disk full."_s;
        QTest::newRow("dot already") << u"done."_s << u"done."_s;
        QTest::newRow("below the dot") << u"stop!"_s << u"stop!"_s;
        QTest::newRow("empty") << QString() << QString();
    }
    void aDotFollowsALastCharacterAboveTheDot()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(PelkoApplication::reportText(message), shown);
    }

    void anErrorEscapingAHandlerIsShownAndTheProgramGoesOn()
    {
        auto *app = qobject_cast<PelkoApplication *>(QCoreApplication::instance());
        QVERIFY(app);
        app->setTitle(u"Pelko[ハル]"_s);
        QString caption;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                    caption = box->windowTitle();
                    text = box->text();
                    icon = box->icon();
                    box->accept();
                }
            }
        });
        closer.start(10);

        QTimer::singleShot(0, this, [] { throw FileError::cannotCreate(u"/tmp/x.txt"_s); });
        QTRY_COMPARE(text, u"ファイル /tmp/x.txt を作成できません."_s);
        QCOMPARE(caption, u"Pelko[ハル]"_s);
        QCOMPARE(icon, QMessageBox::Critical);

        text.clear();
        QTimer::singleShot(0, this, [] { throw std::runtime_error("I/O エラー (5)"); });
        QTRY_COMPARE(text, u"I/O エラー (5)"_s);
    }

    void qtsOwnTextsSpeakJapanese()
    {
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"キャンセル"_s);
    }
};

int main(int argc, char **argv)
{
    PelkoApplication app(argc, argv);
    TestErrorReport test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_errorreport.moc"
