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
#include <cstdio>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Blanks and control characters, the set stripped from both ends of every line, key and value.
bool isBlank(QChar c)
{
    return c.unicode() <= 0x20;
}

// The scans below walk the units through a pointer: they run over every character of a file
// several times, and the checked subscript costs more than the scan.
QStringView strippedView(QStringView text)
{
    const QChar *begin = text.data();
    const QChar *end = begin + text.size();
    while (begin < end && isBlank(*begin))
        ++begin;
    while (end > begin && isBlank(end[-1]))
        --end;
    return QStringView(begin, end);
}

QString stripped(QStringView text)
{
    return strippedView(text).toString();
}

// A whole number in decimal, or in hexadecimal after "0x" or "$", with an optional sign.
std::optional<int> readNumber(QStringView text)
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

// A value as it can stand on one line: a line break inside it would end the entry there and
// let the rest of the text pose as keys or sections of its own.
QString oneLine(QString value)
{
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

bool isAscii(QStringView text)
{
    const char16_t *unit = text.utf16();
    const char16_t *end = unit + text.size();
    while (unit < end && *unit < 0x80)
        ++unit;
    return unit == end;
}

char16_t asciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + 0x20) : c;
}

// Section and key names match without regard to letter case: two names are the same when
// their lower-case forms are. Each character is lowered on its own, so two names whose units
// differ first in an ASCII pair are told apart there; a non-ASCII unit needs the whole forms.
bool sameName(QStringView a, QStringView b)
{
    const auto lowerForms = [a, b] { return a.toString().toLower() == b.toString().toLower(); };
    const char16_t *x = a.utf16();
    const char16_t *y = b.utf16();
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        if (x[i] == y[i])
            continue;
        if (x[i] >= 0x80 || y[i] >= 0x80)
            return lowerForms();
        if (asciiLower(x[i]) != asciiLower(y[i]))
            return false;
    }
    if (a.size() == b.size())
        return true;
    // No character's lower-case form is empty: the rest of the longer name makes its form
    // longer unless a non-ASCII unit in it could be folded into something else.
    const QStringView rest = (a.size() > b.size() ? a : b).sliced(common);
    return !isAscii(rest) && lowerForms();
}

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

// A view as a string, without a copy: it must not outlive the text it views.
QString rawString(QStringView text)
{
    return QString::fromRawData(text.data(), text.size());
}

// An entry line of ASCII text: each character is its own byte.
void appendAscii(QByteArray &bytes, QStringView key, QStringView value)
{
    for (QChar c : key)
        bytes += char(c.unicode());
    bytes += '=';
    for (QChar c : value)
        bytes += char(c.unicode());
}

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

// A hash of a name's lower-case form, so that equal names (see sameName) hash alike. ASCII
// names are hashed without making their lower-case form.
size_t nameHash(QStringView name)
{
    if (!isAscii(name))
        return qHash(name.toString().toLower());
    size_t hash = 14695981039346656037ULL;
    for (const char16_t *unit = name.utf16(), *end = unit + name.size(); unit < end; ++unit)
        hash = (hash ^ asciiLower(*unit)) * 1099511628211ULL;
    return hash;
}

// The first of a list's names that is the same as a given one (see sameName). A short list is
// searched; a long one (a file of thousands of labels) gets a hash, made at its first search
// and kept up as names are added.
class NameIndex
{
public:
    // nameAt(i) gives the i-th name, or nothing for an item that matches no name.
    template <typename NameAt>
    qsizetype find(QStringView name, qsizetype count, NameAt nameAt) const
    {
        if (!m_hashed && count <= ShortList) {
            for (qsizetype i = 0; i < count; ++i) {
                const std::optional<QStringView> other = nameAt(i);
                if (other && sameName(*other, name))
                    return i;
            }
            return -1;
        }
        if (!m_hashed) {
            m_hashed = true;
            for (qsizetype i = 0; i < count; ++i) {
                if (const std::optional<QStringView> other = nameAt(i))
                    addFirst(*other, i, nameAt);
            }
        }
        return firstOf(name, nameHash(name), nameAt);
    }

    template <typename NameAt> void added(QStringView name, qsizetype position, NameAt nameAt)
    {
        if (m_hashed)
            addFirst(name, position, nameAt);
    }

private:
    template <typename NameAt> qsizetype firstOf(QStringView name, size_t hash, NameAt nameAt) const
    {
        for (auto it = m_hash.constFind(hash); it != m_hash.cend() && it.key() == hash; ++it) {
            if (sameName(*nameAt(*it), name))
                return *it;
        }
        return -1;
    }

    // Only the first of equal names is kept: it is the one a search finds.
    template <typename NameAt>
    void addFirst(QStringView name, qsizetype position, NameAt nameAt) const
    {
        const size_t hash = nameHash(name);
        if (firstOf(name, hash, nameAt) < 0)
            m_hash.insert(hash, position);
    }

    static constexpr qsizetype ShortList = 8;
    mutable bool m_hashed = false;
    mutable QMultiHash<size_t, qsizetype> m_hash;
};

// An ini text held in memory: its sections in order, each with its entries in order. A line
// read from a file keeps its bytes, and is written back as it stood unless the program gives
// its key another value: bytes the code page has no character for, and the user's spacing,
// survive a save.
//
// What is read is not copied: the lines' bytes, keys and values are views of the text read,
// which the IniText holds (decoded once as a whole where the lines are ASCII, line by line
// where they are not). A text taken out of it must be copied (see Reader::text).
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
        NameIndex index;

        std::optional<QStringView> keyAt(qsizetype i) const
        {
            const Entry &entry = entries[i];
            return entry.hasValue ? std::optional<QStringView>(entry.key) : std::nullopt;
        }
        qsizetype find(QStringView key) const
        {
            return index.find(key, entries.size(), [this](qsizetype i) { return keyAt(i); });
        }
    };

    // The lines are split at CR LF, CR or LF before they are decoded: no byte of a double-byte
    // character of code page 932 is a CR or an LF.
    static IniText parse(const QByteArray &bytes)
    {
        IniText ini;
        ini.m_source = bytes;
        ini.m_latin = QString::fromLatin1(bytes);
        const char *data = ini.m_source.constData();
        const qsizetype size = ini.m_source.size();
        const QByteArrayView all(data, size);
        // The next CR and the next LF, each searched for again only once passed.
        qsizetype cr = -1;
        qsizetype lf = -1;
        const auto next = [&all, size](qsizetype found, char c, qsizetype from) {
            if (found >= from)
                return found;
            const qsizetype at = all.indexOf(c, from);
            return at < 0 ? size : at;
        };
        Section *section = nullptr;
        qsizetype start = 0;
        while (start < size) {
            cr = next(cr, '\r', start);
            lf = next(lf, '\n', start);
            const qsizetype end = std::min(cr, lf);
            const QByteArray raw = QByteArray::fromRawData(data + start, end - start);
            QStringView decoded = QStringView(ini.m_latin).sliced(start, end - start);
            start = end + (end + 1 < size && data[end] == '\r' && data[end + 1] == '\n' ? 2 : 1);
            // Below 0x80 a byte is its own character; other lines go through the code page.
            if (!isAscii(decoded)) {
                ini.m_decoded.append(Cp932::decode(raw));
                decoded = ini.m_decoded.last();
            }

            const QStringView line = strippedView(decoded);
            if (line.isEmpty() || line.startsWith(u';'))
                continue;
            if (line.startsWith(u'[') && line.endsWith(u']') && line.size() >= 2) {
                section = &ini.section(strippedView(line.sliced(1, line.size() - 2)));
                if (section->rawHeader.isEmpty())
                    section->rawHeader = raw;
                continue;
            }
            if (!section)
                continue;
            const qsizetype equals = line.indexOf(u'=');
            if (equals < 0)
                section->entries.append({view(line), QString(), false, raw});
            else
                put(*section, strippedView(line.first(equals)),
                    view(strippedView(line.sliced(equals + 1))), false, raw);
        }
        return ini;
    }

    const QString *find(QStringView sectionName, QStringView key) const
    {
        const qsizetype s = findSection(sectionName);
        if (s < 0)
            return nullptr;
        const Section &section = m_list[s];
        const qsizetype e = section.find(key);
        return e < 0 ? nullptr : &section.entries[e].value;
    }

    void set(QStringView sectionName, QStringView key, const QString &value)
    {
        put(section(sectionName), key, oneLine(value), true, {});
    }

    QByteArray toBytes() const
    {
        QByteArray bytes;
        bytes.reserve(m_source.size() + 1024);
        for (const Section &section : m_list) {
            bytes += section.rawHeader.isEmpty() ? Cp932::encode(u'[' + section.name + u']')
                                                 : section.rawHeader;
            bytes += "\r\n";
            for (const Entry &entry : section.entries) {
                if (!entry.raw.isEmpty())
                    bytes += entry.raw;
                else if (entry.hasValue && isAscii(entry.key) && isAscii(entry.value))
                    appendAscii(bytes, entry.key, entry.value);
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
    // A text of the IniText's own storage as a string, without a copy.
    static QString view(QStringView text) { return rawString(text); }

    // A key read (raw holds its line) lies in the storage; one the program gives is copied.
    static QString keyText(QStringView key, const QByteArray &raw)
    {
        return raw.isEmpty() ? key.toString() : view(key);
    }

    std::optional<QStringView> sectionAt(qsizetype i) const { return m_list[i].name; }

    qsizetype findSection(QStringView name) const
    {
        return m_index.find(name, m_list.size(), [this](qsizetype i) { return sectionAt(i); });
    }

    Section &section(QStringView name)
    {
        const qsizetype found = findSection(name);
        if (found >= 0)
            return m_list[found];
        m_list.append(Section{name.toString(), {}, {}, {}});
        m_index.added(name, m_list.size() - 1, [this](qsizetype i) { return sectionAt(i); });
        return m_list.last();
    }

    // Reading keeps the first of two equal keys, as a lookup would find it; writing replaces it.
    // A value written unchanged leaves its line as it was read. A key the program gives is
    // copied only when it makes a new entry.
    static void put(Section &section, QStringView key, const QString &value, bool replace,
                    const QByteArray &raw)
    {
        const qsizetype found = section.find(key);
        if (found >= 0) {
            if (!replace) {
                section.entries.append({keyText(key, raw), value, true, raw});
                return;
            }
            Entry &entry = section.entries[found];
            if (entry.value != value) {
                entry.value = value;
                entry.raw.clear();
            }
            return;
        }
        section.entries.append({keyText(key, raw), value, true, raw});
        section.index.added(key, section.entries.size() - 1,
                            [&section](qsizetype i) { return section.keyAt(i); });
    }

    QByteArray m_source;      // the bytes read, which the lines read view
    QString m_latin;          // the bytes read, each as the character of its number
    QList<QString> m_decoded; // the lines read that are not ASCII, decoded
    QList<Section> m_list;
    NameIndex m_index; // of m_list's names
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
QStringView shown(QStringView value)
{
    const qsizetype nul = value.indexOf(QChar());
    return nul < 0 ? value : strippedView(value.first(nul));
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
        return value ? readNumber(shown(*value)).value_or(fallback) : fallback;
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

SettingsValues settingsFromBytes(const QByteArray &bytes, int maxFlagNumber)
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
    loaded.flagNumber = qBound(0, read.number(u"Flags"_s, u"FlagNumber"_s, 0), maxFlagNumber);
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

void loadSettingsFile(SettingsValues &data, const QString &path)
{
    data = settingsFromBytes(readIniFile(path));
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
    ini.set(u"Flags"_s, u"FlagNumber"_s, number(data.flagNumber));
    // The labels are views of data's text, which outlives ini.
    const QList<QStringView> labels = lineViews(data.flagText);
    for (int n = 1; n <= data.flagNumber; ++n)
        ini.set(u"Flags"_s, Numbered(u"Flag", n),
                n <= labels.size() ? rawString(labels[n - 1]) : QString());

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

void IniSettings::load(SettingsValues &data, const QString &fileName) const
{
    ::loadSettingsFile(data, pathOf(nameOnDisk(fileName)));
}

void IniSettings::save(const SettingsValues &data, const QString &fileName) const
{
    ProgramDir::ensureExists(m_programDir);
    ::saveSettingsFile(data, pathOf(nameOnDisk(fileName)));
}

void IniSettings::refreshList()
{
    files = ::listSettingsFiles(m_programDir);
}
