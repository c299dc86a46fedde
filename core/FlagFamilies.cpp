#include "FlagFamilies.h"

#include "TextLines.h"

#include <array>

using namespace Qt::StringLiterals;

namespace {

QString runOf(char16_t first, char16_t last)
{
    QString run;
    for (char16_t c = first; c <= last; ++c)
        run += QChar(c);
    return run;
}

struct Family
{
    QString name;
    QString characters;
};

const std::array<Family, FlagFamilies::Count> &families()
{
    // The Roman numerals are the single characters Ⅰ to Ⅹ, which code page 932 holds as
    // 0x8754 to 0x875D; letters would make labels of several characters.
    static const std::array<Family, FlagFamilies::Count> table{{
        {u"ALPHABET"_s, runOf(u'Ａ', u'Ｚ')},
        {u"alphabet"_s, runOf(u'ａ', u'ｚ')},
        {u"アラビア数字"_s, runOf(u'０', u'９')},
        {u"ローマ数字"_s, runOf(u'Ⅰ', u'Ⅹ')},
        {u"ひらがな"_s,
         u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"_s},
        {u"カタカナ"_s,
         u"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲン"_s},
    }};
    return table;
}

bool isAsciiBlankOrControl(QChar c)
{
    return c.unicode() <= 0x20 || c.unicode() == 0x7F;
}

QStringView strippedLabel(QStringView line)
{
    while (!line.isEmpty() && isAsciiBlankOrControl(line.front()))
        line = line.sliced(1);
    while (!line.isEmpty() && isAsciiBlankOrControl(line.back()))
        line.chop(1);
    return line;
}

} // namespace

namespace FlagFamilies {

QStringList names()
{
    QStringList result;
    for (const Family &family : families())
        result.append(family.name);
    return result;
}

QStringList characters(int family)
{
    QStringList result;
    if (family < 0 || family >= Count)
        return result;
    for (QChar c : families()[family].characters)
        result.append(QString(c));
    return result;
}

QStringList range(const QStringList &labels, int start, int end)
{
    QStringList result;
    if (start < 0 || end < 0 || start >= labels.size() || end >= labels.size())
        return result;
    const int step = start <= end ? 1 : -1;
    for (int i = start;; i += step) {
        result.append(labels[i]);
        if (i == end)
            break;
    }
    return result;
}

int dropDownRows(int itemCount)
{
    return 2 * itemCount / 3;
}

QString rangeText(const QString &start, const QString &end)
{
    return start + u'～' + end;
}

QString addHint(const QString &rangeText)
{
    return rangeText + u"を既存のリストに追加する"_s;
}

QString newHint(const QString &rangeText)
{
    return u"既存のリストをクリアし、"_s + rangeText + u"を新しいリストとする"_s;
}

Labels labelsFromText(QStringView text)
{
    Labels labels;
    const QStringList lines = splitLines(text);
    for (const QString &line : lines)
        labels.text += strippedLabel(line).toString() + u"\r\n"_s;
    labels.count = static_cast<int>(lines.size());
    return labels;
}

} // namespace FlagFamilies
