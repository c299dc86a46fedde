#pragma once

#include <QString>

class QMenu;
class QWidget;

// The last item of the Help menu, "データフォルダを開く(&D)": it shows the program directory
// (the user's data folder of an installed program) in the file manager, making the folder
// first when it is missing, and names the folder in its tooltip.
namespace DataFolderItem {

void add(QMenu *menu, const QString &folder);
// What the item does when chosen: the folder handed to the desktop's opener (xdg-open), or, when
// the folder cannot be made, there is no opener or the opener fails (no file manager takes the
// folder), a box that shows the path. The opener's answer comes after this returns.
void open(const QString &folder, QWidget *parent);

} // namespace DataFolderItem
