// The settings file reader and writer. Whatever a file holds, the values it loads are the
// values in force after saving them over that same file and loading it again, and a second
// save of the same values changes no byte. The file's bytes stay in memory: reading and
// writing the file itself adds nothing to what is checked here.
#include "FuzzSupport.h"
#include "IniData.h"

namespace {

// Every label takes the same way through the reader and the writer, whatever its number; a
// file asking for thousands would only make each run slower, and the fuzzer learns to ask.
constexpr int LabelCap = 100;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const SettingsValues loaded = settingsFromBytes(FuzzSupport::bytesOf(bytes, size), LabelCap);
    FUZZ_CHECK(loaded.flagNumber >= 0 && loaded.flagNumber <= LabelCap);
    FUZZ_CHECK(loaded.flagLabels().size() == loaded.flagNumber);

    const QByteArray saved = settingsFileBytes(loaded, FuzzSupport::bytesOf(bytes, size));
    const SettingsValues again = settingsFromBytes(saved, LabelCap);
    FUZZ_CHECK(again == loaded);

    FUZZ_CHECK(settingsFileBytes(again, saved) == saved);
    return 0;
}
