#include "Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// Debian's Qt converts through ICU, where "windows-31j" is the Microsoft table of Shift-JIS.
constexpr char CodecName[] = "windows-31j";

QByteArray encodeChecked(QStringView text, bool *ok)
{
    QStringEncoder encoder(CodecName, QStringConverter::Flag::Stateless);
    Q_ASSERT(encoder.isValid());
    QByteArray bytes = encoder.encode(text);
    if (ok)
        *ok = !encoder.hasError();
    return bytes;
}

bool holdsCharacter(QStringView character)
{
    bool ok = false;
    const QByteArray bytes = encodeChecked(character, &ok);
    return ok && Cp932::decode(bytes) == character;
}

qsizetype characterLength(QStringView text, qsizetype at)
{
    return (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
               ? 2
               : 1;
}

} // namespace

namespace Cp932 {

bool canHold(QStringView text)
{
    bool ok = false;
    const QByteArray bytes = encodeChecked(text, &ok);
    // The round trip also catches characters that the table maps one way only.
    return ok && decode(bytes) == text;
}

QString unheldCharacters(QStringView text)
{
    QString result;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = characterLength(text, i);
        const QStringView character = text.mid(i, n);
        if (!holdsCharacter(character) && !result.contains(character))
            result += character;
        i += n;
    }
    return result;
}

QByteArray encode(QStringView text)
{
    return encodeChecked(text, nullptr);
}

QString decode(QByteArrayView bytes)
{
    QStringDecoder decoder(CodecName, QStringConverter::Flag::Stateless);
    Q_ASSERT(decoder.isValid());
    return decoder.decode(bytes);
}

qsizetype byteLength(QStringView text)
{
    return encode(text).size();
}

QString cutToBytes(QStringView text, qsizetype maxBytes)
{
    if (maxBytes <= 0)
        return {};
    // No character takes more than two bytes, nor does the stand-in for one the table lacks: a
    // text short enough needs no converter (reading the default settings then opens none).
    if (text.size() * 2 <= maxBytes)
        return text.toString();
    const QByteArray bytes = encode(text);
    if (bytes.size() <= maxBytes)
        return text.toString();
    // Each step measures the whole leading part: a unit that is no character (half of a
    // surrogate pair) has no byte form of its own alone, but takes a stand-in before another.
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype n = characterLength(text, i);
        if (encode(text.first(i + n)).size() > maxBytes)
            break;
        i += n;
    }
    return text.left(i).toString();
}

QString dropLastBytes(QStringView text, qsizetype bytes)
{
    return cutToBytes(text, byteLength(text) - bytes);
}

} // namespace Cp932
