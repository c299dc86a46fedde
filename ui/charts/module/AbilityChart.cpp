#include "AbilityChart.h"

#include <QCategoryAxis>
#include <QChart>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

AbilityChart::AbilityChart(QChart *chart)
    : m_chart(chart), m_xAxis(new QCategoryAxis(chart)), m_yAxis(new QValueAxis(chart))
{
    m_chart->addAxis(m_xAxis, Qt::AlignBottom);
    m_chart->addAxis(m_yAxis, Qt::AlignLeft);
    m_xAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    // Each label closes a category that begins at the one before; the first at the start.
    m_xAxis->setStartValue(-1);
    m_xAxis->setTitleText(u"パラグラフ"_s);
    m_yAxis->setLabelFormat(u"%d"_s);
    m_chart->legend()->setAlignment(Qt::AlignBottom);
}

void AbilityChart::show(const QList<PrintedSheet::Line> &lines,
                        const QList<AbilityTrack::Point> &points, int firstChanged)
{
    const bool sameLines = lines.size() == m_lines.size() &&
                           std::equal(lines.cbegin(), lines.cend(), m_lines.cbegin(),
                                      [](const PrintedSheet::Line &a, const PrintedSheet::Line &b) {
                                          return a.name == b.name && a.index == b.index;
                                      });
    if (sameLines && firstChanged >= points.size() && points.size() == m_points.size())
        return;
    m_points = points;
    if (!sameLines) {
        for (QLineSeries *old : std::as_const(m_series)) {
            m_chart->removeSeries(old);
            delete old;
        }
        m_series.clear();
        m_lines = lines;
        for (const PrintedSheet::Line &line : lines) {
            auto *series = new QLineSeries(m_chart);
            series->setName(line.name);
            series->setPointsVisible(false);
            m_chart->addSeries(series);
            series->attachAxis(m_xAxis);
            series->attachAxis(m_yAxis);
            m_series.append(series);
        }
    }
    int lowest = std::numeric_limits<int>::max();
    int highest = std::numeric_limits<int>::min();
    for (qsizetype i = 0; i < m_series.size(); ++i) {
        const QList<QPointF> drawn = drawnPoints(m_lines[i].index, lowest, highest);
        // A short route shows its points, and a lone point is no line at all. A long one is
        // drawn with thin lines: a wide pen is stroked into an outline at every repaint, which
        // costs more than the whole rest of the chart.
        const bool few = drawn.size() <= ShownPointsUpTo;
        m_series[i]->setPointsVisible(few);
        QPen pen = m_series[i]->pen();
        pen.setWidthF(few ? 2.0 : 1.0);
        pen.setCosmetic(!few);
        m_series[i]->setPen(pen);
        m_series[i]->replace(drawn);
    }
    if (lowest > highest)
        lowest = highest = 0;
    // A margin above and below, so that a line along the top or the bottom stays visible.
    const int margin = std::max(1, (highest - lowest) / 10);
    m_yAxis->setRange(lowest - margin, highest + margin);
    m_yAxis->applyNiceNumbers();
    m_xAxis->setRange(0, std::max<qsizetype>(1, m_points.size() - 1));
    showLabels(sameLines ? firstChanged : 0);
}

QList<QPointF> AbilityChart::drawnPoints(int valueIndex, int &lowest, int &highest) const
{
    const qsizetype count = m_points.size();
    const qsizetype run =
        std::max<qsizetype>(1, (count + MaxDrawnPoints / 2 - 1) / (MaxDrawnPoints / 2));
    QList<QPointF> drawn;
    drawn.reserve(std::min<qsizetype>(count, MaxDrawnPoints + 2));
    for (qsizetype start = 0; start < count; start += run) {
        const qsizetype end = std::min(count, start + run);
        qsizetype low = -1;
        qsizetype high = -1;
        for (qsizetype i = start; i < end; ++i) {
            if (!m_points[i].known)
                continue;
            const int value = m_points[i].values[size_t(valueIndex)];
            if (low < 0 || value < m_points[low].values[size_t(valueIndex)])
                low = i;
            if (high < 0 || value > m_points[high].values[size_t(valueIndex)])
                high = i;
        }
        if (low < 0)
            continue;
        lowest = std::min(lowest, m_points[low].values[size_t(valueIndex)]);
        highest = std::max(highest, m_points[high].values[size_t(valueIndex)]);
        // In the order they came along the route.
        for (qsizetype i : {std::min(low, high), std::max(low, high)}) {
            drawn.append(QPointF(double(i), m_points[i].values[size_t(valueIndex)]));
            if (low == high)
                break;
        }
    }
    return drawn;
}

void AbilityChart::showLabels(int firstChanged)
{
    const qsizetype last = m_points.size() - 1;
    const qsizetype stride = std::max<qsizetype>(1, (last + AxisLabels - 1) / AxisLabels);
    // The labels stand where they stood while the stride is the same, no new one is due and
    // none of their paragraphs changed: a step on a long route leaves them alone.
    if (stride == m_labelStride && last / stride == m_labelledCount / stride &&
        firstChanged > m_labelledCount - m_labelledCount % stride)
        return;
    m_labelStride = stride;
    m_labelledCount = last;
    for (const QString &label : m_xAxis->categoriesLabels())
        m_xAxis->remove(label);
    QStringList used;
    for (qsizetype i = 0; i <= last; i += stride) {
        QString label =
            m_points[i].paragraph == 0 ? u"開始"_s : QString::number(m_points[i].paragraph);
        // The axis keeps one label per text: a paragraph seen twice gets an invisible mark.
        while (used.contains(label))
            label += QChar(0x200B);
        used.append(label);
        m_xAxis->append(label, double(i));
    }
}

QString AbilityChart::pointText(const QLineSeries *series, double x) const
{
    const qsizetype line = m_series.indexOf(const_cast<QLineSeries *>(series));
    const auto index = qsizetype(std::lround(x));
    if (line < 0 || index < 0 || index >= m_points.size() || !m_points[index].known)
        return {};
    const AbilityTrack::Point &point = m_points[index];
    const QString where =
        point.paragraph == 0 ? u"開始"_s : u"パラグラフ %1"_s.arg(point.paragraph);
    return u"%1  %2: %3"_s.arg(where, m_lines[line].name)
        .arg(point.values[size_t(m_lines[line].index)]);
}
