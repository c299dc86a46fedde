#include "AbilityChart.h"

#include "AxisScale.h"

#include <QCategoryAxis>
#include <QChart>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>

#include <algorithm>
#include <array>
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
    m_yAxis->setLabelFormat(u"%.0f"_s);
    m_chart->legend()->setAlignment(Qt::AlignBottom);
}

AbilityChart::Change AbilityChart::show(const QList<PrintedSheet::Line> &lines,
                                        const QList<AbilityTrack::Point> &points, int firstChanged)
{
    const bool sameLines = lines.size() == m_lines.size() &&
                           std::equal(lines.cbegin(), lines.cend(), m_lines.cbegin(),
                                      [](const PrintedSheet::Line &a, const PrintedSheet::Line &b) {
                                          return a.name == b.name && a.index == b.index;
                                      });
    if (sameLines && firstChanged >= points.size() && points.size() == m_points.size())
        return {};
    m_points = points;
    Change change;
    if (!sameLines) {
        replaceLines(lines);
        firstChanged = 0;
        change.kind = Change::Kind::Everything;
    }
    const ThinnedLine::Thinning thinning =
        ThinnedLine::thinningFor(m_points.size(), drawnPoints(), ShownPointsUpTo);
    // A short route shows its points, and a lone point is no line at all. A long one is drawn
    // with thin lines: a wide pen is stroked into an outline at every repaint, which costs more
    // than the whole rest of the chart.
    if (const bool few = !thinning.joinLevels; few != m_few) {
        m_few = few;
        for (QLineSeries *series : std::as_const(m_series)) {
            series->setPointsVisible(few);
            QPen pen = series->pen();
            pen.setWidthF(few ? 2.0 : 1.0);
            pen.setCosmetic(!few);
            series->setPen(pen);
        }
        change.kind = Change::Kind::Everything;
    }
    for (qsizetype i = 0; i < m_series.size(); ++i) {
        const QList<QPointF> before = m_drawn[i].points();
        const qsizetype changed =
            m_drawn[i].update(m_points, m_lines[i].index, thinning, firstChanged);
        if (changed < 0)
            continue;
        const QList<QPointF> &drawn = m_drawn[i].points();
        // The segment into the first changed point changed too, and the points it replaced.
        const qsizetype from = std::max<qsizetype>(0, changed - 1);
        QPointF low = drawn.value(from, before.value(from));
        QPointF high = low;
        for (const QList<QPointF> *line : {&before, &drawn}) {
            for (qsizetype p = from; p < line->size(); ++p) {
                const QPointF &point = (*line)[p];
                low = QPointF(std::min(low.x(), point.x()), std::min(low.y(), point.y()));
                high = QPointF(std::max(high.x(), point.x()), std::max(high.y(), point.y()));
            }
        }
        // A rectangle of no width or height is still an area here: a level line's end.
        change.areas.append(QRectF(low, high));
        if (change.kind == Change::Kind::Nothing)
            change.kind = Change::Kind::Lines;
        m_series[i]->replace(drawn);
    }
    const bool rangesChanged = showRanges();
    if (showLabels(firstChanged) || rangesChanged)
        change.kind = Change::Kind::Everything;
    return change;
}

int AbilityChart::drawnPoints() const
{
    // About one point per pixel, in steps of 64 pixels so that a slight change of the plot's
    // width (a wider label) does not thin the lines again.
    const int width = int(m_chart->plotArea().width()) / 64 * 64;
    return width >= 128 ? width : MaxDrawnPoints;
}

QRectF AbilityChart::chartArea(const QRectF &values) const
{
    if (m_series.isEmpty())
        return m_chart->plotArea();
    const QLineSeries *series = m_series.constFirst();
    const QPointF topLeft = m_chart->mapToPosition(QPointF(values.left(), values.bottom()),
                                                   const_cast<QLineSeries *>(series));
    const QPointF bottomRight = m_chart->mapToPosition(QPointF(values.right(), values.top()),
                                                       const_cast<QLineSeries *>(series));
    // Wide enough for the pen and the marks of the points, and within the plot.
    constexpr double Margin = 6;
    return QRectF(topLeft, bottomRight)
        .normalized()
        .adjusted(-Margin, -Margin, Margin, Margin)
        .intersected(m_chart->plotArea().adjusted(-Margin, -Margin, Margin, Margin));
}

qsizetype AbilityChart::labelStride(qsizetype last)
{
    // A round distance: 1, 2, 3, 4, 5, 6, 8, 10, 15, 20, 25, 30, 40...; the labels move only when
    // the route has grown by a good part.
    constexpr std::array<int, 9> Tenths{10, 15, 20, 25, 30, 40, 50, 60, 80};
    for (qsizetype base = 1;; base *= 10) {
        for (const int tenths : Tenths) {
            if ((base * tenths) % 10 != 0)
                continue;
            if (const qsizetype stride = base * tenths / 10; stride * AxisLabels >= last)
                return stride;
        }
    }
}

void AbilityChart::replaceLines(const QList<PrintedSheet::Line> &lines)
{
    for (QLineSeries *old : std::as_const(m_series)) {
        m_chart->removeSeries(old);
        delete old;
    }
    m_series.clear();
    m_drawn.clear();
    m_lines = lines;
    for (const PrintedSheet::Line &line : lines) {
        auto *series = new QLineSeries(m_chart);
        series->setName(line.name);
        series->setPointsVisible(false);
        m_chart->addSeries(series);
        series->attachAxis(m_xAxis);
        series->attachAxis(m_yAxis);
        m_series.append(series);
        m_drawn.append(ThinnedLine());
    }
    m_valueRange = {1, 0};
    m_xEnd = -1;
    m_few.reset();
}

qsizetype AbilityChart::xAxisEnd(qsizetype last)
{
    last = std::max<qsizetype>(1, last);
    if (last <= ExactXUpTo)
        return last;
    // Rounded up to a power of two no larger than a 64th of the route: a registration widens
    // the axis, and so moves every line, once in that many.
    qsizetype step = 1;
    while (step * 2 <= last / 64)
        step *= 2;
    return (last + step - 1) / step * step;
}

bool AbilityChart::showRanges()
{
    // The drawn points hold the lowest and the highest value of every run.
    int lowest = std::numeric_limits<int>::max();
    int highest = std::numeric_limits<int>::min();
    for (const ThinnedLine &line : std::as_const(m_drawn)) {
        for (const QPointF &point : line.points()) {
            lowest = std::min(lowest, int(point.y()));
            highest = std::max(highest, int(point.y()));
        }
    }
    if (lowest > highest)
        lowest = highest = 0;
    bool changed = false;
    if (std::pair(lowest, highest) != m_valueRange) {
        changed = true;
        m_valueRange = {lowest, highest};
        // A margin above and below, so that a line along the top or the bottom stays visible;
        // in double, so that values near the ends of int do not wrap.
        const double margin = std::max(1.0, (double(highest) - double(lowest)) / 10);
        const AxisScale scale =
            AxisScale::wholeNumbers(lowest - margin, highest + margin, ValueTicks);
        m_yAxis->setRange(scale.low, scale.high);
        m_yAxis->setTickCount(scale.tickCount);
    }
    if (const qsizetype end = xAxisEnd(m_points.size() - 1); end != m_xEnd) {
        changed = true;
        m_xEnd = end;
        m_xAxis->setRange(0, double(end));
    }
    return changed;
}

bool AbilityChart::showLabels(int firstChanged)
{
    const qsizetype last = m_points.size() - 1;
    const qsizetype stride = labelStride(last);
    // The labels stand where they stood while the stride is the same, no new one is due and
    // none of their paragraphs changed: a step on a long route leaves them alone.
    if (stride == m_labelStride && last / stride == m_labelledCount / stride &&
        firstChanged > m_labelledCount - m_labelledCount % stride)
        return false;
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
    return true;
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
    return u"%1  %2: %3"_s.arg(where, m_lines[line].name,
                               QString::number(point.values[size_t(m_lines[line].index)]));
}
