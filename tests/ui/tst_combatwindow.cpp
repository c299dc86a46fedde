#include "CombatWindow.h"
#include "RulesFixture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;

class TestCombatWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each row: the field (0 name, 1 attack, 2 endurance), the text an input method typed,
    // and words of the reason it cannot stand, none when it can.
    void enemyValuesAreReadAsTyped_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason");
        QTest::newRow("full-width digits") << 1 << u"－１０\u3000"_s << QString();
        QTest::newRow("a blank for a name") << 0 << u"\u3000"_s << u"敵の名前を入力"_s;
        QTest::newRow("letters") << 1 << u"5a"_s << u"「5a」は数ではありません"_s;
        QTest::newRow("too large") << 1 << u"99999999999"_s << u"-9999 から 9999 まで"_s;
        QTest::newRow("endurance 1") << 2 << u"１"_s << QString();
        QTest::newRow("an enemy already down") << 2 << u"0"_s << u"1 から 9999 まで"_s;
    }
    void enemyValuesAreReadAsTyped()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, reason);
        const QString told = CombatWindow::enemyValueProblem(field, text);
        QVERIFY2(reason.isEmpty() ? told.isEmpty() : told.contains(reason), qPrintable(told));
    }

    // From the keyboard alone: the window opens from the menu with the focus in its first
    // field; Enter adds the enemy or marks the field that cannot stand; Alt+R plays a round;
    // Ctrl+Z takes back first the typing in a field, then the round; Escape closes.
    void theWindowIsPlayedFromTheKeyboard()
    {
        RulesFixture f;
        f.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        f.menuItem(u"RulesCombat"_s)->trigger();
        CombatWindow *window = f.rules().combatWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        const QList<QLineEdit *> fields = window->fields();
        QTRY_COMPARE(QApplication::focusWidget(), fields[0]);
        fields[0]->insert(u"ゴブ%2"_s); // a name is text, never a format
        QTest::keyClick(fields[0], Qt::Key_Tab);
        QTest::keyClicks(fields[1], u"5"_s);
        QTest::keyClick(fields[1], Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), u"0"_s);
        QTest::keyClick(fields[2], Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), fields[2]);
        QCOMPARE(fields[2]->accessibleDescription(), fields[2]->toolTip());
        QVERIFY(!window->findChild<QLabel *>(u"LabelEnemyProblem"_s)->isHidden());
        QTest::keyClicks(fields[2], u"3"_s);
        QTest::keyClick(fields[2], Qt::Key_Return);
        QCOMPARE(window->enemies().size(), 1);
        QCOMPARE(QApplication::focusWidget(), fields[0]);

        QTest::keyClick(fields[0], Qt::Key_R, Qt::AltModifier);
        SheetUndo &undo = f.form->history().undo();
        QTRY_COMPARE(undo.stepCount(), 1); // a button pressed by its key clicks a moment later
        QVERIFY2(undo.stepAt(0).field.contains(u" / ゴブ%2 ["_s), qPrintable(undo.stepAt(0).field));
        QTest::keyClicks(fields[0], u"ab"_s);
        QTest::keyClick(fields[0], Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(fields[0]->text(), QString());
        QCOMPARE(undo.stepCount(), 1);
        QTest::keyClick(fields[0], Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(undo.stepCount(), 0);
        QTest::keyClick(fields[0], Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(undo.stepCount(), 1);
        QTest::keyClick(fields[0], Qt::Key_Escape);
        QVERIFY(!window->isVisible());
    }
};

QTEST_MAIN(TestCombatWindow)
#include "tst_combatwindow.moc"
