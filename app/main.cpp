#include "AboutDialog.h"
#include "BenchHook.h"
#include "CharacterRecord.h"
#include "CommandLine.h"
#include "ErrorReport.h"
#include "IniData.h"
#include "MainWindow.h"
#include "ProgramDir.h"
#include "ProgramIcon.h"
#include "SettingsDialog.h"

#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// "--help", "--version" and a faulty "--open" are answered in the terminal, without a display.
int answerInTerminal(int argc, char **argv)
{
    QCoreApplication core(argc, argv);
    const CommandLine command(QCoreApplication::arguments());
    switch (command.action()) {
    case CommandLine::Action::Help:
        std::fputs(command.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Action::Version:
        std::fputs(CommandLine::versionText().toLocal8Bit().constData(), stdout);
        return 0;
    default:
        std::fputs((command.errorText() + u'\n').toLocal8Bit().constData(), stderr);
        return 1;
    }
}

} // namespace

int main(int argc, char **argv)
{
    // Past a file-size limit a write would end the program and take the unsaved sheet with it;
    // ignored, the write fails with EFBIG and is reported like any other failed write.
    std::signal(SIGXFSZ, SIG_IGN);

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine command(arguments);
    if (command.action() != CommandLine::Action::Run)
        return answerInTerminal(argc, argv);

    PelkoApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral(PELKO_APP_ID));
    QApplication::setWindowIcon(ProgramIcon::icon());

    const ProgramDir programDir = ProgramDir::ofRunningProgram();
    IniSettings settings(programDir.path());

    MainWindow mainWindow(settings, programDir);
    // The application title is also the main window's icon text, the name a taskbar or a
    // window list gives the program; the desktop entry is found by the desktop file name.
    mainWindow.setWindowIconText(app.title());
    mainWindow.setApplicationTitleHandler([&app, &mainWindow](const QString &title) {
        app.setTitle(title);
        mainWindow.setWindowIconText(title);
    });

    // "Default.ini" is put in force as the settings dialog is made, before the About box.
    mainWindow.loadStartupSettings();
    SettingsDialog option(settings, mainWindow.sheet(), mainWindow.soundLoaded(), &mainWindow);
    AboutDialog about(&mainWindow);
    mainWindow.setSettingsDialog(&option);
    mainWindow.setAboutDialog(&about);

    mainWindow.setStartupArguments(app.arguments().mid(1));
    mainWindow.setStartupFile(command.openFile());
    BenchHook::exitOnFirstShowIfAsked(&mainWindow);
    mainWindow.show();
    return app.exec();
}
