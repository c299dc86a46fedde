#include "FileError.h"

using namespace Qt::StringLiterals;

FileError::FileError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

FileError FileError::cannotCreate(const QString &path)
{
    return FileError(u"ファイル %1 を作成できません"_s.arg(path));
}

FileError FileError::cannotOpen(const QString &path)
{
    return FileError(u"ファイル %1 は開けません"_s.arg(path));
}

const char *FileError::what() const noexcept
{
    return m_utf8.constData();
}
