#include "UniformListView.h"

#include <QAccessible>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionSlider>

#include <algorithm>
#include <climits>

namespace {

// A scroll bar that repaints only when it looks different. On a list of many thousand lines a
// few lines more or less do not move the handle by a pixel, and the style's scroll bar is
// among the dearest things a window paints.
class SteadyScrollBar : public QScrollBar
{
public:
    using QScrollBar::QScrollBar;

protected:
    void sliderChange(SliderChange change) override
    {
        if (change == SliderOrientationChange) {
            QScrollBar::sliderChange(change);
            return;
        }
        // Rows added at the end move the range first and the value after it: what counts is
        // how the bar looks once both are done.
        if (m_checkPending)
            return;
        m_checkPending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_checkPending = false;
                if (look() != m_painted)
                    update();
            },
            Qt::QueuedConnection);
    }
    void paintEvent(QPaintEvent *event) override
    {
        m_painted = look();
        QScrollBar::paintEvent(event);
    }

private:
    struct Look
    {
        QRect handle;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look &) const = default;
    };
    Look look() const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                        this),
                value() == minimum(), value() == maximum()};
    }
    Look m_painted;
    bool m_checkPending = false;
};

} // namespace

UniformListView::UniformListView(QWidget *parent) : QListView(parent)
{
    setVerticalScrollBar(new SteadyScrollBar(Qt::Vertical, this));
    setUniformItemSizes(true);
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideRight);
}

int UniformListView::rows() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int UniformListView::lineHeight() const
{
    if (m_lineHeight > 0)
        return m_lineHeight;
    const int text = fontMetrics().height();
    if (rows() == 0)
        return text + 4; // measured for real once there is a row
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex first = model()->index(0, modelColumn(), rootIndex());
    m_lineHeight = std::max(itemDelegateForIndex(first)->sizeHint(option, first).height(), text);
    return m_lineHeight;
}

std::pair<int, int> UniformListView::rowsIn(int top, int bottom) const
{
    const int height = lineHeight();
    const qint64 offset = verticalOffset();
    const qint64 first = std::max<qint64>(0, (top + offset) / height);
    const qint64 last = std::min<qint64>(rows() - 1, (bottom - 1 + offset) / height);
    return {int(first), int(std::max(last, first - 1))};
}

QRect UniformListView::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex() ||
        index.column() != modelColumn())
        return {};
    const qint64 top = qint64(index.row()) * lineHeight() - verticalOffset();
    return QRect(0, int(std::clamp<qint64>(top, INT_MIN / 2, INT_MAX / 2)), viewport()->width(),
                 lineHeight());
}

QModelIndex UniformListView::indexAt(const QPoint &point) const
{
    if (!model() || point.x() < 0 || point.x() >= viewport()->width())
        return {};
    const qint64 y = qint64(point.y()) + verticalOffset();
    if (y < 0)
        return {};
    const qint64 row = y / lineHeight();
    if (row >= rows())
        return {};
    return model()->index(int(row), modelColumn(), rootIndex());
}

void UniformListView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid() || index.parent() != rootIndex())
        return;
    updateScrollRange(); // rows may have come or gone since the last layout
    const int height = lineHeight();
    const qint64 top = qint64(index.row()) * height;
    const int view = viewport()->height();
    qint64 value = verticalScrollBar()->value();
    switch (hint) {
    case PositionAtTop:
        value = top;
        break;
    case PositionAtBottom:
        value = top + height - view;
        break;
    case PositionAtCenter:
        value = top - (view - height) / 2;
        break;
    case EnsureVisible:
        if (top < value)
            value = top;
        else if (top + height > value + view)
            value = top + height - view;
        break;
    }
    verticalScrollBar()->setValue(int(std::clamp<qint64>(value, 0, INT_MAX)));
}

void UniformListView::doItemsLayout()
{
    // Nothing to lay out: the scroll range and a repaint are all a change of rows needs.
    QAbstractItemView::doItemsLayout();
}

void UniformListView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    updateGeometries();
    if (parent == rootIndex())
        updateFrom(start);
}

void UniformListView::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    if (parent == rootIndex())
        updateFrom(start);
    scheduleDelayedItemsLayout();
}

void UniformListView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                                  const QList<int> &roles)
{
    if (topLeft == bottomRight || !topLeft.isValid() || topLeft.parent() != rootIndex()) {
        QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    // The item view would repaint all it shows for a range; only the range's rows changed.
    const QRect rows =
        visualRect(topLeft).united(visualRect(bottomRight.siblingAtColumn(modelColumn())));
    viewport()->update(rows.intersected(viewport()->rect()));
#if QT_CONFIG(accessibility)
    if (QAccessible::isActive()) {
        QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::DataChanged);
        event.setFirstRow(topLeft.row());
        event.setFirstColumn(topLeft.column());
        event.setLastRow(bottomRight.row());
        event.setLastColumn(bottomRight.column());
        QAccessible::updateAccessibility(&event);
    }
#endif
}

void UniformListView::updateFrom(int row)
{
    // The rows from this one down move or change; those above stay as they are painted.
    const int top = int(
        std::clamp<qint64>(qint64(row) * lineHeight() - verticalOffset(), 0, viewport()->height()));
    if (top < viewport()->height())
        viewport()->update(QRect(0, top, viewport()->width(), viewport()->height() - top));
}

void UniformListView::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(dx, dy);
}

void UniformListView::resizeEvent(QResizeEvent *event)
{
    QAbstractItemView::resizeEvent(event);
    updateGeometries();
}

void UniformListView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_lineHeight = 0;
        updateGeometries();
    }
    QListView::changeEvent(event);
}

void UniformListView::paintEvent(QPaintEvent *event)
{
    if (!model())
        return;
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State state = option.state;
    const QModelIndex current = currentIndex();
    const bool focused = hasFocus() || viewport()->hasFocus();
    const bool active = isActiveWindow();
    QModelIndex hovered;
    if (viewport()->underMouse())
        hovered = indexAt(viewport()->mapFromGlobal(QCursor::pos()));
    // Only the rows in the region: a line scrolled in and a line far above it are two rows to
    // paint, not all those between.
    const QRegion region = event->region();
    const auto [first, last] = rowsIn(event->rect().top(), event->rect().bottom() + 1);
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, modelColumn(), rootIndex());
        option.rect = visualRect(index);
        if (!region.intersects(option.rect))
            continue;
        option.state = state;
        if (selectionModel() && selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (focused && index == current)
            option.state |= QStyle::State_HasFocus;
        if (index == hovered)
            option.state |= QStyle::State_MouseOver;
        if (active)
            option.state |= QStyle::State_Active;
        else
            option.state &= ~QStyle::State_Active;
        if (!(model()->flags(index) & Qt::ItemIsEnabled))
            option.state &= ~QStyle::State_Enabled;
        if (alternatingRowColors() && row % 2 == 1)
            option.features |= QStyleOptionViewItem::Alternate;
        else
            option.features &= ~QStyleOptionViewItem::Alternate;
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

int UniformListView::horizontalOffset() const
{
    return 0;
}

int UniformListView::verticalOffset() const
{
    return verticalScrollBar()->value();
}

QModelIndex UniformListView::moveCursor(CursorAction action, Qt::KeyboardModifiers)
{
    const int count = rows();
    if (count == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return model()->index(0, modelColumn(), rootIndex());
    const int page = std::max(1, viewport()->height() / lineHeight());
    qint64 row = current.row();
    switch (action) {
    case MoveUp:
    case MovePrevious:
        --row;
        break;
    case MoveDown:
    case MoveNext:
        ++row;
        break;
    case MovePageUp:
        row -= page;
        break;
    case MovePageDown:
        row += page;
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = count - 1;
        break;
    case MoveLeft:
    case MoveRight:
        return current;
    }
    return model()->index(int(std::clamp<qint64>(row, 0, count - 1)), modelColumn(), rootIndex());
}

void UniformListView::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    if (!selectionModel())
        return;
    const QRect band = rect.normalized();
    const auto [first, last] = rowsIn(band.top(), band.bottom() + 1);
    if (first > last || band.right() < 0 || band.left() >= viewport()->width()) {
        selectionModel()->select(QItemSelection(), command);
        return;
    }
    selectionModel()->select(QItemSelection(model()->index(first, modelColumn(), rootIndex()),
                                            model()->index(last, modelColumn(), rootIndex())),
                             command);
}

QRegion UniformListView::visualRegionForSelection(const QItemSelection &selection) const
{
    QRegion region;
    const QRect view = viewport()->rect();
    for (const QItemSelectionRange &range : selection) {
        if (range.parent() != rootIndex() || range.left() > modelColumn() ||
            range.right() < modelColumn())
            continue;
        const QRect top = visualRect(model()->index(range.top(), modelColumn(), rootIndex()));
        const QRect bottom = visualRect(model()->index(range.bottom(), modelColumn(), rootIndex()));
        region += top.united(bottom).intersected(view);
    }
    return region;
}

void UniformListView::updateScrollRange()
{
    const int height = lineHeight();
    const int view = viewport()->height();
    const qint64 content = qint64(rows()) * height;
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, int(std::clamp<qint64>(content - view, 0, INT_MAX)));
    bar->setPageStep(view);
    bar->setSingleStep(height);
}

void UniformListView::updateGeometries()
{
    updateScrollRange();
    QAbstractItemView::updateGeometries();
}

bool UniformListView::isIndexHidden(const QModelIndex &) const
{
    return false;
}

void UniformListView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
#if QT_CONFIG(accessibility)
    if (QAccessible::isActive() && current.isValid() && hasFocus()) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(current.row());
        QAccessible::updateAccessibility(&event);
    }
#endif
    QAbstractItemView::currentChanged(current, previous);
}

void UniformListView::selectionChanged(const QItemSelection &selected,
                                       const QItemSelection &deselected)
{
#if QT_CONFIG(accessibility)
    if (QAccessible::isActive()) {
        if (!selected.isEmpty()) {
            QAccessibleEvent event(this, QAccessible::SelectionAdd);
            event.setChild(selected.first().top());
            QAccessible::updateAccessibility(&event);
        }
        if (!deselected.isEmpty()) {
            QAccessibleEvent event(this, QAccessible::SelectionRemove);
            event.setChild(deselected.first().top());
            QAccessible::updateAccessibility(&event);
        }
    }
#endif
    QAbstractItemView::selectionChanged(selected, deselected);
}

QSize UniformListView::viewportSizeHint() const
{
    return QAbstractItemView::viewportSizeHint();
}
