#pragma once

#include <QPixmap>

#include <array>

// The twenty 32 x 32 face pictures of the dice strip: 0..9 as pips (0 blank), 10..19 as the
// digits 0..9. They are drawn, not loaded, at the pixel ratio of the screen they go to, so that
// they stay sharp on a high-density screen. Outside the rounded square they are transparent.
// Each is drawn the first time it is asked for: a start shows two pip faces, and the digits
// need a font of their own that nothing else on the window uses.
class DiceFaces
{
public:
    static constexpr int Size = 32;
    static constexpr int Count = 20;

    explicit DiceFaces(qreal devicePixelRatio = 1.0);

    qreal devicePixelRatio() const { return m_devicePixelRatio; }
    // The picture at index, which is taken within 0..Count-1.
    const QPixmap &picture(int index) const;
    // How many pictures have been drawn so far.
    int drawnCount() const;

    // One picture drawn afresh.
    static QPixmap draw(int index, qreal devicePixelRatio);

private:
    qreal m_devicePixelRatio;
    mutable std::array<QPixmap, Count> m_pictures;
};
