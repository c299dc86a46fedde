#include "DataFolderItem.h"

#include "ProgramDir.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

void showPath(const QString &folder, QWidget *parent)
{
    QMessageBox box(QMessageBox::Information, u"データフォルダ"_s, QDir::toNativeSeparators(folder),
                    QMessageBox::Ok, parent);
    box.setObjectName(u"DataFolder"_s);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

} // namespace

namespace DataFolderItem {

void add(QMenu *menu, const QString &folder)
{
    menu->addSeparator()->setObjectName(u"N11"_s);
    QAction *item = menu->addAction(u"データフォルダを開く(&D)"_s);
    item->setObjectName(u"OpenDataFolder1"_s);
    // Without a data folder there is none to open: the item says why instead of a path.
    const bool none = ProgramDir::isInNoDataFolder(folder);
    item->setToolTip(none ? ProgramDir::noDataFolderText() : QDir::toNativeSeparators(folder));
    item->setEnabled(!none);
    menu->setToolTipsVisible(true);
    QObject::connect(item, &QAction::triggered, menu,
                     [folder, menu] { open(folder, menu->window()); });
}

// The desktop's opener is run and its answer awaited without holding up the window: xdg-open
// starts whether or not a file manager takes the folder, and says which only by its exit
// status (3 when it found none).
void open(const QString &folder, QWidget *parent)
{
    const QString opener = QStandardPaths::findExecutable(u"xdg-open"_s);
    if (!ProgramDir::ensureExists(folder) || opener.isEmpty()) {
        showPath(folder, parent);
        return;
    }
    // Without a parent: a file manager that the opener runs in the foreground outlives the
    // window, and is not ended with it when the program quits.
    auto *process = new QProcess;
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    const QPointer<QWidget> owner(parent);
    const auto failed = [process, folder, owner] {
        process->deleteLater();
        showPath(folder, owner);
    };
    QObject::connect(process, &QProcess::finished, process,
                     [process, failed](int exitCode, QProcess::ExitStatus status) {
                         if (status == QProcess::NormalExit && exitCode == 0)
                             process->deleteLater();
                         else
                             failed();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [failed](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart)
                             failed();
                     });
    process->start(opener, {folder});
}

} // namespace DataFolderItem
