#pragma once

#include <QListView>

// A list whose rows are all one line of the same height, placed by arithmetic. QListView lays
// out every row again whenever rows are added or removed, which on a list of a hundred thousand
// lines costs milliseconds; here a row's place is its number times the line height, so adding or
// removing rows costs only the rows that are painted. Texts wider than the view are elided.
// It stays a QListView for everything else: the model, the selection, the keyboard and mouse,
// and what assistive technology reads.
class UniformListView : public QListView
{
    Q_OBJECT

public:
    explicit UniformListView(QWidget *parent = nullptr);

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;
    void doItemsLayout() override;

protected:
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void updateGeometries() override;
    bool isIndexHidden(const QModelIndex &index) const override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;
    QSize viewportSizeHint() const override;

private:
    int rows() const;
    int lineHeight() const;
    // The rows that meet the band [top, bottom) of the viewport, clipped to the list.
    std::pair<int, int> rowsIn(int top, int bottom) const;
    void updateScrollRange();
    void updateFrom(int row);

    mutable int m_lineHeight = 0; // 0 until measured, and again after a font or style change
};
