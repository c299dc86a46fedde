#include "IniData.h"

#include "Cp932.h"
#include "FileError.h"
#include "ProgramDir.h"
#include "TextLines.h"
#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Blanks and control characters, the set stripped from both ends of every line, key and value.
bool isBlank(QChar c)
{
    return c.unicode() <= 0x20;
}

QString stripped(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin).toString();
}

// A whole number in decimal, or in hexadecimal after "0x" or "$", with an optional sign.
std::optional<int> readNumber(const QString &text)
{
    QStringView digits(text);
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

// A value as it can stand on one line: a line break inside it would end the entry there and
// let the rest of the text pose as keys or sections of its own.
QString oneLine(QString value)
{
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

// The lines of a file's bytes, split at CR LF, CR or LF. No byte of a double-byte character
// of code page 932 is a CR or an LF, so the bytes can be split before they are decoded.
QList<QByteArray> byteLines(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.append(bytes.sliced(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(bytes.sliced(start));
    return lines;
}

// An ini text held in memory: its sections in order, each with its entries in order. A line
// read from a file keeps its bytes, and is written back as it stood unless the program gives
// its key another value: bytes the code page has no character for, and the user's spacing,
// survive a save.
class IniText
{
public:
    struct Entry
    {
        QString key;
        QString value;
        bool hasValue = true; // false for a line without "=", which never matches a key
        QByteArray raw;       // the line as read; empty for a line the program made
    };
    struct Section
    {
        QString name;
        QByteArray rawHeader; // the section line as read; empty for a section the program made
        QList<Entry> entries;
        QHash<QString, qsizetype> index; // lower-case key -> first entry with that key
    };

    static IniText parse(const QByteArray &bytes)
    {
        IniText ini;
        Section *section = nullptr;
        for (const QByteArray &raw : byteLines(bytes)) {
            const QString line = stripped(Cp932::decode(raw));
            if (line.isEmpty() || line.startsWith(u';'))
                continue;
            if (line.startsWith(u'[') && line.endsWith(u']') && line.size() >= 2) {
                section = &ini.section(stripped(QStringView(line).sliced(1, line.size() - 2)));
                if (section->rawHeader.isEmpty())
                    section->rawHeader = raw;
                continue;
            }
            if (!section)
                continue;
            const qsizetype equals = line.indexOf(u'=');
            if (equals < 0)
                section->entries.append({line, QString(), false, raw});
            else
                ini.put(*section, stripped(QStringView(line).first(equals)),
                        stripped(QStringView(line).sliced(equals + 1)), false, raw);
        }
        return ini;
    }

    const QString *find(const QString &sectionName, const QString &key) const
    {
        const auto s = m_sections.find(sectionName.toLower());
        if (s == m_sections.end())
            return nullptr;
        const Section &section = m_list[*s];
        const auto e = section.index.find(key.toLower());
        return e == section.index.end() ? nullptr : &section.entries[*e].value;
    }

    void set(const QString &sectionName, const QString &key, const QString &value)
    {
        put(section(sectionName), key, oneLine(value), true, {});
    }

    QByteArray toBytes() const
    {
        QByteArray bytes;
        for (const Section &section : m_list) {
            bytes += section.rawHeader.isEmpty() ? Cp932::encode(u'[' + section.name + u']')
                                                 : section.rawHeader;
            bytes += "\r\n";
            for (const Entry &entry : section.entries) {
                if (!entry.raw.isEmpty())
                    bytes += entry.raw;
                else
                    bytes +=
                        Cp932::encode(entry.hasValue ? entry.key + u'=' + entry.value : entry.key);
                bytes += "\r\n";
            }
            bytes += "\r\n";
        }
        return bytes;
    }

private:
    Section &section(const QString &name)
    {
        const QString folded = name.toLower();
        auto found = m_sections.find(folded);
        if (found == m_sections.end()) {
            found = m_sections.insert(folded, m_list.size());
            m_list.append(Section{name, {}, {}, {}});
        }
        return m_list[*found];
    }

    // Reading keeps the first of two equal keys, as a lookup would find it; writing replaces it.
    // A value written unchanged leaves its line as it was read.
    static void put(Section &section, const QString &key, const QString &value, bool replace,
                    const QByteArray &raw)
    {
        const QString folded = key.toLower();
        const auto found = section.index.find(folded);
        if (found != section.index.end()) {
            if (!replace) {
                section.entries.append({key, value, true, raw});
                return;
            }
            Entry &entry = section.entries[*found];
            if (entry.value != value) {
                entry.value = value;
                entry.raw.clear();
            }
            return;
        }
        section.index.insert(folded, section.entries.size());
        section.entries.append({key, value, true, raw});
    }

    QList<Section> m_list;
    QHash<QString, qsizetype> m_sections; // lower-case name -> position in m_list
};

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

// A value as a text box shows it: it ends at a NUL character, and blanks before that go too,
// so that what is read is what a save writes back.
QString shown(const QString &value)
{
    const qsizetype nul = value.indexOf(QChar());
    return nul < 0 ? value : stripped(QStringView(value).first(nul));
}

class Reader
{
public:
    explicit Reader(const IniText &ini) : m_ini(ini) {}

    QString text(const QString &section, const QString &key, const QString &fallback) const
    {
        const QString *value = m_ini.find(section, key);
        return value ? shown(*value) : fallback;
    }
    int number(const QString &section, const QString &key, int fallback) const
    {
        const QString *value = m_ini.find(section, key);
        return value ? readNumber(shown(*value)).value_or(fallback) : fallback;
    }
    bool boolean(const QString &section, const QString &key, bool fallback) const
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

QStringList TIniData::flagLabels() const
{
    return splitLines(FlagText);
}

void LoadIniData(TIniData &data, const QString &path)
{
    const IniText ini = IniText::parse(readIniFile(path));
    const Reader read(ini);
    const TIniData defaults;
    TIniData loaded;

    for (int i = 0; i < TIniData::AbilityCount; ++i)
        loaded.Enable[i] = read.boolean(u"HEAD"_s, u"enable%1"_s.arg(i + 1), defaults.Enable[i]);
    // A cut may leave blanks at the end, which a second reading would strip.
    for (int i = 0; i < TIniData::AbilityCount; ++i)
        loaded.Name[i] = stripped(Cp932::cutToBytes(
            read.text(u"HEAD"_s, u"Name%1"_s.arg(i + 1), defaults.Name[i]), TIniData::NameBytes));

    loaded.OverLoad = read.boolean(u"Limit"_s, u"OverLoad"_s, defaults.OverLoad);
    loaded.MinusEnable = read.boolean(u"Limit"_s, u"MinusEnable"_s, defaults.MinusEnable);

    loaded.FlagListMode = read.number(u"Flags"_s, u"FlagListMode"_s, defaults.FlagListMode);
    // Only a hand-edited file holds a negative or absurd count: none means none, and the
    // count is bounded so that reading the labels stays quick.
    loaded.FlagNumber = qBound(0, read.number(u"Flags"_s, u"FlagNumber"_s, 0), MaxFlagNumber);
    for (int n = 1; n <= loaded.FlagNumber; ++n)
        loaded.FlagText += read.text(u"Flags"_s, u"Flag%1"_s.arg(n), number(n)) + u"\r\n"_s;

    loaded.NumberDiceEnable =
        read.boolean(u"Dice"_s, u"NumberDiceEnable"_s, defaults.NumberDiceEnable);
    loaded.ZeroDiceEnable = read.boolean(u"Dice"_s, u"ZeroDiceEnable"_s, defaults.ZeroDiceEnable);
    loaded.PercentileDiceEnable =
        read.boolean(u"Dice"_s, u"PercentileDiceEnable"_s, defaults.PercentileDiceEnable);
    loaded.SoundEffectEnable =
        read.boolean(u"Dice"_s, u"SoundEffectEnable"_s, defaults.SoundEffectEnable);
    loaded.VariableRollEnable =
        read.boolean(u"Dice"_s, u"VariableRollEnable"_s, defaults.VariableRollEnable);

    loaded.RoutePanelVisible =
        read.boolean(u"Route"_s, u"RoutePanelVisible"_s, defaults.RoutePanelVisible);
    loaded.FixWord = read.text(u"Route"_s, u"FixWord"_s, defaults.FixWord);
    loaded.FixType = read.number(u"Route"_s, u"FixType"_s, defaults.FixType);

    data = loaded;
}

void SaveIniData(const TIniData &data, const QString &path)
{
    IniText ini = IniText::parse(readIniFile(path));

    for (int i = 0; i < TIniData::AbilityCount; ++i)
        ini.set(u"HEAD"_s, u"enable%1"_s.arg(i + 1), boolean(data.Enable[i]));
    for (int i = 0; i < TIniData::AbilityCount; ++i)
        ini.set(u"HEAD"_s, u"Name%1"_s.arg(i + 1), data.Name[i]);

    ini.set(u"Limit"_s, u"OverLoad"_s, boolean(data.OverLoad));
    ini.set(u"Limit"_s, u"MinusEnable"_s, boolean(data.MinusEnable));

    ini.set(u"Flags"_s, u"FlagListMode"_s, number(data.FlagListMode));
    ini.set(u"Flags"_s, u"FlagNumber"_s, number(data.FlagNumber));
    const QStringList labels = data.flagLabels();
    for (int n = 1; n <= data.FlagNumber; ++n)
        ini.set(u"Flags"_s, u"Flag%1"_s.arg(n), labels.value(n - 1));

    ini.set(u"Dice"_s, u"NumberDiceEnable"_s, boolean(data.NumberDiceEnable));
    ini.set(u"Dice"_s, u"ZeroDiceEnable"_s, boolean(data.ZeroDiceEnable));
    ini.set(u"Dice"_s, u"PercentileDiceEnable"_s, boolean(data.PercentileDiceEnable));
    ini.set(u"Dice"_s, u"SoundEffectEnable"_s, boolean(data.SoundEffectEnable));
    ini.set(u"Dice"_s, u"VariableRollEnable"_s, boolean(data.VariableRollEnable));

    ini.set(u"Route"_s, u"RoutePanelVisible"_s, boolean(data.RoutePanelVisible));
    ini.set(u"Route"_s, u"FixWord"_s, data.FixWord);
    ini.set(u"Route"_s, u"FixType"_s, number(data.FixType));

    writeWholeFile(path, ini.toBytes());
}

QStringList ListIniFiles(const QString &dir)
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

void IniSettings::LoadIniData(TIniData &data, const QString &fileName) const
{
    ::LoadIniData(data, pathOf(nameOnDisk(fileName)));
}

void IniSettings::SaveIniData(const TIniData &data, const QString &fileName) const
{
    ProgramDir::ensureExists(m_programDir);
    ::SaveIniData(data, pathOf(nameOnDisk(fileName)));
}

void IniSettings::ListIniFiles()
{
    IniList = ::ListIniFiles(m_programDir);
}
