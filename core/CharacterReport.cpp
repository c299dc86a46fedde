#include "CharacterReport.h"

#include "CharacterRecord.h"
#include "Cp932.h"
#include "TextLines.h"
#include "TextReport.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// "%-Ns" of a byte-text world: padded on the right to width bytes, never cut.
QString padBytes(const QString &text, qsizetype width)
{
    const qsizetype length = Cp932::byteLength(text);
    return length >= width ? text : text + QString(width - length, u' ');
}

// "%6d": never cut either, so a wider number pushes the rest of its line to the right.
QString number6(int value)
{
    return QString::number(value).rightJustified(6, u' ');
}

} // namespace

CharacterReportData CharacterReportData::fromRecord(const CharacterRecord &record,
                                                    const SettingsValues &settings)
{
    CharacterReportData data;
    data.name = record.name();
    data.settings = settings;
    const int abilities = std::min<int>(record.abilityCount(), SettingsValues::AbilityCount);
    for (int i = 0; i < abilities; ++i) {
        data.origins[i] = record.origin(i);
        data.values[i] = record.current(i);
    }
    data.money = record.money();
    data.routeCount = record.routeCount();
    data.lastParagraph = record.routeAt(record.routeCount());
    data.flagCount = record.flagCount();
    return data;
}

namespace CharacterReport {

QString fileName(const QString &name)
{
    return name + u".txt"_s;
}

QStringList lines(const CharacterReportData &data)
{
    const QString separator = TextReport::separatorLine();
    QStringList out;
    out << u"  * "_s + data.name + u" * (paired with Pelko)"_s << separator
        << u"             原点 / 現在値"_s;
    for (int i = 0; i < SettingsValues::AbilityCount; ++i) {
        out << (data.settings.enabled[i]
                    ? padBytes(data.settings.names[i], 8) + u" : "_s + number6(data.origins[i]) +
                          u" / "_s + number6(data.values[i])
                    : QString());
    }
    out << separator << u"所持金 : "_s + QString::number(data.money) << u"所持品 :"_s;
    out += splitLines(data.inventory);
    out << separator;
    if (data.routeCount > 0)
        out << u"中断時のパラグラフ : "_s + QString::number(data.lastParagraph) << separator;

    const qsizetype flags = std::clamp<qsizetype>(data.flagCount, 0, data.flags.size());
    switch (data.settings.flagListMode) {
    case 0:
        out << u"チェックリスト :"_s;
        for (qsizetype i = 0; i < flags; ++i)
            out << padBytes(data.flags[i].label, 4) + (data.flags[i].checked ? u"○"_s : u"　"_s);
        break;
    case 1:
        out << u"フラグリスト :"_s;
        for (qsizetype i = 0; i < flags; ++i)
            out << (data.flags[i].checked ? u"○　"_s : u"　　"_s) + data.flags[i].label;
        break;
    default:
        break;
    }
    out << separator;
    return out;
}

} // namespace CharacterReport
