#include "PrintedSheet.h"

#include "IniData.h"
#include "SheetState.h"
#include "TextLines.h"

using namespace Qt::StringLiterals;

PrintedSheet PrintedSheet::of(const SheetState &state, const AbilityTrack &track)
{
    const CharacterRecord &record = state.record;
    const SettingsValues &settings = state.settings;
    PrintedSheet sheet;
    sheet.name = record.name();
    for (int i = 0; i < SettingsValues::AbilityCount && i < record.abilityCount(); ++i) {
        if (!settings.enabled[size_t(i)])
            continue;
        // An ability without a name is called by its number, as the history calls it.
        const QString name = settings.names[size_t(i)].trimmed();
        sheet.abilities.append({name.isEmpty() ? u"能力%1"_s.arg(i + 1) : settings.names[size_t(i)],
                                record.origin(i), record.current(i)});
    }
    sheet.money = record.money();
    sheet.inventory = splitLines(record.inventory());
    while (!sheet.inventory.isEmpty() && sheet.inventory.last().trimmed().isEmpty())
        sheet.inventory.removeLast();
    const QStringList labels = settings.flagLabels();
    for (int i = 0; i < record.flagCount(); ++i) {
        if (!record.flag(i))
            continue;
        const QString label = labels.value(i).trimmed();
        sheet.flags.append(label.isEmpty() ? u"フラグ%1"_s.arg(i + 1) : label);
    }
    sheet.route = routeEntries(record);
    sheet.lines = chartLines(settings, record.abilityCount());
    sheet.points = track.points();
    return sheet;
}

QList<PrintedSheet::Line> PrintedSheet::chartLines(const SettingsValues &settings, int abilityCount)
{
    QList<Line> lines;
    for (int index : AbilityTrack::chartedAbilities(settings, abilityCount))
        lines.append({AbilityTrack::lineName(settings, index), index});
    lines.append(
        {AbilityTrack::lineName(settings, AbilityTrack::MoneyIndex), AbilityTrack::MoneyIndex});
    return lines;
}

QString PrintedSheet::routeText() const
{
    QStringList numbers;
    numbers.reserve(route.size());
    for (std::uint16_t paragraph : route)
        numbers.append(QString::number(paragraph));
    return numbers.join(u" → "_s);
}
