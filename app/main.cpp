#include "Main.h"
#include "About.h"
#include "BenchHook.h"
#include "CharaData.h"
#include "ErrorReport.h"
#include "IniData.h"
#include "Option.h"

#include <QDir>

#include <csignal>

int main(int argc, char **argv)
{
    // Past a file-size limit a write would end the program and take the unsaved sheet with it;
    // ignored, the write fails with EFBIG and is reported like any other failed write.
    std::signal(SIGXFSZ, SIG_IGN);
    PelkoApplication app(argc, argv);

    IniSettings settings(QDir(QCoreApplication::applicationDirPath()).absolutePath() + u'/');

    TMainForm mainForm(settings, settings.programDir());
    mainForm.setApplicationTitleHandler([&app](const QString &title) { app.setTitle(title); });

    // The settings dialog loads "Default.ini" into the settings in force as it is created.
    TOptionForm option(
        settings, [&mainForm] { return mainForm.Chara().GetName(); }, mainForm.SoundLoaded(),
        &mainForm);
    TAboutBox about(&mainForm);
    mainForm.setOptionForm(&option);
    mainForm.setAboutBox(&about);

    mainForm.setStartupArguments(app.arguments().mid(1));
    BenchHook::exitOnFirstShowIfAsked(&mainForm);
    mainForm.show();
    return app.exec();
}
