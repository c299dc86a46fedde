#include "PdfExport.h"

#include "AbilityTrack.h"
#include "ChartsModule.h"
#include "FileCommands.h"
#include "FileError.h"
#include "Fonts.h"
#include "IniData.h"
#include "PrintedSheet.h"
#include "ProgramDir.h"
#include "SaveFile.h"
#include "Sheet.h"
#include "VersionInfo.h"
#include "WholeFile.h"

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// The pixel size of the printed text the module scales from, as the window prints it.
constexpr int PrintPixelSize = 14;

void tell(const QString &text)
{
    if (!text.isEmpty())
        std::fputs((text + u'\n').toLocal8Bit().constData(), stderr);
}

// The settings file's values, or the defaults with the reason told, as the window goes on.
SettingsValues settingsOrDefaults(const IniSettings &files, const QString &fileName)
{
    SettingsValues values;
    QString notice;
    try {
        files.load(values, fileName, &notice);
    } catch (const FileError &error) {
        tell(error.message());
        return SettingsValues();
    }
    tell(notice);
    return values;
}

} // namespace

namespace PdfExport {

int run(const QString &saveFile, const QString &readFrom, const QString &output,
        const ProgramDir &programDir)
{
    const IniSettings files(programDir.path());
    const QString startFile = u"Default.ini"_s;
    const SheetState start = Sheet::freshState(startFile, settingsOrDefaults(files, startFile));
    const QString source = readFrom.isEmpty() ? saveFile : readFrom;
    const QString version = readVersionItem(VersionInfo::FileVersion).value_or(QString());
    CharacterRecord record = start.record;
    SaveFileResult result = readSaveFile(record, version, source);
    if (result == SaveFileResult::OtherVersion) {
        record = start.record;
        result = readOldSaveFile(record, source);
    }
    if (result != SaveFileResult::Loaded) {
        tell(FileCommands::loadFailureText());
        return 1;
    }
    const SettingsValues settings = settingsOrDefaults(files, record.settingsFileName());
    const SheetState sheet = Sheet::loadedState(start, record, settings, saveFile);
    ChartsModule *module = loadChartsModule();
    if (!module) {
        tell(u"グラフと印刷のモジュール %1 を読み込めません。"_s.arg(chartsModuleFileName()));
        return 1;
    }
    const QByteArray pdf = module->pdf(PrintedSheet::of(sheet, AbilityTrack(sheet)),
                                       Fonts::proportional(PrintPixelSize));
    try {
        writeWholeFile(output, pdf, WriteFailureText::CannotCreateThenByCause);
    } catch (const FileError &error) {
        tell(error.message());
        return 1;
    }
    return 0;
}

} // namespace PdfExport
