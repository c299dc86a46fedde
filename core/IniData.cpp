#include "IniData.h"

#include "Cp932.h"
#include "FileError.h"
#include "IniText.h"
#include "ProgramDir.h"
#include "TextLines.h"
#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

QString stripped(QStringView text)
{
    return IniText::strippedView(text).toString();
}

} // namespace

std::optional<int> readIniNumber(QStringView text)
{
    QStringView digits = text;
    bool negative = false;
    if (!digits.isEmpty() && (digits[0] == u'-' || digits[0] == u'+')) {
        negative = digits[0] == u'-';
        digits = digits.sliced(1);
    }
    int base = 10;
    if (digits.startsWith(u"0x", Qt::CaseInsensitive)) {
        base = 16;
        digits = digits.sliced(2);
    } else if (digits.startsWith(u'$')) {
        base = 16;
        digits = digits.sliced(1);
    }
    if (digits.isEmpty())
        return std::nullopt;
    // Past 32 bits in either base the text is no number; stopping there also keeps leading
    // zeros harmless and a long run of digits from overflowing.
    constexpr qint64 Limit = 0xFFFFFFFFLL;
    qint64 value = 0;
    for (QChar c : digits) {
        const int digit = c.isDigit() && c.unicode() < 0x80 ? c.unicode() - u'0'
                          : base == 16 && c.toLower() >= u'a' && c.toLower() <= u'f'
                              ? c.toLower().unicode() - u'a' + 10
                              : -1;
        if (digit < 0)
            return std::nullopt;
        value = value * base + digit;
        if (value > Limit)
            return std::nullopt;
    }
    // Eight hex digits cover the 32-bit pattern; above 0x7FFFFFFF they read as negative.
    if (base == 16)
        value = static_cast<qint32>(static_cast<quint32>(value));
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

namespace {

// A numbered key such as "Flag12", or a number alone, made in place: a file of many labels
// looks up and writes thousands of them.
class Numbered
{
public:
    Numbered(QStringView prefix, int n)
    {
        for (QChar c : prefix)
            m_units[m_size++] = c.unicode();
        char digits[12];
        const int count = std::snprintf(digits, sizeof digits, "%d", n);
        for (int i = 0; i < count; ++i)
            m_units[m_size++] = char16_t(digits[i]);
    }
    operator QStringView() const { return QStringView(m_units, m_size); }

private:
    char16_t m_units[32];
    qsizetype m_size = 0;
};

// The lines of a text, split at CR LF, CR or LF as splitLines splits them, as views of it.
QList<QStringView> lineViews(QStringView text)
{
    QList<QStringView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.sliced(start));
    return lines;
}

// The bytes of an existing settings file; empty when there is no file (or a folder) at path.
QByteArray readIniFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return {};
    // Only a regular file is read: opening a named pipe would wait for a writer forever, and a
    // device could stream without end.
    // No dialog writes a file near the size limit; a bigger one is junk, refused before it fills
    // the memory.
    QFile file;
    if (info.size() > MaxIniFileBytes || !openRegularFile(file, path))
        throw FileError::cannotOpen(path);
    const QByteArray bytes = file.read(MaxIniFileBytes + 1);
    if (bytes.size() > MaxIniFileBytes)
        throw FileError::cannotOpen(path);
    return bytes;
}

} // namespace

QStringView shownIniValue(QStringView value)
{
    const qsizetype nul = value.indexOf(QChar());
    return nul < 0 ? value : IniText::strippedView(value.first(nul));
}

namespace {

QStringView shown(QStringView value)
{
    return shownIniValue(value);
}

class Reader
{
public:
    explicit Reader(const IniText &ini) : m_ini(ini) {}

    std::optional<QStringView> value(QStringView section, QStringView key) const
    {
        const QString *value = m_ini.find(section, key);
        return value ? std::optional<QStringView>(shown(*value)) : std::nullopt;
    }
    // A copy: the value read is a view of the IniText's storage.
    QString text(QStringView section, QStringView key, const QString &fallback) const
    {
        const QString *value = m_ini.find(section, key);
        return value ? shown(*value).toString() : fallback;
    }
    int number(QStringView section, QStringView key, int fallback) const
    {
        const QString *value = m_ini.find(section, key);
        return value ? readIniNumber(shown(*value)).value_or(fallback) : fallback;
    }
    bool boolean(QStringView section, QStringView key, bool fallback) const
    {
        return number(section, key, fallback ? 1 : 0) != 0;
    }

private:
    const IniText &m_ini;
};

QString number(int value)
{
    return QString::number(value);
}

QString boolean(bool value)
{
    return value ? u"1"_s : u"0"_s;
}

} // namespace

QStringList SettingsValues::flagLabels() const
{
    return splitLines(flagText);
}

SettingsValues settingsFromBytes(const QByteArray &bytes, int maxFlagNumber, int *askedFlagNumber)
{
    const IniText ini = IniText::parse(bytes);
    const Reader read(ini);
    const SettingsValues defaults;
    SettingsValues loaded;

    for (int i = 0; i < SettingsValues::AbilityCount; ++i)
        loaded.enabled[i] =
            read.boolean(u"HEAD"_s, Numbered(u"enable", i + 1), defaults.enabled[i]);
    // A cut may leave blanks at the end, which a second reading would strip.
    for (int i = 0; i < SettingsValues::AbilityCount; ++i)
        loaded.names[i] = stripped(
            Cp932::cutToBytes(read.text(u"HEAD"_s, Numbered(u"Name", i + 1), defaults.names[i]),
                              SettingsValues::NameBytes));

    loaded.overLoad = read.boolean(u"Limit"_s, u"OverLoad"_s, defaults.overLoad);
    loaded.minusEnable = read.boolean(u"Limit"_s, u"MinusEnable"_s, defaults.minusEnable);

    loaded.flagListMode = read.number(u"Flags"_s, u"FlagListMode"_s, defaults.flagListMode);
    // Only a hand-edited file holds a negative or absurd count: none means none, and the
    // count is bounded so that reading the labels stays quick.
    const int asked = read.number(u"Flags"_s, u"FlagNumber"_s, 0);
    if (askedFlagNumber)
        *askedFlagNumber = qMax(asked, 0);
    loaded.flagNumber = qBound(0, asked, maxFlagNumber);
    for (int n = 1; n <= loaded.flagNumber; ++n) {
        const std::optional<QStringView> label = read.value(u"Flags"_s, Numbered(u"Flag", n));
        loaded.flagText += label ? *label : Numbered({}, n);
        loaded.flagText += u"\r\n";
    }

    loaded.numberDice = read.boolean(u"Dice"_s, u"NumberDiceEnable"_s, defaults.numberDice);
    loaded.zeroDice = read.boolean(u"Dice"_s, u"ZeroDiceEnable"_s, defaults.zeroDice);
    loaded.percentileDice =
        read.boolean(u"Dice"_s, u"PercentileDiceEnable"_s, defaults.percentileDice);
    loaded.soundEffect = read.boolean(u"Dice"_s, u"SoundEffectEnable"_s, defaults.soundEffect);
    loaded.variableRoll = read.boolean(u"Dice"_s, u"VariableRollEnable"_s, defaults.variableRoll);

    loaded.routePanelVisible =
        read.boolean(u"Route"_s, u"RoutePanelVisible"_s, defaults.routePanelVisible);
    loaded.fixWord = read.text(u"Route"_s, u"FixWord"_s, defaults.fixWord);
    loaded.fixType = read.number(u"Route"_s, u"FixType"_s, defaults.fixType);
    return loaded;
}

void loadSettingsFile(SettingsValues &data, const QString &path, int *askedFlagNumber)
{
    data = settingsFromBytes(readIniFile(path), MaxFlagNumber, askedFlagNumber);
}

QString flagCapNotice(const QString &fileName, int askedFlagNumber)
{
    if (askedFlagNumber <= MaxFlagNumber)
        return {};
    return u"設定ファイル %1 のフラグは%2個ありますが、表示できるのは始めの%3個までです。"
           u"残りのフラグは設定ファイルにもセーブファイルにも残ります。"_s.arg(
               fileName, QString::number(askedFlagNumber), QString::number(MaxFlagNumber));
}

QByteArray settingsFileBytes(const SettingsValues &data, const QByteArray &existing)
{
    IniText ini = IniText::parse(existing);

    for (int i = 0; i < SettingsValues::AbilityCount; ++i)
        ini.set(u"HEAD"_s, Numbered(u"enable", i + 1), boolean(data.enabled[i]));
    for (int i = 0; i < SettingsValues::AbilityCount; ++i)
        ini.set(u"HEAD"_s, Numbered(u"Name", i + 1), data.names[i]);

    ini.set(u"Limit"_s, u"OverLoad"_s, boolean(data.overLoad));
    ini.set(u"Limit"_s, u"MinusEnable"_s, boolean(data.minusEnable));

    ini.set(u"Flags"_s, u"FlagListMode"_s, number(data.flagListMode));
    const int inFile = Reader(ini).number(u"Flags"_s, u"FlagNumber"_s, 0);
    if (data.flagNumber != MaxFlagNumber || inFile <= MaxFlagNumber)
        ini.set(u"Flags"_s, u"FlagNumber"_s, number(data.flagNumber));
    // The labels are views of data's text, which outlives ini.
    const QList<QStringView> labels = lineViews(data.flagText);
    for (int n = 1; n <= data.flagNumber; ++n)
        ini.set(u"Flags"_s, Numbered(u"Flag", n),
                n <= labels.size() ? IniText::rawString(labels[n - 1]) : QString());

    ini.set(u"Dice"_s, u"NumberDiceEnable"_s, boolean(data.numberDice));
    ini.set(u"Dice"_s, u"ZeroDiceEnable"_s, boolean(data.zeroDice));
    ini.set(u"Dice"_s, u"PercentileDiceEnable"_s, boolean(data.percentileDice));
    ini.set(u"Dice"_s, u"SoundEffectEnable"_s, boolean(data.soundEffect));
    ini.set(u"Dice"_s, u"VariableRollEnable"_s, boolean(data.variableRoll));

    ini.set(u"Route"_s, u"RoutePanelVisible"_s, boolean(data.routePanelVisible));
    ini.set(u"Route"_s, u"FixWord"_s, data.fixWord);
    ini.set(u"Route"_s, u"FixType"_s, number(data.fixType));
    return ini.toBytes();
}

void saveSettingsFile(const SettingsValues &data, const QString &path)
{
    writeWholeFile(path, settingsFileBytes(data, readIniFile(path)));
}

QStringList listSettingsFiles(const QString &dir)
{
    // Every kind of entry counts, folders too: the name alone makes a settings file. The ending
    // is compared here rather than given to QDir as "*.ini", whose wildcard would bring in the
    // regular expression library at start-up for one suffix.
    QStringList names = QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    // A name code page 932 cannot hold is left out: a save file could not name it, so a sheet
    // played under it would come back with the defaults.
    names.removeIf([](const QString &name) {
        return !name.endsWith(u".ini"_s, Qt::CaseInsensitive) || !Cp932::canHold(name);
    });
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int folded = QString::compare(a, b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    const auto isDefault = [](const QString &name) {
        return name.compare(u"Default.ini"_s, Qt::CaseInsensitive) == 0;
    };
    const auto found = std::find_if(names.begin(), names.end(), isDefault);
    if (found != names.end())
        std::rotate(names.begin(), found, found + 1);
    return names;
}

IniSettings::IniSettings(QString programDir) : m_programDir(std::move(programDir))
{
    if (!m_programDir.isEmpty() && !m_programDir.endsWith(u'/'))
        m_programDir += u'/';
}

QString IniSettings::nameOnDisk(const QString &fileName) const
{
    if (fileName.contains(u'/') || QFileInfo::exists(pathOf(fileName)))
        return fileName;
    QString found;
    const QStringList entries =
        QDir(m_programDir)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::NoSort);
    for (const QString &entry : entries) {
        if (entry == fileName)
            return entry;
        if (entry.compare(fileName, Qt::CaseInsensitive) == 0 && (found.isEmpty() || entry < found))
            found = entry;
    }
    return found.isEmpty() ? fileName : found;
}

void IniSettings::load(SettingsValues &data, const QString &fileName, QString *notice) const
{
    // A name from a save file made elsewhere may hold a path ("../x.ini", "/dev/x.ini"): no
    // file of this folder has it, so it reads as a file that is missing, and nothing outside
    // the folder is opened.
    if (fileName.contains(u'/')) {
        data = SettingsValues();
        if (notice)
            notice->clear();
        return;
    }
    int asked = 0;
    ::loadSettingsFile(data, pathOf(nameOnDisk(fileName)), &asked);
    if (notice)
        *notice = flagCapNotice(fileName, asked);
}

void IniSettings::save(const SettingsValues &data, const QString &fileName)
{
    rewrite(fileName,
            [&data](const QByteArray &existing) { return settingsFileBytes(data, existing); });
}

void IniSettings::rewrite(const QString &fileName,
                          const std::function<QByteArray(const QByteArray &)> &edit)
{
    if (fileName.contains(u'/'))
        throw FileError::cannotCreate(fileName);
    ProgramDir::ensureExists(m_programDir);
    const QString path = pathOf(nameOnDisk(fileName));
    writeWholeFile(path, edit(readIniFile(path)));
    refreshList();
    if (written)
        written();
}

void IniSettings::refreshList()
{
    files = ::listSettingsFiles(m_programDir);
}
