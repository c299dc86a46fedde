#include "CheckListBox.h"

#include <QScrollBar>

#include <cmath>

CheckListBox::CheckListBox(QWidget *parent) : QListWidget(parent)
{
    setFlow(QListView::TopToBottom);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (!m_filling)
            Q_EMIT clickCheck(row(item));
    });
    applyLayout();
}

int CheckListBox::columnsFor(int flagNumber)
{
    const int n = qMax(flagNumber, 0);
    // A multiple of five gets two columns fewer than the general formula.
    const int columns = n % 5 == 0 ? n / 5 + 1 : n / 5 + 3;
    return qMin(columns, 12);
}

void CheckListBox::setColumns(int columns)
{
    m_columns = qMax(columns, 1);
    applyLayout();
}

void CheckListBox::setSingleColumn()
{
    m_columns = 0;
    applyLayout();
}

void CheckListBox::setLabels(const QStringList &labels)
{
    m_filling = true;
    clear();
    for (const QString &label : labels) {
        auto *item = new QListWidgetItem(label, this);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    m_filling = false;
    applyLayout();
}

bool CheckListBox::isChecked(int row) const
{
    const QListWidgetItem *it = item(row);
    return it && it->checkState() == Qt::Checked;
}

void CheckListBox::setChecked(int row, bool checked)
{
    if (QListWidgetItem *it = item(row)) {
        m_filling = true;
        it->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        m_filling = false;
    }
}

void CheckListBox::resizeEvent(QResizeEvent *event)
{
    QListWidget::resizeEvent(event);
    applyLayout();
}

void CheckListBox::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                               const QList<int> &roles)
{
    // A mark set or cleared changes no item's size: the item is repainted where it is. The list
    // view would lay every item out again, which with hundreds of flags made each click, undo
    // and rewind wait for it.
    if (roles == QList<int>{Qt::CheckStateRole}) {
        QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    QListWidget::dataChanged(topLeft, bottomRight, roles);
}

void CheckListBox::applyLayout()
{
    if (m_columns == 0) {
        setTextElideMode(Qt::ElideRight);
        setWrapping(false);
        setGridSize(QSize());
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        return;
    }
    // A label wider than its column is cut at the column's edge: elided, a narrow column would
    // show nothing of it but "…", and its start is what tells the flags apart.
    setTextElideMode(Qt::ElideNone);
    setWrapping(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int width = qMax(
        1, static_cast<int>(std::lround(static_cast<double>(viewport()->width()) / m_columns)));
    const int height = qMax(fontMetrics().height() + 2, 16);
    setGridSize(QSize(width, height));
}
