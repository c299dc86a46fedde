#include "AboutDialog.h"
#include "CombatWindow.h"
#include "DiceStrip.h"
#include "RulesDialog.h"
#include "RulesFixture.h"
#include "SettingsDialog.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>

using namespace Qt::StringLiterals;

namespace {

QString accessibleName(QWidget *widget)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name).trimmed() : QString();
}

// The controls a user can reach that a screen reader cannot name. A control inside another
// (the list of a drop-down) is named by the one around it.
QStringList unnamedControls(QWidget *root)
{
    QStringList unnamed;
    for (QWidget *widget : root->findChildren<QWidget *>()) {
        const bool control =
            qobject_cast<QAbstractButton *>(widget) || qobject_cast<QLineEdit *>(widget) ||
            qobject_cast<QComboBox *>(widget) || qobject_cast<QAbstractItemView *>(widget) ||
            qobject_cast<QPlainTextEdit *>(widget) || widget->objectName().startsWith(u"UpDown"_s);
        const bool inner = widget->parentWidget() &&
                           (qobject_cast<QComboBox *>(widget->parentWidget()) ||
                            widget->parentWidget()->inherits("QComboBoxPrivateContainer"));
        if (control && !inner && widget->isVisibleTo(root) && accessibleName(widget).isEmpty())
            unnamed.append(widget->objectName() + u':' +
                           QString::fromLatin1(widget->metaObject()->className()));
    }
    return unnamed;
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyControlOfTheWindowsHasAName()
    {
        SettingsValues ini;
        ini.enabled.fill(true);
        ini.flagNumber = 2;
        ini.flagText = u"Ａ\r\nＢ\r\n"_s;
        MainFormFixture f(ini);
        f.find<QLineEdit>(u"EditNow"_s)->setText(u"5"_s);
        f.form->findChild<QPushButton *>(u"ButtonAssign"_s)->click(); // the route panel shows
        QCOMPARE(unnamedControls(f.form.get()), QStringList());

        SettingsDialog option(*f.settings, f.form->sheet(), true);
        option.show();
        auto *tabs = option.findChild<QTabWidget *>();
        QVERIFY(tabs);
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QCOMPARE(unnamedControls(&option), QStringList());
        }
        option.hide();

        AboutDialog about;
        about.show();
        QCOMPARE(unnamedControls(&about), QStringList());
    }

    // The rules' windows: each control is called by its label without its access letter.
    void theRulesWindowsNameEveryControlByItsLabel()
    {
        RulesDialog editor({{{u"n"_s, u"1"_s, u"3"_s, u"le"_s, {}, {}, {}}}, {}},
                           {u"体力点"_s, u"技術点"_s, u"運点"_s}, u"Default.ini"_s, {});
        editor.show();
        QCOMPARE(accessibleName(editor.findChild<QLineEdit *>(u"EditTestName"_s)), u"名前"_s);
        auto *tabs = editor.findChild<QTabWidget *>();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QCOMPARE(unnamedControls(&editor), QStringList());
        }
        RulesFixture f;
        f.menuItem(u"RulesCombat"_s)->trigger();
        QCOMPARE(unnamedControls(f.rules().combatWindow()), QStringList());
    }

    void namesSayWhatABoxHoldsAndLabelsTheirValue()
    {
        MainFormFixture f;
        QCOMPARE(accessibleName(f.find(u"EditAbl1Max"_s)), u"体力点 原点"_s);
        QCOMPARE(accessibleName(f.find(u"UpDownAbl2"_s)), u"技術点 現在値増減"_s);
        QCOMPARE(accessibleName(f.find(u"EditName"_s)), u"キャラクターの名前"_s);
        auto *total = f.find<QLabel>(u"LabelTotal"_s);
        QCOMPARE(accessibleName(total), u"合計"_s);
        auto *roll = f.find<QAbstractButton>(u"ButtonRoll"_s);
        roll->click();
        roll->click();
        QVERIFY(!total->text().isEmpty());
        QCOMPARE(accessibleName(total), u"合計 "_s + total->text());
        const auto &values = f.find<DiceStrip>(u"PanelDice"_s)->diceValues();
        QCOMPARE(accessibleName(f.find(u"ImageDice"_s)),
                 u"ダイスの目 %1 %2"_s.arg(values[0]).arg(values[1]));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
