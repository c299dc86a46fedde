#include "PdfExport.h"

#include "AbilityTrack.h"
#include "ChartsModule.h"
#include "FileCommands.h"
#include "FileError.h"
#include "Fonts.h"
#include "IniData.h"
#include "PdfOutput.h"
#include "PrintedSheet.h"
#include "ProgramDir.h"
#include "SaveFile.h"
#include "Sheet.h"
#include "VersionInfo.h"
#include "WholeFile.h"

#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The pixel size of the printed text the module scales from, as the window prints it.
constexpr int PrintPixelSize = 14;

void tell(const QString &text)
{
    if (!text.isEmpty())
        std::fputs((text + u'\n').toLocal8Bit().constData(), stderr);
}

// The settings file's values, the defaults for a missing one; nothing for a file that exists
// and cannot be read, which is told.
std::optional<SettingsValues> settingsIfReadable(const IniSettings &files, const QString &fileName)
{
    SettingsValues values;
    QString notice;
    try {
        files.load(values, fileName, &notice);
    } catch (const FileError &error) {
        tell(error.message());
        return std::nullopt;
    }
    tell(notice);
    return values;
}

} // namespace

namespace PdfExport {

int run(const QString &saveFile, const QString &readFrom, const QByteArray &saveFileName,
        const QString &output, const QByteArray &outputName, const ProgramDir &programDir)
{
    // Refused before anything is read: the save file itself, or a file that is no PDF.
    if (const QString problem = PdfOutput::problem(outputName, output, saveFileName);
        !problem.isEmpty()) {
        tell(problem);
        return 1;
    }
    const IniSettings files(programDir.path());
    const QString startFile = u"Default.ini"_s;
    const SheetState start = Sheet::freshState(
        startFile, settingsIfReadable(files, startFile).value_or(SettingsValues()));
    const QString source = readFrom.isEmpty() ? saveFile : readFrom;
    const QString version = readVersionItem(VersionInfo::FileVersion).value_or(QString());
    CharacterRecord record = start.record;
    if (readSheetFile(record, version, source) != SaveFileResult::Loaded) {
        tell(FileCommands::loadFailureText());
        return 1;
    }
    // As Open does: under the sheet's own settings, else those in force.
    const SettingsValues settings =
        settingsIfReadable(files, record.settingsFileName()).value_or(start.settings);
    const SheetState sheet = Sheet::loadedState(start, record, settings, saveFile);
    ChartsModule *module = loadChartsModule();
    if (!module) {
        tell(u"グラフと印刷のモジュール %1 を読み込めません。"_s.arg(chartsModuleFileName()));
        return 1;
    }
    const QByteArray pdf = module->pdf(PrintedSheet::of(sheet, AbilityTrack(sheet)),
                                       Fonts::proportional(PrintPixelSize));
    try {
        writeWholeFile(outputName, output, pdf, WriteFailureText::CannotCreateThenByCause);
    } catch (const FileError &error) {
        tell(error.message());
        return 1;
    }
    return 0;
}

} // namespace PdfExport
