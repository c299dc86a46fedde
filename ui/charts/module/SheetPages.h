#pragma once

#include "PrintedSheet.h"

#include <QFont>

class QPagedPaintDevice;

// The printed character sheet on A4 pages: the name, the abilities with origin and current
// value, money, inventory and the flags that are set; then, on a page of their own, the chart of
// the abilities along the route and the route itself, when there is a route or a chart to show.
// A block longer than its page goes on on the next; nothing is left out.
class SheetPages
{
public:
    SheetPages(const PrintedSheet &sheet, const QFont &font);

    // Draws the pages on device, which must be set up for A4 and is begun and ended here.
    void paint(QPagedPaintDevice *device) const;

private:
    PrintedSheet m_sheet;
    QFont m_font;
};
