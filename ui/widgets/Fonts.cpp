#include "Fonts.h"

#include <QFontDatabase>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

// The first of families that is installed, alone. A font asked for by a name it has is found at
// once, and a character it lacks is looked up among the system's fallbacks when one turns up.
// Given the whole list, Qt searches every installed font twice for each script a window shows
// (the names that are missing, then the fallbacks of the one found) before it draws anything.
// When none is installed (the generic names at the end are no family's own) the list goes as
// it is.
QStringList firstInstalled(const QStringList &families)
{
    static const QStringList installed = QFontDatabase::families();
    for (const QString &family : families)
        if (installed.contains(family, Qt::CaseInsensitive))
            return {family};
    return families;
}

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

// After the faces the layout was drawn for come their metric-compatible namesakes, TrueType files
// of their own; the CJK collection comes next, whose faces cost more to open: its fixed-pitch
// face alone brings about a megabyte of tables at start-up.
QFont proportional(int pixelSize, bool bold)
{
    static const QStringList families = firstInstalled(
        {u"ＭＳ Ｐゴシック"_s, u"MS PGothic"_s, u"IPAPGothic"_s, u"Noto Sans CJK JP"_s,
         u"Noto Sans JP"_s, u"VL PGothic"_s, u"Sans Serif"_s});
    return gothic(families, QFont::SansSerif, pixelSize, bold);
}

QFont fixedPitch(int pixelSize, bool bold)
{
    static const QStringList families =
        firstInstalled({u"ＭＳ ゴシック"_s, u"MS Gothic"_s, u"IPAGothic"_s,
                        u"Noto Sans Mono CJK JP"_s, u"VL Gothic"_s, u"Monospace"_s});
    return gothic(families, QFont::Monospace, pixelSize, bold);
}

} // namespace Fonts
