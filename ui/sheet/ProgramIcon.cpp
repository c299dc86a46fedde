#include "ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace ProgramIcon {

QPixmap pixmap(int size)
{
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    // The book: two pages on a dark red cover.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(128, 24, 32));
    painter.drawRoundedRect(QRectF(1, 5, 30, 22), 2, 2);
    painter.setBrush(QColor(250, 246, 232));
    painter.drawRect(QRectF(3, 6, 12.5, 19));
    painter.drawRect(QRectF(16.5, 6, 12.5, 19));
    painter.setPen(QPen(QColor(160, 150, 130), 0.8));
    for (int line = 0; line < 4; ++line)
        painter.drawLine(QLineF(5, 10 + 3.5 * line, 13.5, 10 + 3.5 * line));

    // The die on the right-hand page, showing five.
    painter.setPen(QPen(QColor(40, 40, 40), 1.0));
    painter.setBrush(Qt::white);
    const QRectF die(18, 12, 11, 11);
    painter.drawRoundedRect(die, 2, 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 20, 30));
    const QPointF centre = die.center();
    painter.drawEllipse(centre, 1.3, 1.3);
    painter.setBrush(QColor(40, 40, 40));
    for (const QPointF &offset : {QPointF(-3, -3), QPointF(3, -3), QPointF(-3, 3), QPointF(3, 3)})
        painter.drawEllipse(centre + offset, 1.1, 1.1);
    return picture;
}

QIcon icon()
{
    // The window system gets every size at once, as the window is created; larger pictures
    // come from the icon theme that the desktop entry names.
    QIcon result;
    for (int size : {16, 32, 48})
        result.addPixmap(pixmap(size));
    return result;
}

} // namespace ProgramIcon
