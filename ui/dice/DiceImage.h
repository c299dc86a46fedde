#pragma once

#include "DiceFaces.h"

#include <QPixmap>
#include <QWidget>

#include <array>
#include <optional>

// The picture of the dice strip: ten 32 x 32 cells side by side that keep what was last drawn
// into them. Each cell remembers its face rather than its pixels, so the picture is rebuilt
// sharp when the window moves to a screen of another pixel ratio.
class DiceImage : public QWidget
{
    Q_OBJECT

public:
    static constexpr int CellCount = 10;

    explicit DiceImage(QWidget *parent = nullptr);

    // Fills every cell with the button colour of the palette.
    void clear();
    // Puts face picture into cell, over the background, replacing what the cell showed.
    void drawFace(int cell, int picture);
    // The picture shown in cell, or none for a cleared cell.
    std::optional<int> face(int cell) const;

    // The picture as painted, at the widget's pixel ratio.
    const QPixmap &canvas();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void renderCanvas();
    void renderCell(QPainter &painter, int cell);

    std::array<int, CellCount> m_cells;
    DiceFaces m_faces;
    QPixmap m_canvas;
};
