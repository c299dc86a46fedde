#include "DiceImage.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int Cleared = -1;

} // namespace

DiceImage::DiceImage(QWidget *parent) : QWidget(parent), m_faces(devicePixelRatioF())
{
    m_cells.fill(Cleared);
    setFixedSize(sizeHint());
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize DiceImage::sizeHint() const
{
    return {DiceFaces::Size * CellCount, DiceFaces::Size};
}

void DiceImage::clear()
{
    m_cells.fill(Cleared);
    if (!m_canvas.isNull())
        m_canvas.fill(palette().color(QPalette::Button));
    update();
}

void DiceImage::drawFace(int cell, int picture)
{
    if (cell < 0 || cell >= CellCount)
        return;
    m_cells[static_cast<std::size_t>(cell)] = std::clamp(picture, 0, DiceFaces::Count - 1);
    if (!m_canvas.isNull()) {
        QPainter painter(&m_canvas);
        renderCell(painter, cell);
    }
    update(cell * DiceFaces::Size, 0, DiceFaces::Size, DiceFaces::Size);
}

std::optional<int> DiceImage::face(int cell) const
{
    if (cell < 0 || cell >= CellCount || m_cells[static_cast<std::size_t>(cell)] == Cleared)
        return std::nullopt;
    return m_cells[static_cast<std::size_t>(cell)];
}

const QPixmap &DiceImage::canvas()
{
    if (m_canvas.isNull() || m_canvas.devicePixelRatio() != devicePixelRatioF())
        renderCanvas();
    return m_canvas;
}

void DiceImage::renderCanvas()
{
    const qreal ratio = devicePixelRatioF();
    if (m_faces.devicePixelRatio() != ratio)
        m_faces = DiceFaces(ratio);
    const QSize size = sizeHint();
    m_canvas = QPixmap(qRound(size.width() * ratio), qRound(size.height() * ratio));
    m_canvas.setDevicePixelRatio(ratio);
    QPainter painter(&m_canvas);
    for (int cell = 0; cell < CellCount; ++cell)
        renderCell(painter, cell);
}

void DiceImage::renderCell(QPainter &painter, int cell)
{
    // A face goes onto a freshly filled cell: drawing its soft edges over the last face again
    // and again would darken them step by step.
    const QRect area(cell * DiceFaces::Size, 0, DiceFaces::Size, DiceFaces::Size);
    painter.fillRect(area, palette().color(QPalette::Button));
    const int picture = m_cells[static_cast<std::size_t>(cell)];
    if (picture != Cleared)
        painter.drawPixmap(area.topLeft(), m_faces.picture(picture));
}

void DiceImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, canvas());
}

void DiceImage::changeEvent(QEvent *event)
{
    // The button colour follows the palette; cleared cells take the new one.
    if (event->type() == QEvent::PaletteChange && !m_canvas.isNull()) {
        m_canvas = QPixmap();
        update();
    }
    QWidget::changeEvent(event);
}
