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
TCharacterData startSheet(bool openLimits)
{
    TCharacterData data;
    data.SetAblCount(8);
    data.SetOverLoad(openLimits);
    data.SetMinusEnable(openLimits);
    data.SetName(u"始め"_s);
    data.SetAblMax(0, 12);
    data.SetAbl(0, 7);
    data.SetFlagCount(2);
    data.SetFlag(1, true);
    data.SetRouteCount(2);
    data.SetRoute(1, 1);
    data.SetRoute(2, 400);
    return data;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    static const QString first = FuzzSupport::scratchPath(u"first.pkd"_s);
    static const QString second = FuzzSupport::scratchPath(u"second.pkd"_s);
    const QByteArray input = FuzzSupport::bytesOf(bytes, size);
    // The length picks the limits, so that both are met without a byte of the file spent.
    const TCharacterData start = startSheet(size % 2 == 1);

    FuzzSupport::put(first, input);
    TCharacterData loaded = start;
    if (openSaveFile(loaded, OwnVersion, first) != SaveFileResult::Loaded) {
        FUZZ_CHECK(loaded == start);
        return 0;
    }
    FUZZ_CHECK(saveRoundTripFault(loaded, start, OwnVersion, second).isEmpty());
    return 0;
}
