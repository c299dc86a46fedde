#include "SheetStep.h"

bool SheetStep::isKnownKind(int value)
{
    return value >= int(Kind::Typing) && value <= int(Kind::Round);
}

bool SheetStep::canMerge(const SheetStep &later) const
{
    return kind == Kind::Typing && later.kind == Kind::Typing && !field.isEmpty() &&
           field == later.field;
}

bool SheetStep::mergeWith(const SheetStep &later)
{
    if (!canMerge(later) || !delta.mergeWith(later.delta))
        return false;
    timeMs = later.timeMs;
    return true;
}
