#include "ChartWindow.h"

#include "AbilityChart.h"
#include "ChartTables.h"
#include "DiceCharts.h"
#include "DiceStatistics.h"
#include "FileDialogs.h"
#include "FileError.h"
#include "WholeFile.h"

#include <QBuffer>
#include <QChartView>
#include <QFileDialog>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSvgGenerator>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

QChartView *chartView(const QString &name, QWidget *parent)
{
    auto *view = new QChartView(new QChart, parent);
    view->setObjectName(name);
    view->chart()->setAnimationOptions(QChart::NoAnimation);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

} // namespace

ChartWindow::ChartWindow(QWidget *parent)
    : QDialog(parent), m_tabs(new QTabWidget(this)),
      m_abilityView(chartView(u"AbilityChart"_s, this)),
      m_abilities(std::make_unique<AbilityChart>(m_abilityView->chart())),
      m_pointLabel(new QLabel(this)),
      m_diceTab(new QWidget(this)), m_diceViews{chartView(u"FacesChart"_s, m_diceTab),
                                                chartView(u"TotalsChart"_s, m_diceTab),
                                                chartView(u"HundredsChart"_s, m_diceTab)},
      m_verdict(new QLabel(m_diceTab)), m_trackModel(new ChartTables::TrackModel(this)),
      m_trackTable(
          ChartTables::readOnlyTable(new QTableView(this), u"AbilityTable"_s, u"能力値の表"_s)),
      m_diceTable(new QTableWidget(this)), m_save(new QPushButton(u"画像として保存(&S)..."_s, this))
{
    setObjectName(u"ChartWindow"_s);
    setWindowTitle(u"グラフ"_s);
    // Opened from the sheet's menu, it stands beside the sheet: the reader goes on typing there.
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_tabs->setObjectName(u"ChartTabs"_s);
    m_abilityView->setAccessibleName(u"能力値のグラフ"_s);
    m_diceViews[DiceCharts::Faces]->setAccessibleName(u"出た目のグラフ"_s);
    m_diceViews[DiceCharts::Totals]->setAccessibleName(u"合計の分布のグラフ"_s);
    m_diceViews[DiceCharts::Hundreds]->setAccessibleName(u"百面ダイスの出目のグラフ"_s);
    m_diceViews[DiceCharts::Hundreds]->hide();
    m_pointLabel->setObjectName(u"ChartPoint"_s);
    m_diceTab->setObjectName(u"DiceTab"_s);
    m_verdict->setObjectName(u"DiceVerdict"_s);
    m_verdict->setWordWrap(true);
    m_verdict->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_trackTable->setModel(m_trackModel);
    ChartTables::readOnlyTable(m_diceTable, u"DiceTable"_s, u"ダイスの表"_s);

    auto *abilityTab = new QWidget(this);
    abilityTab->setObjectName(u"AbilityTab"_s);
    auto *abilityLayout = new QVBoxLayout(abilityTab);
    abilityLayout->addWidget(m_abilityView, 1);
    abilityLayout->addWidget(m_pointLabel);
    auto *diceLayout = new QVBoxLayout(m_diceTab);
    diceLayout->addWidget(m_verdict);
    // The totals want the width: 2D6 has eleven of them. A chart hidden leaves its room to the
    // others; the tens of a hundred-sided die take a row of their own.
    m_diceRow = new QHBoxLayout;
    m_diceRow->addWidget(m_diceViews[DiceCharts::Faces], 1);
    m_diceRow->addWidget(m_diceViews[DiceCharts::Totals], 2);
    auto *diceCharts = new QVBoxLayout;
    diceCharts->addLayout(m_diceRow, 1);
    diceCharts->addWidget(m_diceViews[DiceCharts::Hundreds], 1);
    diceLayout->addLayout(diceCharts, 1);
    m_tabs->addTab(abilityTab, u"能力値"_s);
    m_tabs->addTab(m_diceTab, u"ダイス"_s);
    m_tabs->addTab(m_trackTable, u"能力値の表"_s);
    m_tabs->addTab(m_diceTable, u"ダイスの表"_s);

    m_save->setObjectName(u"SaveImageButton"_s);
    m_save->setToolTip(u"表示しているグラフを PNG か SVG の画像に書き出す"_s);
    auto *close = new QPushButton(u"閉じる"_s, this);
    close->setObjectName(u"CloseButton"_s);
    // Enter presses no button here: a picture is saved only by a click or Space on the button.
    for (QPushButton *button : {m_save, close}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_save);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);
    resize(720, 600);

    connect(m_save, &QPushButton::clicked, this, &ChartWindow::chooseImageFile);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    // The ability chart's repaints are chosen here, so that a step repaints only what it changed.
    m_abilityView->setViewportUpdateMode(QGraphicsView::NoViewportUpdate);
    connect(m_abilityView->scene(), &QGraphicsScene::changed, this,
            &ChartWindow::abilitySceneChanged);
    connect(m_tabs, &QTabWidget::currentChanged, this, &ChartWindow::tabChanged);
}

ChartWindow::~ChartWindow()
{
    // The tabs go after this window's members: what they say on their way is for nobody.
    disconnect(m_tabs, nullptr, this, nullptr);
}

void ChartWindow::tabChanged()
{
    // A table has no picture to save.
    m_save->setEnabled(m_tabs->currentIndex() < m_tabs->indexOf(m_trackTable));
    if (m_tabShown)
        m_tabShown();
}

void ChartWindow::showTrack(const QList<PrintedSheet::Line> &lines,
                            const QList<AbilityTrack::Point> &points, int firstChanged)
{
    m_trackModel->show(lines, points, firstChanged);
    const qsizetype before = m_abilities->series().size();
    const AbilityChart::Change change = m_abilities->show(lines, points, firstChanged);
    // Smooth lines while they are few; a long route's many short segments are drawn plain.
    m_abilityView->setRenderHint(QPainter::Antialiasing, points.size() <= AntialiasedUpTo);
    // A step on a long route changes the lines at their end: only that strip is drawn again,
    // not the whole plot the chart would repaint for a line that changed.
    m_linesChangedOnly = change.kind == AbilityChart::Change::Kind::Lines;
    if (m_linesChangedOnly) {
        for (const QRectF &area : change.areas) {
            const QRectF strip =
                m_abilityView->chart()->mapRectToScene(m_abilities->chartArea(area));
            m_abilityView->viewport()->update(
                m_abilityView->mapFromScene(strip).boundingRect().adjusted(-2, -2, 2, 2));
        }
    }
    if (m_abilities->series().size() == before && before > 0)
        return;
    for (QLineSeries *series : m_abilities->series()) {
        connect(series, &QLineSeries::hovered, this,
                [this, series](const QPointF &point, bool state) {
                    if (state)
                        pointed(series, point);
                });
        connect(series, &QLineSeries::clicked, this,
                [this, series](const QPointF &point) { pointed(series, point); });
    }
}

void ChartWindow::abilitySceneChanged(const QList<QRectF> &rects)
{
    // What the lines' change marks on the plot was drawn as a strip (showTrack); the rest, as
    // the chart marks it.
    const QRectF plot = m_abilityView->chart()->mapRectToScene(
        m_abilityView->chart()->plotArea().adjusted(-8, -8, 8, 8));
    const bool linesOnly = std::exchange(m_linesChangedOnly, false);
    for (const QRectF &rect : rects) {
        if (linesOnly && plot.contains(rect))
            continue;
        m_abilityView->viewport()->update(
            m_abilityView->mapFromScene(rect).boundingRect().adjusted(-2, -2, 2, 2));
    }
}

void ChartWindow::pointed(QLineSeries *series, const QPointF &point)
{
    const QString text = m_abilities->pointText(series, point.x());
    m_pointLabel->setText(text);
    if (!text.isEmpty())
        QToolTip::showText(QCursor::pos(), text, m_abilityView);
}

void ChartWindow::showDice(const DiceStatistics &statistics)
{
    const QList<DiceCharts::Bars> bars = DiceCharts::barsOf(statistics);
    for (int chart = 0; chart < DiceCharts::ChartCount; ++chart)
        DiceCharts::show(m_diceViews[chart]->chart(), bars[chart]);
    // Only the charts with bars, and at least one of the totals.
    const bool hundreds = !bars[DiceCharts::Hundreds].categories.isEmpty();
    m_diceViews[DiceCharts::Hundreds]->setVisible(hundreds);
    m_diceViews[DiceCharts::Totals]->setVisible(!hundreds ||
                                                !bars[DiceCharts::Totals].categories.isEmpty());
    ChartTables::showDice(m_diceTable, statistics);
    QString text = u"ロール %1 回、ダイス %2 個 (%3〜%4 の目)。"_s.arg(statistics.rollCount())
                       .arg(statistics.throwCount())
                       .arg(statistics.lowestFace())
                       .arg(statistics.highestFace());
    if (statistics.throwCount() > 0)
        text += u" χ² = %1 (自由度 %2)、p = %3。"_s.arg(statistics.chiSquare(), 0, 'f', 2)
                    .arg(statistics.degreesOfFreedom())
                    .arg(statistics.pValue(), 0, 'g', 3);
    text += u'\n' + statistics.verdictText();
    m_verdict->setText(text);
    const bool warn = statistics.verdict() == DiceStatistics::Verdict::Suspicious;
    m_verdict->setStyleSheet(warn ? u"color: #b00000; font-weight: bold;"_s : QString());
}

bool ChartWindow::abilitiesShown() const
{
    const QWidget *shown = m_tabs->currentWidget();
    return shown == m_abilityView->parentWidget() || shown == m_trackTable;
}

bool ChartWindow::diceShown() const
{
    const QWidget *shown = m_tabs->currentWidget();
    return shown == m_diceTab || shown == m_diceTable;
}

void ChartWindow::whenTabShown(std::function<void()> shown)
{
    m_tabShown = std::move(shown);
}

QWidget *ChartWindow::shownChart() const
{
    return abilitiesShown() ? static_cast<QWidget *>(m_abilityView) : m_diceTab;
}

QString ChartWindow::saveImage(const QString &path)
{
    QWidget *chart = shownChart();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (path.endsWith(u".svg"_s, Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(chart->size());
        svg.setViewBox(QRect(QPoint(0, 0), chart->size()));
        svg.setTitle(windowTitle());
        QPainter painter(&svg);
        chart->render(&painter);
    } else if (!chart->grab().save(&buffer, "PNG")) {
        return u"画像を作れませんでした。"_s;
    }
    try {
        writeWholeFile(path, buffer.data(), WriteFailureText::CannotCreateThenByCause);
    } catch (const FileError &error) {
        return error.message();
    }
    return {};
}

void ChartWindow::chooseImageFile()
{
    QFileDialog dialog(this, u"画像として保存"_s, m_lastFolder,
                       u"PNG 画像 (*.png);;SVG 画像 (*.svg)"_s);
    dialog.setObjectName(u"SaveImageDialog"_s);
    FileDialogs::readNoContents(&dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(u"png"_s);
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &filter) {
        dialog.setDefaultSuffix(filter.contains(u"*.svg"_s) ? u"svg"_s : u"png"_s);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    m_lastFolder = QFileInfo(path).absolutePath();
    if (const QString failure = saveImage(path); !failure.isEmpty()) {
        QMessageBox box(QMessageBox::Warning, u"画像として保存"_s, failure, QMessageBox::Ok, this);
        box.setObjectName(u"SaveImageFailure"_s);
        box.exec();
    }
}
