#include "TextReport.h"

#include "Cp932.h"
#include "FileError.h"

#include <QDir>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

QString joined(const QString &programDir, const QString &fileName)
{
    if (programDir.isEmpty() || programDir.endsWith(u'/') || programDir.endsWith(u'\\'))
        return programDir + fileName;
    return programDir + u'/' + fileName;
}

} // namespace

namespace TextReport {

QString separatorLine()
{
    return QString(51, u'-');
}

bool isSafeFileName(const QString &fileName)
{
    return !fileName.isEmpty() && !QDir::isAbsolutePath(fileName) && !fileName.contains(u'/') &&
           !fileName.contains(u'\\') && !fileName.contains(u"..") && !fileName.contains(QChar());
}

QByteArray reportBytes(const QStringList &lines, const QString &path)
{
    QString text;
    for (const QString &line : lines)
        text += line + u"\r\n"_s;
    if (!Cp932::canHold(text))
        throw FileError(
            u"ファイル %1 を作成できません (テキストファイルに書き出せない文字: %2)"_s.arg(
                QDir::toNativeSeparators(path), Cp932::unheldCharacters(text)));
    return Cp932::encode(text);
}

void write(const QString &programDir, const QString &fileName, const QStringList &lines)
{
    const QString path = joined(programDir, fileName);
    if (!isSafeFileName(fileName))
        throw FileError::cannotCreate(QDir::toNativeSeparators(path));
    const QByteArray bytes = reportBytes(lines, path);
    // QSaveFile writes beside the target and renames only once everything is on disk, so a
    // failure at any step leaves an old report as it was. The explicit flush matters: commit()
    // of Qt 6.4 misses a failure of its own last flush and would rename a truncated file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        !file.commit())
        throw FileError::cannotCreate(QDir::toNativeSeparators(path));
}

} // namespace TextReport
