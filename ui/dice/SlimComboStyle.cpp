#include "SlimComboStyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <qdrawutil.h>

SlimComboStyle::SlimComboStyle(QObject *parent) : QProxyStyle(QApplication::style()->name())
{
    setParent(parent);
}

QRect SlimComboStyle::subControlRect(ComplexControl control, const QStyleOptionComplex *option,
                                     SubControl subControl, const QWidget *widget) const
{
    if (control == CC_ComboBox) {
        // The button and the number keep inside the box's frame.
        const QRect box = option->rect;
        const int frame = pixelMetric(PM_ComboBoxFrameWidth, nullptr, widget);
        const QRect inside = box.adjusted(frame, frame, -frame, -frame);
        switch (subControl) {
        case SC_ComboBoxFrame:
            return box;
        case SC_ComboBoxEditField:
            return visualRect(option->direction, box,
                              inside.adjusted(TextIndent, 0, -ArrowWidth, 0));
        case SC_ComboBoxArrow:
            return visualRect(
                option->direction, box,
                QRect(inside.right() - ArrowWidth + 1, inside.top(), ArrowWidth, inside.height()));
        default:
            break;
        }
    }
    return QProxyStyle::subControlRect(control, option, subControl, widget);
}

void SlimComboStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                        QPainter *painter, const QWidget *widget) const
{
    const auto *combo = qstyleoption_cast<const QStyleOptionComboBox *>(option);
    if (control != CC_ComboBox || !combo) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    // The desktop style draws the box without its own drop-down button...
    QStyleOptionComboBox body(*combo);
    body.subControls &= ~SC_ComboBoxArrow;
    QProxyStyle::drawComplexControl(control, &body, painter, widget);
    if (!(combo->subControls & SC_ComboBoxArrow))
        return;

    // ...and the slim one goes over its right edge: a raised bevel, a plain sunken frame while
    // the list is pulled down from it, and the style's own arrow inside.
    QRect button = subControlRect(control, combo, SC_ComboBoxArrow, widget);
    const bool sunken =
        combo->activeSubControls == SC_ComboBoxArrow && (combo->state & State_Sunken);
    if (sunken) {
        painter->setPen(combo->palette.dark().color());
        painter->setBrush(combo->palette.button());
        painter->drawRect(button.adjusted(0, 0, -1, -1));
    } else {
        // The light and the face colours change places for the bevel, as a classic combo
        // box's button has them.
        QPalette bevel(combo->palette);
        bevel.setColor(QPalette::Button, combo->palette.light().color());
        bevel.setColor(QPalette::Light, combo->palette.button().color());
        qDrawWinButton(painter, button, bevel, false, &combo->palette.button());
    }
    QStyleOption arrow(*combo);
    arrow.rect = button.adjusted(3, 3, -3, -3);
    arrow.state = combo->state & (State_Enabled | State_HasFocus);
    if (sunken)
        arrow.state |= State_Sunken;
    drawPrimitive(PE_IndicatorArrowDown, &arrow, painter, widget);
}

void SlimComboStyle::drawControl(ControlElement element, const QStyleOption *option,
                                 QPainter *painter, const QWidget *widget) const
{
    const auto *combo = qstyleoption_cast<const QStyleOptionComboBox *>(option);
    if (element != CE_ComboBoxLabel || !combo) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // The number in the box's text colour, clipped to the room left of the button.
    const QRect field = subControlRect(CC_ComboBox, combo, SC_ComboBoxEditField, widget);
    painter->save();
    painter->setClipRect(field);
    if (!combo->currentText.isEmpty() && !combo->editable)
        drawItemText(painter, field, int(combo->textAlignment), combo->palette,
                     combo->state & State_Enabled, combo->currentText, QPalette::Text);
    painter->restore();
}

QSize SlimComboStyle::sizeFromContents(ContentsType type, const QStyleOption *option,
                                       const QSize &contents, const QWidget *widget) const
{
    if (type != CT_ComboBox)
        return QProxyStyle::sizeFromContents(type, option, contents, widget);
    // The widest number beside the button, with a pixel to spare on either side; the list that
    // drops down is as wide as this or the box, whichever is wider.
    const int frame = pixelMetric(PM_ComboBoxFrameWidth, nullptr, widget);
    return contents + QSize(TextIndent + ArrowWidth + 2 + 2 * frame, 2 * frame);
}
