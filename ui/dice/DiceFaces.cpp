#include "DiceFaces.h"

#include "Fonts.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <span>

namespace {

// Pip centres on a three by three grid, with the half-way rows for the columns of two.
constexpr qreal Left = 8.5, Middle = 16.0, Right = 23.5;
constexpr qreal Top = 8.5, Centre = 16.0, Bottom = 23.5;
constexpr qreal UpperHalf = 12.25, LowerHalf = 19.75;
constexpr qreal PipRadius = 2.5;
constexpr qreal AcePipRadius = 4.6;

using Pip = QPointF;

std::span<const Pip> pipsOf(int face)
{
    static const Pip two[] = {{Right, Top}, {Left, Bottom}};
    static const Pip three[] = {{Right, Top}, {Middle, Centre}, {Left, Bottom}};
    static const Pip four[] = {{Left, Top}, {Right, Top}, {Left, Bottom}, {Right, Bottom}};
    static const Pip five[] = {
        {Left, Top}, {Right, Top}, {Middle, Centre}, {Left, Bottom}, {Right, Bottom}};
    static const Pip six[] = {{Left, Top},  {Left, Centre},  {Left, Bottom},
                              {Right, Top}, {Right, Centre}, {Right, Bottom}};
    static const Pip seven[] = {{Left, UpperHalf}, {Left, LowerHalf}, {Middle, Top},
                                {Middle, Centre},  {Middle, Bottom},  {Right, UpperHalf},
                                {Right, LowerHalf}};
    static const Pip eight[] = {{Left, Top},         {Left, Centre},      {Left, Bottom},
                                {Middle, UpperHalf}, {Middle, LowerHalf}, {Right, Top},
                                {Right, Centre},     {Right, Bottom}};
    static const Pip nine[] = {{Left, Top},   {Left, Centre},   {Left, Bottom},
                               {Middle, Top}, {Middle, Centre}, {Middle, Bottom},
                               {Right, Top},  {Right, Centre},  {Right, Bottom}};
    switch (face) {
    case 2:
        return two;
    case 3:
        return three;
    case 4:
        return four;
    case 5:
        return five;
    case 6:
        return six;
    case 7:
        return seven;
    case 8:
        return eight;
    case 9:
        return nine;
    default:
        return {};
    }
}

void drawBlank(QPainter &painter)
{
    // Half-pixel offsets put the one-pixel outline on whole pixels; the outermost pixel row
    // stays transparent.
    painter.setPen(QPen(Qt::black, 1.0));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(1.5, 1.5, 29.0, 29.0), 5.0, 5.0);
}

void drawPips(QPainter &painter, int face)
{
    painter.setPen(Qt::NoPen);
    if (face == 1) {
        painter.setBrush(QColor(0xD0, 0x10, 0x10));
        painter.drawEllipse(QPointF(Middle, Centre), AcePipRadius, AcePipRadius);
        return;
    }
    painter.setBrush(Qt::black);
    for (const Pip &pip : pipsOf(face))
        painter.drawEllipse(pip, PipRadius, PipRadius);
}

void drawDigit(QPainter &painter, int digit)
{
    QFont font = Fonts::proportional(22, true);
    font.setStyleStrategy(QFont::PreferAntialias);
    // A path centred on its own bounds sits in the middle whatever the font's metrics are.
    QPainterPath path;
    path.addText(0, 0, font, QString::number(digit));
    const QRectF bounds = path.boundingRect();
    const bool underlined = digit == 6 || digit == 9;
    const qreal centreY = underlined ? 14.5 : 16.0;
    path.translate(16.0 - bounds.center().x(), centreY - bounds.center().y());
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPath(path);
    if (underlined) {
        // 6 and 9 look alike upside down; the bar tells which way up the die lies.
        const qreal y = std::min(path.boundingRect().bottom() + 2.5, 26.5);
        painter.drawRect(QRectF(11.0, y - 1.0, 10.0, 2.0));
    }
}

} // namespace

DiceFaces::DiceFaces(qreal devicePixelRatio) : m_devicePixelRatio(devicePixelRatio) {}

const QPixmap &DiceFaces::picture(int index) const
{
    QPixmap &picture = m_pictures[static_cast<std::size_t>(std::clamp(index, 0, Count - 1))];
    if (picture.isNull())
        picture = draw(std::clamp(index, 0, Count - 1), m_devicePixelRatio);
    return picture;
}

int DiceFaces::drawnCount() const
{
    return static_cast<int>(
        std::count_if(m_pictures.begin(), m_pictures.end(),
                      [](const QPixmap &picture) { return !picture.isNull(); }));
}

QPixmap DiceFaces::draw(int index, qreal devicePixelRatio)
{
    const int side = static_cast<int>(std::ceil(Size * devicePixelRatio));
    QPixmap pixmap(side, side);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawBlank(painter);
    if (index >= 10)
        drawDigit(painter, index - 10);
    else
        drawPips(painter, index);
    return pixmap;
}
