#include "FileError.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

QString fullPath(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath());
}

} // namespace

FileError::FileError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

FileError FileError::cannotCreate(const QString &path)
{
    return FileError(u"ファイル %1 を作成できません"_s.arg(fullPath(path)));
}

FileError FileError::cannotOpen(const QString &path)
{
    return FileError(u"ファイル %1 は開けません"_s.arg(fullPath(path)));
}

FileError FileError::ofCause(int osError)
{
    switch (osError) {
    case ENOSPC:
    case EDQUOT:
        return FileError(u"ディスクがいっぱいです"_s);
    // A size limit on the process or the file system, with room left on the disk.
    case EFBIG:
        return FileError(u"ファイルサイズの上限を超えています"_s);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return FileError(u"ファイルへのアクセスが拒否されました"_s);
    case ENOENT:
    case ENOTDIR:
        return FileError(u"ファイルが見つかりません"_s);
    case EMFILE:
    case ENFILE:
        return FileError(u"オープンしたファイルが多すぎます"_s);
    default:
        return FileError(u"I/O エラー (%1)"_s.arg(osError));
    }
}

const char *FileError::what() const noexcept
{
    return m_utf8.constData();
}
