#include "Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace {

// Debian's Qt converts through ICU, where "windows-31j" is the Microsoft table of Shift-JIS.
constexpr char CodecName[] = "windows-31j";

// The converter's table swaps three control codes the way IBM's tables do: it writes U+001A as
// 7F, U+001C as 1A and U+007F as 1C. In the files this program reads and writes each of these
// bytes stands for the control character of its own number, so the three are swapped back on
// the way in and out.
char16_t toConverter(char16_t c)
{
    switch (c) {
    case 0x1A:
        return 0x1C;
    case 0x1C:
        return 0x7F;
    case 0x7F:
        return 0x1A;
    default:
        return c;
    }
}

char16_t fromConverter(char16_t c)
{
    switch (c) {
    case 0x1C:
        return 0x1A;
    case 0x7F:
        return 0x1C;
    case 0x1A:
        return 0x7F;
    default:
        return c;
    }
}

bool isSwappedControl(QChar c)
{
    return c == u'\x1a' || c == u'\x1c' || c == u'\x7f';
}

// One converter of each direction per thread, opened at its first use: opening one looks the
// table up by name, which costs more than converting a line. Each call converts on its own (the
// converters keep no state between calls), and a call's errors are those it added to the count.
class Encoder : public QStringEncoder
{
public:
    Encoder() : QStringEncoder(CodecName, QStringConverter::Flag::Stateless)
    {
        Q_ASSERT(isValid());
    }
    QByteArray convert(QStringView text, bool *ok)
    {
        const qsizetype before = state.invalidChars;
        QByteArray bytes = encode(text);
        if (ok)
            *ok = state.invalidChars == before;
        return bytes;
    }
};

class Decoder : public QStringDecoder
{
public:
    Decoder() : QStringDecoder(CodecName, QStringConverter::Flag::Stateless)
    {
        Q_ASSERT(isValid());
    }
    QString convert(QByteArrayView bytes) { return decode(bytes); }
};

// Below 0x80 the code page is ASCII, once the swapped control codes are put back: such text
// needs no converter.
bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

QByteArray encodeChecked(QStringView text, bool *ok)
{
    if (ok)
        *ok = true;
    if (isAscii(text))
        return text.toLatin1();
    thread_local Encoder encoder;
    if (std::any_of(text.begin(), text.end(), isSwappedControl)) {
        QString mapped = text.toString();
        for (QChar &c : mapped)
            c = QChar(toConverter(c.unicode()));
        return encoder.convert(mapped, ok);
    }
    return encoder.convert(text, ok);
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

QString withCodePoints(QStringView text)
{
    if (canHold(text))
        return text.toString();
    QString result;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = characterLength(text, i);
        const QStringView character = text.mid(i, n);
        if (holdsCharacter(character)) {
            result += character;
        } else {
            const char32_t code = n == 2 && QChar::isSurrogate(character[0].unicode())
                                      ? QChar::surrogateToUcs4(character[0], character[1])
                                      : character[0].unicode();
            result += QStringLiteral("<U+%1>").arg(
                QString::number(quint32(code), 16).toUpper().rightJustified(4, u'0'));
        }
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
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    thread_local Decoder decoder;
    QString text = decoder.convert(bytes);
    if (std::any_of(text.cbegin(), text.cend(), isSwappedControl)) {
        for (QChar &c : text)
            c = QChar(fromConverter(c.unicode()));
    }
    return text;
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
