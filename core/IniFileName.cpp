#include "IniFileName.h"

#include "Cp932.h"

using namespace Qt::StringLiterals;

namespace {

bool hasIniEnding(const QString &text)
{
    return text.right(4).toLower() == u".ini"_s;
}

} // namespace

namespace IniFileName {

QString defaultName()
{
    return u"Default.ini"_s;
}

QString target(const QString &fieldText)
{
    return fieldText.isEmpty() || fieldText == u".ini"_s ? defaultName() : fieldText;
}

bool fits(const QString &text)
{
    return Cp932::byteLength(hasIniEnding(text) ? text : text + u".ini"_s) <= MaxBytes;
}

QString typingProblem(const QString &text)
{
    if (text.contains(u'/') || text.contains(u'\\'))
        return u"ファイル名に「/」や「\\」は使えません"_s;
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return u"ファイル名に制御文字は使えません"_s;
    }
    const QString unheld = Cp932::unheldCharacters(text);
    if (!unheld.isEmpty())
        return u"ファイル名に「%1」は使えません（シフトJISで表せない文字です）"_s.arg(unheld);
    if (!fits(text))
        return u"ファイル名は「.ini」を含めて半角20文字（全角10文字）までです"_s;
    return {};
}

QString problem(const QString &name)
{
    const QString typing = typingProblem(name);
    if (!typing.isEmpty())
        return typing;
    if (name.contains(u".."_s))
        return u"ファイル名に「..」は使えません"_s;
    return {};
}

} // namespace IniFileName
