// Opens a heavy save file (10,000 route entries, a 64 KB inventory, 500 flags under a settings
// file of 500 labels) into the main window, the window's refresh included, and saves it again;
// prints the medians beside those of an empty sheet and the ratios.

#include "BenchCommon.h"
#include "CharacterRecord.h"
#include "Cp932.h"
#include "FileCommands.h"
#include "IniData.h"
#include "MainWindow.h"
#include "SaveFile.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int Runs = 21;

double medianMilliseconds(const std::function<void()> &work)
{
    return medianMicroseconds(Runs,
                              [&work] {
                                  work();
                                  QCoreApplication::processEvents();
                              }) /
           1000.0;
}

CharacterRecord sheet(bool heavy)
{
    CharacterRecord data;
    data.setAbilityCount(8);
    data.setOverLoad(true);
    data.setMinusEnable(true);
    data.setSettingsFileName(heavy ? u"Heavy.ini"_s : u"Default.ini"_s);
    if (!heavy)
        return data;
    data.setName(u"勇者"_s);
    for (int i = 0; i < 8; ++i) {
        data.setOrigin(i, 10 + i);
        data.setCurrent(i, 9 + i);
    }
    fillHeavySheet(data);
    return data;
}

} // namespace

int main(int argc, char **argv)
{
    useOffscreenUnlessChosen();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QFile(dir.filePath(u"diceroll.wav"_s)).open(QIODevice::WriteOnly);

    SettingsValues heavyIni;
    heavyIni.flagNumber = 500;
    for (int i = 1; i <= 500; ++i)
        heavyIni.flagText += u"旗%1\r\n"_s.arg(i);
    saveSettingsFile(heavyIni, dir.filePath(u"Heavy.ini"_s));

    IniSettings settings(dir.path() + u'/');
    MainWindow form(settings, settings.programDir());
    form.show();

    std::printf("main window, open and save (median of %d, milliseconds)\n", Runs);
    double times[2][2] = {};
    for (bool heavy : {false, true}) {
        const QString path = dir.filePath(heavy ? u"heavy.pkd"_s : u"empty.pkd"_s);
        writeSaveFile(sheet(heavy), u"0.6.1.0"_s, path);
        times[heavy][0] = medianMilliseconds([&] { form.files().openFile(path); });
        times[heavy][1] = medianMilliseconds([&] { form.files().writeTo(path); });
        std::printf("  %s sheet: open %8.2f   save %8.2f\n", heavy ? "heavy" : "empty",
                    times[heavy][0], times[heavy][1]);
    }
    std::printf("  ratio heavy / empty: open %.1f   save %.1f\n", times[1][0] / times[0][0],
                times[1][1] / times[0][1]);
    return 0;
}
