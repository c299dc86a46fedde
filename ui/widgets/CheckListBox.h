#pragma once

#include <QListWidget>

// A list of check boxes. In columns mode the items fill a column from top to bottom, then the
// next, each column as wide as the inner width divided by the column count, and columns beyond
// the visible ones are reached by scrolling sideways; otherwise it is one column that scrolls
// vertically.
class CheckListBox : public QListWidget
{
    Q_OBJECT

public:
    explicit CheckListBox(QWidget *parent = nullptr);

    // The number of columns the flag labels get in check-list mode.
    static int columnsFor(int flagNumber);

    void setColumns(int columns);
    int columns() const { return m_columns; }
    void setSingleColumn();
    bool isSingleColumn() const { return m_columns == 0; }

    // Replaces the items by unchecked items with these labels; no change signal is raised.
    void setLabels(const QStringList &labels);
    bool isChecked(int row) const;
    void setChecked(int row, bool checked);

Q_SIGNALS:
    // The user changed an item's check mark.
    void clickCheck(int row);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;

private:
    void applyLayout();

    int m_columns = 6; // 0: one column scrolling vertically
    bool m_filling = false;
};
