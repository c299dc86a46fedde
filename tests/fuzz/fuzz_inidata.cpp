// The settings file reader and writer. Whatever a file holds, the values it loads are the
// values in force after saving them over that same file and loading it again, and a second
// save of the same values changes no byte.
#include "FileError.h"
#include "FuzzSupport.h"
#include "IniData.h"

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    static const QString path = FuzzSupport::scratchPath(u"Fuzz.ini"_s);
    FuzzSupport::put(path, FuzzSupport::bytesOf(bytes, size));

    TIniData loaded;
    LoadIniData(loaded, path);
    FUZZ_CHECK(loaded.FlagNumber >= 0 && loaded.FlagNumber <= MaxFlagNumber);
    FUZZ_CHECK(loaded.flagLabels().size() == loaded.FlagNumber);

    SaveIniData(loaded, path);
    const QByteArray saved = FuzzSupport::contents(path);
    TIniData again;
    LoadIniData(again, path);
    FUZZ_CHECK(again == loaded);

    SaveIniData(again, path);
    FUZZ_CHECK(FuzzSupport::contents(path) == saved);
    return 0;
}
