// Apart from the rest of the rules: the fuzz build reads and writes rules without the sheet.
#include "BookRules.h"

#include "Sheet.h"

#include <algorithm>
#include <climits>

void BookRules::apply(Sheet &sheet, const QList<AbilityChange> &changes)
{
    for (const AbilityChange &change : changes) {
        if (change.ability < 0 || change.ability >= sheet.record().abilityCount())
            continue;
        const qint64 next = qint64(sheet.record().current(change.ability)) + change.amount;
        sheet.setCurrent(change.ability, int(std::clamp<qint64>(next, INT_MIN, INT_MAX)));
    }
}
