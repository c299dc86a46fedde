#include "SheetPages.h"

#include "AbilityChart.h"

#include <QChart>
#include <QGraphicsScene>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>

using namespace Qt::StringLiterals;

namespace {

// The size the chart is laid out at before it is scaled onto the page: its texts keep their
// proportions to the lines whatever the printer's resolution.
constexpr QSizeF ChartLayoutSize(960, 560);

class PageWriter
{
public:
    PageWriter(QPainter &painter, QPagedPaintDevice *device, const QFont &font)
        : m_painter(painter), m_device(device), m_font(font),
          m_page(device->pageLayout().paintRectPixels(device->logicalDpiX()))
    {
        m_page.moveTo(0, 0);
        m_y = m_page.top();
        m_font.setPointSizeF(10.5);
    }

    double remaining() const { return m_page.bottom() - m_y; }
    const QRect &page() const { return m_page; }

    void newPage()
    {
        m_device->newPage();
        m_y = m_page.top();
    }

    void heading(const QString &text, double points)
    {
        QFont bold = m_font;
        bold.setPointSizeF(points);
        bold.setBold(true);
        m_painter.setFont(bold);
        const QRectF box(m_page.left(), m_y, m_page.width(), m_page.height());
        const QRectF used = m_painter.boundingRect(box, Qt::TextWordWrap, text);
        // A heading is never left alone at the foot of a page: it goes with its first line.
        if (m_y > m_page.top() &&
            used.height() + QFontMetricsF(m_font, m_device).height() * 1.5 > remaining()) {
            newPage();
            heading(text, points);
            return;
        }
        m_painter.drawText(box, Qt::TextWordWrap, text);
        m_y += used.height() + QFontMetricsF(bold, m_device).height() * 0.3;
    }

    // A block of entries joined by separator, wrapped at the page's width: between words where
    // there are any, anywhere in a word wider than the page. Whatever does not fit on the page
    // goes on at the top of the next: nothing is left out.
    void block(const QStringList &entries, const QString &separator)
    {
        QString text = entries.join(separator);
        text.replace(u'\n', QChar::LineSeparator);
        QTextLayout layout(text, m_font, m_device);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(m_page.width());
        layout.endLayout();
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            if (m_y > m_page.top() && line.height() > remaining())
                newPage();
            line.draw(&m_painter, QPointF(m_page.left(), m_y - line.y()));
            m_y += line.height();
        }
        m_y += QFontMetricsF(m_font, m_device).height() * 0.6;
    }

    void table(const QList<QStringList> &rows)
    {
        m_painter.setFont(m_font);
        const double line = QFontMetricsF(m_font, m_device).height() * 1.2;
        const double columns[] = {0, m_page.width() * 0.35, m_page.width() * 0.5};
        for (const QStringList &row : rows) {
            for (qsizetype c = 0; c < row.size() && c < 3; ++c) {
                const QRectF cell(m_page.left() + columns[c], m_y, m_page.width() * 0.3, line);
                m_painter.drawText(cell, c == 0 ? Qt::AlignLeft : Qt::AlignRight, row[c]);
            }
            m_y += line;
        }
        m_y += line * 0.5;
    }

    void chart(const PrintedSheet &sheet, double height)
    {
        QChart chart;
        chart.setAnimationOptions(QChart::NoAnimation);
        QFont small = m_font;
        small.setPixelSize(14);
        chart.setFont(small);
        AbilityChart ability(&chart);
        ability.show(sheet.lines, sheet.points, 0);
        chart.legend()->setFont(small);
        QGraphicsScene scene;
        scene.addItem(&chart);
        chart.resize(ChartLayoutSize);
        const QRectF target(m_page.left(), m_y, m_page.width(), height);
        scene.render(&m_painter, target, QRectF(QPointF(), ChartLayoutSize), Qt::KeepAspectRatio);
        scene.removeItem(&chart);
        m_y += height + QFontMetricsF(m_font, m_device).height();
    }

    void advance(double by) { m_y += by; }

private:
    QPainter &m_painter;
    QPagedPaintDevice *m_device;
    QFont m_font;
    QRect m_page;
    double m_y = 0;
};

} // namespace

SheetPages::SheetPages(const PrintedSheet &sheet, const QFont &font) : m_sheet(sheet), m_font(font)
{}

void SheetPages::paint(QPagedPaintDevice *device) const
{
    QPainter painter(device);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    PageWriter page(painter, device, m_font);
    const double pageHeight = page.page().height();

    page.heading(m_sheet.name.isEmpty() ? u"(名前なし)"_s : m_sheet.name, 18);
    QList<QStringList> rows{{u"能力"_s, u"原点"_s, u"現在値"_s}};
    for (const PrintedSheet::Ability &ability : m_sheet.abilities)
        rows.append(
            {ability.name, QString::number(ability.origin), QString::number(ability.current)});
    page.table(rows);
    page.heading(u"所持金"_s, 12);
    page.block({QString::number(m_sheet.money)}, {});
    page.heading(u"所持品"_s, 12);
    page.block(m_sheet.inventory.isEmpty() ? QStringList{u"なし"_s} : m_sheet.inventory, u"\n"_s);
    page.heading(u"フラグ"_s, 12);
    page.block(m_sheet.flags.isEmpty() ? QStringList{u"なし"_s} : m_sheet.flags, u"、"_s);

    const bool hasChart = m_sheet.points.size() > 1 || !m_sheet.route.isEmpty();
    if (!hasChart)
        return;
    page.newPage();
    page.heading(u"能力値の推移"_s, 12);
    page.chart(m_sheet, pageHeight * 0.45);
    page.heading(u"道程"_s, 12);
    QStringList route;
    for (std::uint16_t paragraph : m_sheet.route)
        route.append(QString::number(paragraph));
    page.block(route.isEmpty() ? QStringList{u"なし"_s} : route, u" → "_s);
}
