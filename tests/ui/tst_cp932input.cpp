#include "Cp932Input.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
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

    void aLongPasteKeepsWhatFitsLikeTyping_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("shown");
        // An 8-byte box: full-width characters take two bytes each.
        QTest::newRow("into an empty box") << QString() << 0 << u"一二三四五"_s << u"一二三四"_s;
        QTest::newRow("between others") << u"ab"_s << 1 << u"一二三四"_s << u"a一二三b"_s;
        QTest::newRow("cut after a whole character")
            << u"abcdef"_s << 6 << u"一二"_s << u"abcdef一"_s;
        QTest::newRow("no room left") << u"abcdefgh"_s << 8 << u"x"_s << u"abcdefgh"_s;
        QTest::newRow("a two-byte character with one byte free")
            << u"abcdefg"_s << 7 << u"一x"_s << u"abcdefg"_s;
        // What is pasted begins like the text after the caret, or ends like the text before
        // it: the paste is cut, never the text that was there.
        QTest::newRow("the paste begins with what follows the caret")
            << u"abc"_s << 1 << u"b一二三"_s << u"ab一二bc"_s;
        QTest::newRow("the paste begins with what precedes the caret")
            << u"ab"_s << 2 << u"b一二三"_s << u"abb一二"_s;
        QTest::newRow("full-width, the paste begins with what follows the caret")
            << u"一二"_s << 1 << u"二三四"_s << u"一二三二"_s;
        QTest::newRow("the paste ends with what follows the caret")
            << u"xa"_s << 1 << u"一二三a"_s << u"x一二三a"_s;
        QTest::newRow("the same character throughout")
            << u"aaa"_s << 1 << u"aaaaaaaa"_s << u"aaaaaaaa"_s;
    }
    void aLongPasteKeepsWhatFitsLikeTyping()
    {
        QFETCH(QString, before);
        QFETCH(int, caret);
        QFETCH(QString, pasted);
        QFETCH(QString, shown);
        QLineEdit edit;
        Cp932Input::guard(&edit, 8);
        edit.setText(before);
        edit.setCursorPosition(caret);
        QGuiApplication::clipboard()->setText(pasted);
        edit.paste();
        QCOMPARE(edit.text(), shown);
        // The caret follows what was kept of the paste, as it follows what is typed.
        QCOMPARE(edit.cursorPosition(), caret + shown.size() - before.size());
    }

    void aCharacterLimitLeavesTheProgramsOwnWritesWhole()
    {
        QLineEdit edit;
        Cp932Input::limitTyping(&edit, 3);
        edit.setText(u"12345"_s);
        QCOMPARE(edit.text(), u"12345"_s);
        edit.clear();
        QTest::keyClicks(&edit, u"6789"_s);
        QCOMPARE(edit.text(), u"678"_s);
        // A character beyond the BMP is two code units: it is never split to fill the limit.
        edit.setText(u"ab"_s);
        edit.end(false);
        QGuiApplication::clipboard()->setText(u"😀c"_s);
        edit.paste();
        QCOMPARE(edit.text(), u"ab"_s);
    }
};

QTEST_MAIN(TestCp932Input)
#include "tst_cp932input.moc"
