#pragma once

#include <QString>
#include <QStringList>

class CheckListBox;
class QWidget;
class Sheet;

// The two text reports of the File menu, written to the program directory. A report that
// cannot be written says why in the general error box and changes nothing.
namespace Reports {

// The character report; flags are the sheet's flag list as shown, labels and marks.
void exportCharacter(const QString &programDir, const Sheet &sheet, const CheckListBox *flags);
// The route report under fileName, of the route as the route panel shows it.
void exportRoute(const QString &programDir, const QString &fileName, const Sheet &sheet,
                 const QStringList &routeViewLines);

} // namespace Reports
