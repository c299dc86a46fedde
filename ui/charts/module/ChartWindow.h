#pragma once

#include "ChartsModule.h"

#include <QDialog>

#include <functional>
#include <memory>

class AbilityChart;
class QChartView;
class QLabel;
class QLineSeries;
class QTabWidget;

// The window "グラフ": the tab "能力値" charts the abilities and the money along the route, the
// tab "ダイス" the faces and totals of every roll against those of fair dice, with the verdict
// of a chi-square test in words. It shows what it is handed and changes nothing.
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

    QTabWidget *m_tabs;
    QChartView *m_abilityView;
    std::unique_ptr<AbilityChart> m_abilities;
    QLabel *m_pointLabel;
    QWidget *m_diceTab;
    QChartView *m_facesView;
    QChartView *m_totalsView;
    QLabel *m_verdict;
    QString m_lastFolder;
    std::function<void()> m_tabShown;
    bool m_linesChangedOnly = false; // the lines' strip is drawn already
};
