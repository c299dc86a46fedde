#pragma once

#include "AbilityTrack.h"
#include "PrintedSheet.h"

#include <QAbstractTableModel>

class DiceStatistics;
class QTableView;
class QTableWidget;
class QWidget;

// The values of the charts as tables, for a screen reader and for copying: what a chart shows
// only as a picture and a hover.
namespace ChartTables {

// The values along the route: a row for each point (paragraph, then each line's value; empty
// where no history told it). A step changes the rows from the first point that changed.
class TrackModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void show(const QList<PrintedSheet::Line> &lines, const QList<AbilityTrack::Point> &points,
              int firstChanged);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<PrintedSheet::Line> m_lines;
    QList<AbilityTrack::Point> m_points;
};

// A read-only table named name for a screen reader; Ctrl+C copies its selected rows (the
// current one when none is) as tab-separated text after a line of the column names.
QTableView *readOnlyTable(QTableView *table, const QString &objectName, const QString &name);
// The bars of the dice charts, a row each: chart, face or total, count, fair count.
void showDice(QTableWidget *table, const DiceStatistics &statistics);
// The text Ctrl+C copies from table.
QString copiedText(const QTableView *table);

} // namespace ChartTables
