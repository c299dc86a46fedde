// Opens the settings dialog, rebuilds the quick-select menu and saves from the dialog, with 200
// settings files beside the program and a current settings file of 500 flag labels, beside the
// default case (one settings file with the defaults), and prints medians and ratios.

#include "BenchCommon.h"
#include "IniData.h"
#include "QuickSelectMenu.h"
#include "SettingsDialog.h"
#include "Sheet.h"

#include <QApplication>
#include <QMenu>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int Runs = 51;

struct Figures
{
    double open;
    double menu;
    double choose;
    double save;
};

// A program directory with the given number of extra settings files and a Default.ini of the
// given number of flag labels.
void fill(const QString &dir, int files, int labels)
{
    SettingsValues data;
    data.flagNumber = labels;
    for (int i = 1; i <= labels; ++i)
        data.flagText += u"フラグ%1\r\n"_s.arg(i);
    saveSettingsFile(data, dir + u"/Default.ini"_s);
    const SettingsValues plain;
    for (int i = 1; i <= files; ++i)
        saveSettingsFile(plain, dir + u"/set%1.ini"_s.arg(i, 3, 10, QChar(u'0')));
}

Figures measure(int files, int labels)
{
    QTemporaryDir dir;
    fill(dir.path(), files, labels);
    IniSettings settings(dir.path());
    Sheet sheet;
    sheet.setName(u"ハル"_s);
    SettingsDialog form(settings, sheet, true);
    QMenu env;
    QuickSelectMenu menu(&env, settings, sheet);

    Figures figures{};
    figures.open = medianMicroseconds(Runs, [&] {
        form.show();
        form.hide();
    });
    figures.menu = medianMicroseconds(Runs, [&] {
        settings.refreshList();
        menu.rebuild();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    figures.choose = medianMicroseconds(Runs, [&] {
        SettingsValues values;
        settings.load(values, sheet.settingsFile());
        sheet.applySettings(sheet.settingsFile(), values);
    });
    form.show();
    figures.save = medianMicroseconds(Runs, [&] {
        form.readControls();
        settings.save(form.work, u"Default.ini"_s);
    });
    form.hide();
    return figures;
}

void row(const char *what, double plain, double heavy)
{
    std::printf("%-44s %10.1f %10.1f %8.1fx\n", what, plain, heavy, heavy / plain);
}

} // namespace

int main(int argc, char **argv)
{
    useOffscreenUnlessChosen();
    QApplication app(argc, argv);

    const Figures plain = measure(0, 0);
    const Figures heavy = measure(200, 500);

    std::printf("settings dialog and quick-select menu, median of %d runs (microseconds)\n", Runs);
    std::printf("%-44s %10s %10s %9s\n", "", "default", "heavy", "ratio");
    row("open the dialog (file list, controls)", plain.open, heavy.open);
    row("rebuild the quick-select menu (with listing)", plain.menu, heavy.menu);
    row("load the current settings file", plain.choose, heavy.choose);
    row("save from the dialog (controls, file)", plain.save, heavy.save);
    return 0;
}
