#include "FileDialogs.h"

#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>

using namespace Qt::StringLiterals;

namespace {

// Icons and type names from names only: a folder, or a file whose type its ending tells.
class NameOnlyIcons final : public QAbstractFileIconProvider
{
public:
    QIcon icon(IconType type) const override { return m_icons.icon(type); }
    QIcon icon(const QFileInfo &info) const override
    {
        return m_icons.icon(info.isDir() ? QAbstractFileIconProvider::Folder
                                         : QAbstractFileIconProvider::File);
    }
    QString type(const QFileInfo &info) const override
    {
        if (info.isDir())
            return u"フォルダー"_s;
        const QMimeType mime =
            QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
        return mime.isDefault() || mime.comment().isEmpty() ? u"ファイル"_s : mime.comment();
    }

private:
    QFileIconProvider m_icons; // asked for the kinds of icon only, never for a file's
};

} // namespace

void FileDialogs::readNoContents(QFileDialog *dialog)
{
    // A desktop's own dialog would look into the files as it likes: Qt's is used.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    static NameOnlyIcons icons; // outlives every dialog, which does not own it
    dialog->setIconProvider(&icons);
}
