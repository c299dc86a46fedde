// Writes and reads a heavy save file (10,000 route entries, a 64 KB inventory, 500 flags) and
// an empty one, and prints the median times and how many times slower the heavy one is.

#include "BenchCommon.h"
#include "CharacterRecord.h"
#include "Cp932.h"
#include "SaveFile.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString Version = u"0.6.1.0"_s;
constexpr int Runs = 101;

CharacterRecord emptySheet()
{
    CharacterRecord data;
    data.setAbilityCount(8);
    data.setRouteCount(0);
    data.setRouteAt(0, 0);
    data.setSettingsFileName(u"Default.ini"_s);
    return data;
}

CharacterRecord heavySheet()
{
    CharacterRecord data = emptySheet();
    data.setOverLoad(true);
    data.setMinusEnable(true);
    data.setName(u"勇者一二三四五六七ab"_s);
    for (int i = 0; i < 8; ++i) {
        data.setOrigin(i, 10 + i);
        data.setCurrent(i, 12 + i);
    }
    data.setMoney(123456);
    fillHeavySheet(data);
    return data;
}

struct Figures
{
    double bytes;
    double write;
    double read;
    qint64 size;
};

Figures measure(const CharacterRecord &sheet, const QString &path)
{
    Figures figures{};
    figures.bytes = medianMicroseconds(Runs, [&] { (void)saveFileBytes(sheet, Version); });
    figures.write = medianMicroseconds(Runs, [&] { writeSaveFile(sheet, Version, path); });
    figures.size = QFileInfo(path).size();
    figures.read = medianMicroseconds(Runs, [&] {
        CharacterRecord loaded = emptySheet();
        if (readSaveFile(loaded, Version, path) != SaveFileResult::Loaded)
            std::fprintf(stderr, "the benchmark file did not load\n");
    });
    return figures;
}

void row(const char *what, double empty, double heavy)
{
    std::printf("%-30s %12.1f %12.1f %8.1fx\n", what, empty, heavy, heavy / empty);
}

} // namespace

int main()
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const Figures empty = measure(emptySheet(), dir.filePath(u"empty.pkd"_s));
    const Figures heavy = measure(heavySheet(), dir.filePath(u"heavy.pkd"_s));

    std::printf("save file, median of %d runs (microseconds)\n", Runs);
    std::printf("%-30s %12s %12s %9s\n", "", "empty", "heavy", "ratio");
    std::printf("%-30s %12lld %12lld %8.1fx\n", "file size (bytes)", qlonglong(empty.size),
                qlonglong(heavy.size), double(heavy.size) / double(empty.size));
    row("make the bytes", empty.bytes, heavy.bytes);
    row("write the file (QSaveFile)", empty.write, heavy.write);
    row("read the file into a record", empty.read, heavy.read);
    return 0;
}
