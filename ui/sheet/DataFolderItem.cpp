#include "DataFolderItem.h"

#include "ProgramDir.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace DataFolderItem {

void add(QMenu *menu, const QString &folder)
{
    menu->addSeparator()->setObjectName(u"N11"_s);
    QAction *item = menu->addAction(u"データフォルダを開く(&D)"_s);
    item->setObjectName(u"OpenDataFolder1"_s);
    item->setToolTip(QDir::toNativeSeparators(folder));
    menu->setToolTipsVisible(true);
    QObject::connect(item, &QAction::triggered, menu,
                     [folder, menu] { open(folder, menu->window()); });
}

void open(const QString &folder, QWidget *parent)
{
    if (ProgramDir::ensureExists(folder) && QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        return;
    QMessageBox box(QMessageBox::Information, u"データフォルダ"_s, QDir::toNativeSeparators(folder),
                    QMessageBox::Ok, parent);
    box.setObjectName(u"DataFolder"_s);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

} // namespace DataFolderItem
