#pragma once

#include "ChartsModule.h"

#include <QDialog>

#include <functional>
#include <memory>

class AbilityChart;
class QChartView;
class QHBoxLayout;
class QLabel;
class QLineSeries;
class QPushButton;
class QTabWidget;
class QTableView;
class QTableWidget;

namespace ChartTables {
class TrackModel;
}

// The window "グラフ": the tab "能力値" charts the abilities and the money along the route, the
// tab "ダイス" the faces and totals of every roll against those of fair dice, with the verdict
// of a chi-square test in words; two more tabs hold the values of each as a table. It shows what
// it is handed and changes nothing. It opens beside the sheet without taking the keyboard, and
// Enter in it presses no button: typing meant for the sheet never saves a picture.
class ChartWindow : public QDialog, public ChartWindowView
{
    Q_OBJECT

public:
    explicit ChartWindow(QWidget *parent = nullptr);
    ~ChartWindow() override;

    QDialog *dialog() override { return this; }
    void showTrack(const QList<PrintedSheet::Line> &lines, const QList<AbilityTrack::Point> &points,
                   int firstChanged) override;
    void showDice(const DiceStatistics &statistics) override;
    bool abilitiesShown() const override;
    bool diceShown() const override;
    void whenTabShown(std::function<void()> shown) override;
    QString saveImage(const QString &path) override;

private:
    // A route up to this long is drawn with smooth lines.
    static constexpr int AntialiasedUpTo = 400;

    void abilitySceneChanged(const QList<QRectF> &rects);
    void pointed(QLineSeries *series, const QPointF &point);
    void chooseImageFile();
    QWidget *shownChart() const;
    void tabChanged();

    QTabWidget *m_tabs;
    QChartView *m_abilityView;
    std::unique_ptr<AbilityChart> m_abilities;
    QLabel *m_pointLabel;
    QWidget *m_diceTab;
    QList<QChartView *> m_diceViews; // in the order of DiceCharts::Chart
    QHBoxLayout *m_diceRow;
    QLabel *m_verdict;
    ChartTables::TrackModel *m_trackModel;
    QTableView *m_trackTable;
    QTableWidget *m_diceTable;
    QPushButton *m_save;
    QString m_lastFolder;
    std::function<void()> m_tabShown;
    bool m_linesChangedOnly = false; // the lines' strip is drawn already
};
