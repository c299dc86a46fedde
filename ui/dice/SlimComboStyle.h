#pragma once

#include <QProxyStyle>

// The look of the dice strip's narrow number boxes: the desktop style's box with a slim
// drop-down button inside its right edge, drawn as a raised bevel, and the number three pixels
// in from the frame, so that two digits fit in a box 33 pixels wide. The rest of the box (frame,
// focus, hover, the popup list) is the desktop style's own.
class SlimComboStyle : public QProxyStyle
{
    Q_OBJECT

public:
    static constexpr int ArrowWidth = 11;
    static constexpr int TextIndent = 3;

    // A style over a fresh instance of the application's style; parent owns it.
    explicit SlimComboStyle(QObject *parent);

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option,
                         SubControl subControl, const QWidget *widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &contents,
                           const QWidget *widget) const override;
};
