#include "ChartTables.h"

#include "DiceCharts.h"
#include "DiceStatistics.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableWidget>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace ChartTables {

namespace {

// Ctrl+C copies the selected rows, not the current cell alone as a table does by itself.
class RowCopier : public QObject
{
public:
    explicit RowCopier(QTableView *table) : QObject(table), m_table(table) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress ||
            !static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy))
            return QObject::eventFilter(watched, event);
        QGuiApplication::clipboard()->setText(copiedText(m_table));
        return true;
    }

private:
    QTableView *m_table;
};

} // namespace

void TrackModel::show(const QList<PrintedSheet::Line> &lines,
                      const QList<AbilityTrack::Point> &points, int firstChanged)
{
    const bool sameLines = lines.size() == m_lines.size() &&
                           std::equal(lines.cbegin(), lines.cend(), m_lines.cbegin(),
                                      [](const PrintedSheet::Line &a, const PrintedSheet::Line &b) {
                                          return a.name == b.name && a.index == b.index;
                                      });
    if (!sameLines) {
        beginResetModel();
        m_lines = lines;
        m_points = points; // shared, not copied
        endResetModel();
        return;
    }
    const int before = int(m_points.size());
    const int now = int(points.size());
    if (now > before) {
        beginInsertRows({}, before, now - 1);
        m_points = points;
        endInsertRows();
    } else if (now < before) {
        beginRemoveRows({}, now, before - 1);
        m_points = points;
        endRemoveRows();
    } else {
        m_points = points;
    }
    const int last = std::min(before, now) - 1;
    if (firstChanged = std::max(firstChanged, 0); firstChanged <= last)
        Q_EMIT dataChanged(index(firstChanged, 0), index(last, columnCount() - 1));
}

int TrackModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_points.size());
}

int TrackModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size()) + 1;
}

QVariant TrackModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const AbilityTrack::Point &point = m_points[index.row()];
    if (index.column() == 0)
        return point.paragraph == 0 ? u"開始"_s : QString::number(point.paragraph);
    if (!point.known)
        return QString();
    return QString::number(point.values[size_t(m_lines[index.column() - 1].index)]);
}

QVariant TrackModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section == 0 ? u"パラグラフ"_s : m_lines.value(section - 1).name;
}

QString copiedText(const QTableView *table)
{
    const QAbstractItemModel *model = table->model();
    QList<int> rows;
    for (const QModelIndex &index : table->selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty() && table->currentIndex().isValid())
        rows.append(table->currentIndex().row());
    std::sort(rows.begin(), rows.end());
    QStringList cells;
    for (int column = 0; column < model->columnCount(); ++column)
        cells.append(model->headerData(column, Qt::Horizontal).toString());
    QStringList lines{cells.join(u'\t')};
    for (int row : std::as_const(rows)) {
        cells.clear();
        for (int column = 0; column < model->columnCount(); ++column)
            cells.append(model->index(row, column).data().toString());
        lines.append(cells.join(u'\t'));
    }
    return lines.join(u'\n') + u'\n';
}

QTableView *readOnlyTable(QTableView *table, const QString &objectName, const QString &name)
{
    table->setObjectName(objectName);
    table->setAccessibleName(name);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->verticalHeader()->hide();
    table->installEventFilter(new RowCopier(table));
    auto *copy = new QAction(u"コピー(&C)"_s, table);
    QObject::connect(copy, &QAction::triggered, table,
                     [table] { QGuiApplication::clipboard()->setText(copiedText(table)); });
    table->addAction(copy);
    table->setContextMenuPolicy(Qt::ActionsContextMenu);
    return table;
}

void showDice(QTableWidget *table, const DiceStatistics &statistics)
{
    const QList<DiceCharts::Bars> charts = DiceCharts::barsOf(statistics);
    table->clear();
    table->setColumnCount(4);
    table->setHorizontalHeaderLabels(
        {u"グラフ"_s, u"目・合計"_s, u"出た回数"_s, u"公平なダイスの期待値"_s});
    int rows = 0;
    for (const DiceCharts::Bars &bars : charts)
        rows += int(bars.categories.size());
    table->setRowCount(rows);
    int row = 0;
    for (const DiceCharts::Bars &bars : charts) {
        for (qsizetype i = 0; i < bars.categories.size(); ++i, ++row) {
            const QStringList cells{bars.title, bars.categories[i],
                                    QString::number(int(bars.rolled[i])),
                                    QString::number(bars.fair[i], 'f', 2)};
            for (int column = 0; column < 4; ++column)
                table->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
    }
}

} // namespace ChartTables
