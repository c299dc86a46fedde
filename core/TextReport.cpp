#include "TextReport.h"

#include "Cp932.h"
#include "FileError.h"
#include "ProgramDir.h"
#include "WholeFile.h"

#include <QDir>

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
    return !fileName.isEmpty() && fileName != u"."_s && fileName != u".."_s &&
           !fileName.contains(u'/') && !fileName.contains(u'\\') && !fileName.contains(QChar());
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
    // Nothing can be written without a data folder, whatever the report holds.
    if (ProgramDir::isInNoDataFolder(path))
        throw FileError(ProgramDir::noDataFolderText());
    if (!isSafeFileName(fileName))
        throw FileError::cannotCreate(path);
    ProgramDir::ensureExists(programDir);
    writeWholeFile(path, reportBytes(lines, path), WriteFailureText::CannotCreateThenByCause);
}

} // namespace TextReport
