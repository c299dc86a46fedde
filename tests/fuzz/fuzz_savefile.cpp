// The save file reader, all three layouts, as the window opens a file: the own layout first,
// then the older ones. A sheet that loads must come back the same after saving and loading
// again, and a file that fails must leave the sheet as it was.
#include "../core/SaveRoundTrip.h"
#include "FuzzSupport.h"

using namespace Qt::StringLiterals;

namespace {

const QString OwnVersion = u"0.6.1.0"_s;

// The sheet a load starts from, as the window may hold it: eight abilities, two flags (which
// a file without flags leaves alone) and a short route; open or closed limits.
CharacterRecord startSheet(bool openLimits)
{
    CharacterRecord data;
    data.setAbilityCount(8);
    data.setOverLoad(openLimits);
    data.setMinusEnable(openLimits);
    data.setName(u"始め"_s);
    data.setOrigin(0, 12);
    data.setCurrent(0, 7);
    data.setFlagCount(2);
    data.setFlag(1, true);
    data.setRouteCount(2);
    data.setRouteAt(1, 1);
    data.setRouteAt(2, 400);
    return data;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    static const QString first = FuzzSupport::scratchPath(u"first.pkd"_s);
    static const QString second = FuzzSupport::scratchPath(u"second.pkd"_s);
    const QByteArray input = FuzzSupport::bytesOf(bytes, size);
    // The length picks the limits, so that both are met without a byte of the file spent.
    const CharacterRecord start = startSheet(size % 2 == 1);

    FuzzSupport::put(first, input);
    CharacterRecord loaded = start;
    if (openSaveFile(loaded, OwnVersion, first) != SaveFileResult::Loaded) {
        FUZZ_CHECK(loaded == start);
        return 0;
    }
    FUZZ_CHECK(saveRoundTripFault(loaded, start, OwnVersion, second).isEmpty());
    return 0;
}
