#include "Main.h"
#include "BenchHook.h"
#include "CharaData.h"
#include "ErrorReport.h"
#include "FileError.h"
#include "IniData.h"

#include <QDir>

int main(int argc, char **argv)
{
    PelkoApplication app(argc, argv);

    IniSettings settings(QDir(QCoreApplication::applicationDirPath()).absolutePath() + u'/');

    TMainForm mainForm(settings, settings.programDir());
    mainForm.setApplicationTitleHandler([&app](const QString &title) { app.setTitle(title); });

    // The settings in force start as those of "Default.ini", or the defaults without it.
    try {
        settings.LoadIniData(settings.IniData, settings.CurrentIniFile);
    } catch (const FileError &error) {
        PelkoApplication::showError(error.message());
    }

    mainForm.setStartupArguments(app.arguments().mid(1));
    BenchHook::exitOnFirstShowIfAsked(&mainForm);
    mainForm.show();
    return app.exec();
}
