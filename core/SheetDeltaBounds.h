#pragma once

#include <QtGlobal>

// Bounds on indexes read from the journal: far beyond any sheet, they only stop junk. Decoding
// rejects a delta beyond them and applying one clamps to them, so the two must agree.
namespace SheetDeltaBounds {
inline constexpr qint32 MaxAbilities = 64;
inline constexpr qint32 MaxFlags = 1 << 20;
} // namespace SheetDeltaBounds
