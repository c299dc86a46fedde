#pragma once

#include <QString>

class QMenu;
class QWidget;

// The last item of the Help menu, "データフォルダを開く(&D)": it shows the program directory
// (the user's data folder of an installed program) in the file manager, making the folder
// first when it is missing, and names the folder in its tooltip.
namespace DataFolderItem {

void add(QMenu *menu, const QString &folder);
// What the item does when chosen: the folder in the file manager, or where none takes it, a
// box that shows the path.
void open(const QString &folder, QWidget *parent);

} // namespace DataFolderItem
