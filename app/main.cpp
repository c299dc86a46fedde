#include "AboutDialog.h"
#include "CharacterRecord.h"
#include "CommandLine.h"
#include "CommandLineFiles.h"
#include "DisplayCheck.h"
#include "ErrorReport.h"
#include "IniData.h"
#include "MainWindow.h"
#include "PdfExport.h"
#include "ProgramDir.h"
#include "ProgramIcon.h"
#include "SettingsDialog.h"
#ifdef PELKO_BENCH_HOOK
#include "BenchHook.h"
#endif

#include <QMessageBox>
#include <QTimer>

#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// "--help", "--version" and a faulty form are answered in the terminal, without a display.
int answerInTerminal(const CommandLine &command)
{
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

    // Arguments are bytes; a file name that is no text is shown decoded and opened by its bytes.
    CommandLineFiles commandLine(argc, argv);
    const CommandLine command(commandLine.arguments());
    if (command.action() == CommandLine::Action::Pdf) {
        // No window and no display: the pages are drawn offscreen.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return PdfExport::run(command.openFile(), commandLine.openablePath(command.openFile()),
                              commandLine.bytesAt(CommandLine::PdfSaveFileArgument),
                              command.pdfFile(), commandLine.bytesAt(CommandLine::PdfFileArgument),
                              ProgramDir::ofRunningProgram());
    }
    if (command.action() != CommandLine::Action::Run)
        return answerInTerminal(command);
    // Asked before the application is made, which would end the program with an abort.
    if (const QString missing = DisplayCheck::missingDisplayText(
            DisplayCheck::ofRunningProgram(commandLine.arguments()));
        !missing.isEmpty()) {
        std::fputs((missing + u'\n').toLocal8Bit().constData(), stderr);
        return 1;
    }

    PelkoApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral(PELKO_APP_ID));
    QApplication::setWindowIcon(ProgramIcon::icon());

    const ProgramDir programDir = ProgramDir::ofRunningProgram();
    ProgramDir::keepQtSettingsFromMakingHome();
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

    mainWindow.setStartupArguments(commandLine.arguments().mid(1));
    mainWindow.setStartupFile(command.openFile());
    mainWindow.setStartupFileSource(
        [&commandLine](const QString &path) { return commandLine.openablePath(path); });
    if (const QString problem = programDir.problem(); !problem.isEmpty()) {
        // Said in the terminal and, once the window is up, in a box.
        std::fputs((problem + u'\n').toLocal8Bit().constData(), stderr);
        QTimer::singleShot(0, &mainWindow, [&mainWindow, problem] {
            QMessageBox box(QMessageBox::Warning, u"データフォルダ"_s, problem, QMessageBox::Ok,
                            &mainWindow);
            box.setObjectName(u"NoDataFolder"_s);
            box.exec();
        });
    }
#ifdef PELKO_BENCH_HOOK
    // Only the benchmarks' copy of the program (bench_pelko) has it; the shipped one does not.
    BenchHook::exitOnFirstShowIfAsked(&mainWindow);
#endif
    mainWindow.show();
    return app.exec();
}
