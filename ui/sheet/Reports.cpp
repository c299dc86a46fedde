#include "Reports.h"

#include "CharacterReport.h"
#include "CheckListBox.h"
#include "ErrorReport.h"
#include "FileError.h"
#include "RouteText.h"
#include "Sheet.h"
#include "TextReport.h"

using namespace Qt::StringLiterals;

namespace Reports {

void exportCharacter(const QString &programDir, const Sheet &sheet, const CheckListBox *flags)
{
    CharacterReportData report = CharacterReportData::fromRecord(sheet.record(), sheet.settings());
    // The report breaks lines as the inventory box does.
    report.inventory = sheet.record().inventory().replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    for (int i = 0; i < flags->count(); ++i)
        report.flags.append({flags->item(i)->text(), flags->isChecked(i)});
    try {
        TextReport::write(programDir, CharacterReport::fileName(sheet.record().name()),
                          CharacterReport::lines(report));
    } catch (const FileError &error) {
        PelkoApplication::showError(error.message());
    }
}

void exportRoute(const QString &programDir, const QString &fileName, const Sheet &sheet,
                 const QStringList &routeViewLines)
{
    try {
        TextReport::write(programDir, fileName,
                          RouteText::routeReportLines(sheet.record().name(), routeViewLines));
    } catch (const FileError &error) {
        PelkoApplication::showError(error.message());
    }
}

} // namespace Reports
