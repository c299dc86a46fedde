#include "UniformListView.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QStringListModel>
#include <QStyledItemDelegate>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

class CountingDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        ++painted;
        rows.insert(index.row());
        QStyledItemDelegate::paint(painter, option, index);
    }
    mutable int painted = 0;
    mutable QSet<int> rows;
};

QStringList numbered(int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines.append(u"line %1"_s.arg(i));
    return lines;
}

} // namespace

class TestUniformListView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A hundred thousand lines: the keyboard, the mouse and the rows painted all find the
    // same line from its number, and rows taken off the end leave a list that still works.
    void aLongListIsPlacedByArithmetic()
    {
        QStringListModel model(numbered(100000));
        UniformListView view;
        auto *delegate = new CountingDelegate(&view);
        view.setItemDelegate(delegate);
        view.setModel(&model);
        view.resize(240, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setFocus();

        delegate->painted = 0;
        view.viewport()->repaint();
        const int visible = view.viewport()->height() / view.visualRect(model.index(0)).height();
        QVERIFY(delegate->painted > 0);
        QVERIFY(delegate->painted <= visible + 1);

        QTest::keyClick(&view, Qt::Key_End);
        QCOMPARE(view.currentIndex().row(), 99999);
        QVERIFY(view.viewport()->rect().contains(view.visualRect(view.currentIndex())));
        // The last line is painted, and so is the one above it.
        delegate->rows.clear();
        view.viewport()->repaint();
        QVERIFY(delegate->rows.contains(99999) && delegate->rows.contains(99998));
        QTest::keyClick(&view, Qt::Key_PageUp);
        QCOMPARE(view.currentIndex().row(), 99999 - visible);
        QTest::keyClick(&view, Qt::Key_Up);
        QCOMPARE(view.currentIndex().row(), 99998 - visible);

        const QModelIndex target = model.index(99995);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(target).center());
        QCOMPARE(view.currentIndex(), target);
        QCOMPARE(view.selectionModel()->selectedIndexes(), QModelIndexList{target});

        // Scrolled to the end, the end goes: the view comes back to what is left.
        QTest::keyClick(&view, Qt::Key_End);
        model.removeRows(10, 99990);
        QCoreApplication::processEvents();
        QCOMPARE(view.verticalScrollBar()->maximum(), 0);
        QCOMPARE(view.indexAt(QPoint(5, 2)), model.index(0));
        QTest::keyClick(&view, Qt::Key_End);
        QCOMPARE(view.currentIndex().row(), 9);
        model.insertRows(10, 1000);
        view.scrollTo(model.index(1009));
        QVERIFY(view.viewport()->rect().contains(view.visualRect(model.index(1009))));
    }

    // The scroll bar skips repaints that would look the same; those that change it still show.
    void theScrollBarShowsWhereTheListIs()
    {
        QStringListModel model(numbered(100000));
        UniformListView view;
        view.setModel(&model);
        view.resize(240, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QScrollBar *bar = view.verticalScrollBar();
        const auto shown = [&] {
            QCoreApplication::processEvents();
            const QRect r(bar->mapTo(&view, QPoint()), bar->size());
            return view.screen()
                ->grabWindow(view.winId(), r.x(), r.y(), r.width(), r.height())
                .toImage();
        };
        const QImage atTop = shown();
        view.scrollToBottom();
        const QImage atBottom = shown();
        QVERIFY(atBottom != atTop);
        model.insertRows(model.rowCount(), 5); // the range grows first, the value follows
        view.scrollToBottom();
        QCOMPARE(shown(), atBottom);
        view.scrollToTop();
        QCOMPARE(shown(), atTop);
    }

    // Assistive technology reads it as the list it is.
    void itIsReadAsAList()
    {
        QStringListModel model(numbered(50));
        UniformListView view;
        view.setModel(&model);
        view.show();
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&view);
        QVERIFY(list && list->tableInterface());
        QCOMPARE(list->tableInterface()->rowCount(), 50);
        QCOMPARE(list->tableInterface()->cellAt(7, 0)->text(QAccessible::Name), u"line 7"_s);
    }
};

QTEST_MAIN(TestUniformListView)
#include "tst_uniformlistview.moc"
