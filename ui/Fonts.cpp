#include "Fonts.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

QFont gothic(const QStringList &families, QFont::StyleHint hint, int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    // Bold is the regular face emboldened as it is drawn: the Gothic faces asked for first have
    // no bold face of their own, and Noto's is a second 20 MB collection that would be opened
    // and paged in at start-up for a handful of digits.
    if (bold)
        font.setStyleName(u"Regular"_s);
    return font;
}

} // namespace

namespace Fonts {

QFont proportional(int pixelSize, bool bold)
{
    return gothic({u"ＭＳ Ｐゴシック"_s, u"MS PGothic"_s, u"Noto Sans CJK JP"_s, u"Noto Sans JP"_s,
                   u"IPAPGothic"_s, u"VL PGothic"_s, u"Sans Serif"_s},
                  QFont::SansSerif, pixelSize, bold);
}

QFont fixedPitch(int pixelSize, bool bold)
{
    return gothic({u"ＭＳ ゴシック"_s, u"MS Gothic"_s, u"Noto Sans Mono CJK JP"_s, u"IPAGothic"_s,
                   u"VL Gothic"_s, u"Monospace"_s},
                  QFont::Monospace, pixelSize, bold);
}

} // namespace Fonts
