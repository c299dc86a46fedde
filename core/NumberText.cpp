#include "NumberText.h"

#include "IniData.h"

#include <limits>

namespace NumberText {

int read(const QString &text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return 0;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return 0;
        value = value * 10 + (c - u'0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return 0;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return 0;
    return static_cast<int>(value);
}

bool isAcceptedKey(QChar c)
{
    return (c >= u'0' && c <= u'9') || c == QChar(8) || c == QChar(127);
}

QString halfWidth(QStringView text)
{
    QString folded = text.toString();
    for (QChar &c : folded) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            c = QChar(char16_t(u - 0xFF01 + u'!'));
        else if (u == 0x3000)
            c = u' ';
        else if (u == 0x2212)
            c = u'-';
    }
    return folded;
}

std::optional<int> readTyped(QStringView text)
{
    const QString folded = halfWidth(text);
    return readIniNumber(QStringView(folded).trimmed());
}

} // namespace NumberText
