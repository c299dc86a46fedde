#include "Cp932Input.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

using namespace Qt::StringLiterals;

// Clipboard data whose owner answers one request for its text and is gone afterwards, as a
// program that serves a single paste and quits.
class AnswersOnce : public QMimeData
{
public:
    explicit AnswersOnce(const QString &text) : m_text(text) {}

    QStringList formats() const override { return {u"text/plain"_s}; }
    bool hasFormat(const QString &mimeType) const override { return mimeType == u"text/plain"_s; }

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType) const override
    {
        if (m_answered || !mimeType.startsWith(u"text/plain"_s))
            return {};
        m_answered = true;
        return m_text;
    }

private:
    QString m_text;
    mutable bool m_answered = false;
};

class TestCp932Input : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aPasteFetchesTheClipboardTextOnce_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Japanese lines")
            << u"長剣、革の鎧\n保存食"_s << u"所持品:長剣、革の鎧\n保存食"_s;
        // Code page 932 cannot hold the emoji: the whole paste is refused.
        QTest::newRow("a character the code page lacks") << u"剣😀"_s << u"所持品:"_s;
    }
    void aPasteFetchesTheClipboardTextOnce()
    {
        QFETCH(QString, pasted);
        QFETCH(QString, shown);
        Cp932PlainTextEdit edit;
        edit.setPlainText(u"所持品:"_s);
        edit.moveCursor(QTextCursor::End);
        QGuiApplication::clipboard()->setMimeData(new AnswersOnce(pasted));
        edit.paste();
        QCOMPARE(edit.toPlainText(), shown);
    }
};

QTEST_MAIN(TestCp932Input)
#include "tst_cp932input.moc"
