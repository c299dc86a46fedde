#include "RouteText.h"

#include "CharacterRecord.h"
#include "TextReport.h"

using namespace Qt::StringLiterals;

namespace RouteText {

QString numberLine(std::uint16_t paragraph)
{
    return QString::number(paragraph).rightJustified(9, u' ');
}

QString arrowLine()
{
    return u"       ↓"_s;
}

QStringList routeViewLines(const QList<std::uint16_t> &route)
{
    QStringList lines;
    lines.reserve(route.isEmpty() ? 0 : 2 * route.size() - 1);
    for (const std::uint16_t paragraph : route) {
        if (!lines.isEmpty())
            lines.append(arrowLine());
        lines.append(numberLine(paragraph));
    }
    return lines;
}

QList<std::uint16_t> routeOf(const CharacterRecord &record)
{
    QList<std::uint16_t> route;
    route.reserve(record.routeCount());
    for (int i = 1; i <= record.routeCount(); ++i)
        route.append(record.routeAt(i));
    return route;
}

QString routeFileName(const QString &fixWord, int fixType, const QString &name)
{
    switch (fixType) {
    case 1:
        return fixWord + u'_' + name + u".txt"_s;
    case 2:
        return name + u'_' + fixWord + u".txt"_s;
    default:
        return fixWord + u".txt"_s;
    }
}

bool routeOutputAllowed(int routeCount, const QString &fixWord, int fixType, const QString &name)
{
    if (routeCount <= 0)
        return false;
    return fixType == 0 ? !fixWord.isEmpty() : !name.isEmpty();
}

QString outputButtonHint(const QString &routeFileName)
{
    return u"道程を“"_s + routeFileName + u"”というファイル名でテキストファイルに書き出す"_s;
}

QStringList routeReportLines(const QString &name, const QStringList &viewLines)
{
    QStringList lines{u"  * "_s + name + u" *"_s, u"         ……その軌跡"_s,
                      TextReport::separatorLine()};
    lines += viewLines;
    return lines;
}

} // namespace RouteText
