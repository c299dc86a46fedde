#include "CheckListBox.h"
#include "MainFormControls.h"
#include "MainFormFixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

// The main window as it opens: its controls, their captions, hints and places, the menus, the
// flag list's layout, and the report of a dice sound that cannot be read.
class TestMainLayout : public QObject
{
    Q_OBJECT

private:
    static QAction *action(const MainFormFixture &f, const QString &name)
    {
        return f.find<QAction>(name);
    }

private Q_SLOTS:
    void startsWithAnEmptySheetAndTheDefaultAbilities()
    {
        MainFormFixture f;
        QCOMPARE(f.form->windowTitle(), u"Pelko"_s);
        QCOMPARE(f.form->width(), 496);
        QVERIFY(edit(f, u"EditName"_s)->text().isEmpty());
        QCOMPARE(f.form->focusWidget(), edit(f, u"EditName"_s));
        for (int i = 1; i <= 8; ++i) {
            const bool shown = i <= 3;
            QCOMPARE(edit(f, u"EditAbl%1Max"_s.arg(i))->text(), u"0"_s);
            QCOMPARE(edit(f, u"EditAbl%1"_s.arg(i))->text(), u"0"_s);
            QCOMPARE(f.find<QLabel>(u"LabelAbl%1"_s.arg(i))->isVisible(), shown);
            QCOMPARE(edit(f, u"EditAbl%1"_s.arg(i))->isVisible(), shown);
        }
        QCOMPARE(f.find<QLabel>(u"LabelAbl1"_s)->text(), u"体力点"_s);
        QCOMPARE(f.find<QLabel>(u"LabelAbl2"_s)->text(), u"技術点"_s);
        QCOMPARE(f.find<QLabel>(u"LabelAbl3"_s)->text(), u"運点"_s);
        QCOMPARE(edit(f, u"EditMoney"_s)->text(), u"0"_s);
        QCOMPARE(edit(f, u"EditNow"_s)->text(), u"0"_s);
        QVERIFY(action(f, u"N4"_s)->isChecked());
        for (const char16_t *disabled : {u"Save1", u"N7", u"N10", u"N8", u"N9"})
            QVERIFY2(!action(f, QString::fromUtf16(disabled))->isEnabled(),
                     qPrintable(QString::fromUtf16(disabled)));
    }

    void controlsCarryTheirCaptionsAndHints_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("hint");
        QTest::newRow("name") << u"EditName"_s << QString() << u"キャラクターの名前"_s;
        QTest::newRow("money") << u"EditMoney"_s << u"0"_s << u"所持金記入欄"_s;
        QTest::newRow("paragraph") << u"EditNow"_s << u"0"_s << u"現在地記入欄"_s;
        QTest::newRow("assign") << u"ButtonAssign"_s << u"登録"_s << u"道程に登録する"_s;
        QTest::newRow("inventory") << u"MemoInventry"_s << QString() << u"所持品記入欄"_s;
        QTest::newRow("name label") << u"LabelName"_s << u"名前"_s << QString();
        QTest::newRow("money label") << u"LabelMoney"_s << u"所持金"_s << QString();
        QTest::newRow("inventory label") << u"LabelInventry"_s << u"所持品"_s << QString();
        QTest::newRow("paragraph label") << u"LabelNow"_s << u"現在のパラグラフ"_s << QString();
        QTest::newRow("separator") << u"LabelSepAbl5"_s << u"/"_s << QString();
        QTest::newRow("origin hint") << u"EditAbl1Max"_s << u"0"_s << u"体力点原点"_s;
        QTest::newRow("origin spin") << u"UpDownAbl2max"_s << QString() << u"技術点原点増減"_s;
        QTest::newRow("current") << u"EditAbl3"_s << u"0"_s << u"運点現在値"_s;
        QTest::newRow("current spin") << u"UpDownAbl2"_s << QString() << u"技術点現在値増減"_s;
        QTest::newRow("unnamed row") << u"EditAbl7Max"_s << u"0"_s << u"原点"_s;
    }
    void controlsCarryTheirCaptionsAndHints()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, hint);
        MainFormFixture f;
        QWidget *widget = f.find(name);
        QVERIFY(widget);
        QCOMPARE(widget->toolTip(), hint);
        if (auto *box = qobject_cast<QLineEdit *>(widget))
            QCOMPARE(box->text(), caption);
        else if (auto *text = qobject_cast<QLabel *>(widget))
            QCOMPARE(text->text(), caption);
        else if (auto *button = qobject_cast<QPushButton *>(widget))
            QCOMPARE(button->text(), caption);
    }

    void menusCarryTheirCaptions()
    {
        MainFormFixture f;
        const QList<std::pair<const char16_t *, const char16_t *>> items{
            {u"New1", u"新規作成(&N)"},
            {u"Open1", u"開く(&O)"},
            {u"Save1", u"保存(&S)"},
            {u"SaveAs1", u"名前をつけて保存(&A)"},
            {u"N7", u"データをテキストファイルに書き出す(&D)"},
            {u"N10", u"道程をテキストファイルに書き出す(&S)"},
            {u"Exit1", u"終了(&X)"},
            {u"N4", u"現在値を原点にそろえる(&M)"},
            {u"N3", u"環境設定(&E)"},
            {u"N8", u"道程を見る(&L)"},
            {u"N9", u"道程をクリアする(&C)"},
            {u"About1", u"バージョン情報(&A)"}};
        for (const auto &[name, caption] : items)
            QCOMPARE(action(f, QString::fromUtf16(name))->text(), QString::fromUtf16(caption));
        const QList<std::pair<const char16_t *, const char16_t *>> menus{{u"F1", u"ファイル(&F)"},
                                                                         {u"Edit1", u"編集(&E)"},
                                                                         {u"O1", u"オプション(&O)"},
                                                                         {u"Env", u"簡易選択(&S)"},
                                                                         {u"Help1", u"ヘルプ(&H)"}};
        for (const auto &[name, caption] : menus)
            QCOMPARE(f.find<QMenu>(QString::fromUtf16(name))->title(), QString::fromUtf16(caption));
        for (const char16_t *name : {u"N1", u"N2", u"N5", u"N6"})
            QVERIFY(action(f, QString::fromUtf16(name))->isSeparator());
    }

    void aHiddenAbilityLeavesItsRowEmptyWithoutMovingTheOthers()
    {
        SettingsValues ini;
        ini.enabled[1] = false;
        MainFormFixture f(ini);
        for (const QString &name : {u"LabelAbl2"_s, u"EditAbl2Max"_s, u"UpDownAbl2max"_s,
                                    u"LabelSepAbl2"_s, u"EditAbl2"_s, u"UpDownAbl2"_s})
            QVERIFY2(!f.find(name)->isVisible(), qPrintable(name));
        QCOMPARE(edit(f, u"EditAbl3"_s)->y(), 56 + 2 * 24);
        QCOMPARE(edit(f, u"EditAbl1Max"_s)->geometry(), QRect(88, 56, 40, 20));
        QCOMPARE(f.find(u"UpDownAbl8Max"_s)->geometry(), QRect(128, 224, 13, 20));
    }

    void controlsSitAtTheirPlaces_data()
    {
        QTest::addColumn<QString>("name");
        // Client coordinates, the top-left of the sheet being 0, 0; a zero size is not checked.
        QTest::addColumn<QRect>("place");
        const QList<std::pair<const char *, QRect>> places{
            {"LabelName", {8, 8, 0, 0}},          {"EditName", {64, 8, 153, 20}},
            {"LabelAbl1", {8, 56, 64, 0}},        {"EditAbl1Max", {88, 56, 40, 20}},
            {"UpDownAbl1Max", {128, 56, 13, 20}}, {"LabelSepAbl1", {149, 56, 0, 0}},
            {"EditAbl1", {165, 56, 40, 20}},      {"UpDownAbl1", {205, 56, 13, 20}},
            {"LabelAbl8", {8, 224, 64, 0}},       {"LabelSepAbl8", {149, 224, 0, 0}},
            {"LabelMoney", {8, 264, 0, 0}},       {"EditMoney", {72, 264, 145, 20}},
            {"LabelInventry", {240, 8, 0, 0}},    {"MemoInventry", {240, 40, 241, 209}},
            {"LabelNow", {240, 264, 0, 0}},       {"EditNow", {384, 264, 57, 20}},
            {"ButtonAssign", {448, 264, 33, 17}}, {"CheckListBoxFL", {0, 294, 489, 66}},
            {"PanelDice", {0, 370, 490, 40}},     {"PanelRoute", {496, 0, 121, 410}},
            {"LabelRoute", {504, 8, 0, 0}},       {"MemoRoute", {500, 28, 113, 317}},
            {"OutputButton", {505, 356, 49, 20}}, {"ClearButton", {561, 356, 49, 20}},
            {"CloseButton", {561, 379, 49, 20}}};
        for (const auto &[name, place] : places)
            QTest::newRow(name) << QString::fromLatin1(name) << place;
    }
    void controlsSitAtTheirPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QRect, place);
        MainFormFixture f(allAbilities());
        edit(f, u"EditNow"_s)->setText(u"5"_s);
        f.form->findChild<QPushButton *>(u"ButtonAssign"_s)
            ->click(); // the route panel docks and shows
        QCOMPARE(f.form->width(), 624);
        QWidget *widget = f.find(name);
        QVERIFY(widget && widget->isVisible());
        const QPoint client = f.form->centralWidget()->mapTo(f.form.get(), QPoint());
        QCOMPARE(widget->mapTo(f.form.get(), QPoint()) - client, place.topLeft());
        if (place.width() > 0)
            QCOMPARE(widget->width(), place.width());
        if (place.height() > 0)
            QCOMPARE(widget->height(), place.height());
    }

    void checkListColumnsFollowTheNumberOfFlags_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("columns");
        const QList<std::pair<int, int>> table{
            {0, 1},  {1, 3},   {4, 3},   {5, 2},   {6, 4},   {9, 4},   {10, 3},
            {11, 5}, {14, 5},  {15, 4},  {16, 6},  {19, 6},  {20, 5},  {25, 6},
            {26, 8}, {45, 10}, {46, 12}, {49, 12}, {50, 11}, {51, 12}, {200, 12}};
        for (const auto &[flags, columns] : table)
            QTest::addRow("%d flags", flags) << flags << columns;
    }
    void checkListColumnsFollowTheNumberOfFlags()
    {
        QFETCH(int, flags);
        QFETCH(int, columns);
        QCOMPARE(CheckListBox::columnsFor(flags), columns);
    }

    void reflectLaysTheFlagsOut()
    {
        SettingsValues ini;
        ini.flagNumber = 26;
        for (int i = 0; i < 26; ++i)
            ini.flagText += QChar(0xFF21 + i) + u"\r\n"_s;
        MainFormFixture f(ini);
        auto *list = f.find<CheckListBox>(u"CheckListBoxFL"_s);
        QCOMPARE(list->count(), 26);
        QCOMPARE(list->columns(), 8);
        QCOMPARE(list->item(25)->text(), u"Ｚ"_s);
        QCOMPARE(f.form->sheet().record().flagCount(), 26);
        // Items fill a column from top to bottom before the next column starts.
        QVERIFY(list->visualItemRect(list->item(1)).top() >
                list->visualItemRect(list->item(0)).top());
        QCOMPARE(list->visualItemRect(list->item(1)).left(),
                 list->visualItemRect(list->item(0)).left());

        f.changeSettings([](SettingsValues &v) { v.flagListMode = 1; });
        f.form->showSettings();
        QVERIFY(list->isSingleColumn());
        QCOMPARE(list->count(), 26);

        f.changeSettings([](SettingsValues &v) {
            v.flagListMode = 7;
        }); // unknown modes leave the layout as it was
        f.changeSettings([](SettingsValues &v) { v.flagNumber = 0; });
        f.changeSettings([](SettingsValues &v) { v.flagText.clear(); });
        f.form->showSettings();
        QVERIFY(list->isSingleColumn());
        QCOMPARE(list->count(), 0);
    }

    // A label wider than its column is cut at the column's edge: its start shows as that of a
    // short label does, never replaced by a lone "…".
    void aLongLabelInAColumnKeepsItsStartReadable()
    {
        const QString start = u"鍵"_s;
        SettingsValues ini;
        ini.flagNumber = 50; // eleven columns, narrower than the long label
        ini.flagText = start + u"のかかった北の塔の扉\r\n"_s + start + u"\r\n"_s;
        for (int i = 2; i < 50; ++i)
            ini.flagText += u"%1\r\n"_s.arg(i);
        MainFormFixture f(ini);
        auto *list = f.find<CheckListBox>(u"CheckListBoxFL"_s);
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        const QRect longRect = list->visualItemRect(list->item(0));
        const QRect shortRect = list->visualItemRect(list->item(1));
        QVERIFY(list->fontMetrics().horizontalAdvance(list->item(0)->text()) > longRect.width());
        const QImage shown = list->viewport()->grab().toImage();
        // The short label's cell up to the last column it paints: its box and its text.
        const QImage shortCell = shown.copy(shortRect);
        const QRgb background = shortCell.pixel(shortCell.width() - 1, 0);
        int painted = 0;
        for (int x = 0; x < shortCell.width(); ++x) {
            for (int y = 0; y < shortCell.height(); ++y) {
                if (shortCell.pixel(x, y) != background)
                    painted = x + 1;
            }
        }
        QVERIFY(painted > 0);
        QCOMPARE(shown.copy(longRect).copy(0, 0, painted, longRect.height()),
                 shortCell.copy(0, 0, painted, shortRect.height()));
    }

    // A mark set from the program (undo, a rewind, a loaded file) shows at once, in both
    // layouts, and no item moves.
    void aMarkIsRepaintedWhereItIs_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("columns") << 0;
        QTest::newRow("one column") << 1;
    }
    void aMarkIsRepaintedWhereItIs()
    {
        QFETCH(int, mode);
        SettingsValues ini;
        ini.flagNumber = 40;
        for (int i = 0; i < 40; ++i)
            ini.flagText += u"旗%1\r\n"_s.arg(i);
        ini.flagListMode = mode;
        MainFormFixture f(ini);
        auto *list = f.find<CheckListBox>(u"CheckListBoxFL"_s);
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        const QRect placed = list->visualItemRect(list->item(1));
        const QRect onScreen(list->viewport()->mapTo(f.form.get(), placed.topLeft()),
                             placed.size());
        const auto shown = [&] {
            QCoreApplication::processEvents();
            return f.form->screen()
                ->grabWindow(f.form->winId(), onScreen.x(), onScreen.y(), onScreen.width(),
                             onScreen.height())
                .toImage();
        };
        const QImage unmarked = shown();
        list->setChecked(1, true);
        QVERIFY(shown() != unmarked);
        QCOMPARE(list->visualItemRect(list->item(1)), placed);
        list->setChecked(1, false);
        QCOMPARE(shown(), unmarked);
    }

    void aMissingSoundFileIsReportedOnce_data()
    {
        QTest::addColumn<bool>("pipe");
        QTest::newRow("missing") << false;
        // A pipe with no writer must neither hold up the start nor count as a sound.
        QTest::newRow("a pipe") << true;
    }
    void aMissingSoundFileIsReportedOnce()
    {
        QFETCH(bool, pipe);
        int boxes = 0;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                    ++boxes;
                    QCOMPARE(box->windowTitle(), u"エラー"_s);
                    QVERIFY(box->text().startsWith(u"効果音ファイルを読みこめませんでした。"_s));
                    box->accept();
                }
            }
        });
        closer.start(20);
        MainFormFixture f(SettingsValues(), false, pipe);
        QVERIFY(!f.form->soundLoaded());
        f.form->showSettings();
        QTest::qWait(60);
        QCOMPARE(boxes, 1);
    }
};

QTEST_MAIN(TestMainLayout)
#include "tst_mainlayout.moc"
