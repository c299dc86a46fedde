#include "IniText.h"

#include "Cp932.h"

#include <algorithm>

namespace {

// Blanks and control characters, the set stripped from both ends of every line, key and value.
bool isBlank(QChar c)
{
    return c.unicode() <= 0x20;
}

} // namespace

// The scans below walk the units through a pointer: they run over every character of a file
// several times, and the checked subscript costs more than the scan.
QStringView IniText::strippedView(QStringView text)
{
    const QChar *begin = text.data();
    const QChar *end = begin + text.size();
    while (begin < end && isBlank(*begin))
        ++begin;
    while (end > begin && isBlank(end[-1]))
        --end;
    return QStringView(begin, end);
}

QString IniText::rawString(QStringView text)
{
    return QString::fromRawData(text.data(), text.size());
}

namespace {

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

// An entry line of ASCII text: each character is its own byte.
void appendAscii(QByteArray &bytes, QStringView key, QStringView value)
{
    for (QChar c : key)
        bytes += char(c.unicode());
    bytes += '=';
    for (QChar c : value)
        bytes += char(c.unicode());
}

} // namespace

// Section and key names match without regard to letter case: two names are the same when
// their lower-case forms are. Each character is lowered on its own, so two names whose units
// differ first in an ASCII pair are told apart there; a non-ASCII unit needs the whole forms.
bool IniText::sameName(QStringView a, QStringView b)
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

// A hash of a name's lower-case form, so that equal names (see sameName) hash alike. ASCII
// names are hashed without making their lower-case form.
size_t IniText::nameHash(QStringView name)
{
    if (!isAscii(name))
        return qHash(name.toString().toLower());
    size_t hash = 14695981039346656037ULL;
    for (const char16_t *unit = name.utf16(), *end = unit + name.size(); unit < end; ++unit)
        hash = (hash ^ asciiLower(*unit)) * 1099511628211ULL;
    return hash;
}

// The lines are split at CR LF, CR or LF before they are decoded: no byte of a double-byte
// character of code page 932 is a CR or an LF.
IniText IniText::parse(const QByteArray &bytes)
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
    bool lineEndSeen = false;
    qsizetype start = 0;
    while (start < size) {
        cr = next(cr, '\r', start);
        lf = next(lf, '\n', start);
        const qsizetype end = std::min(cr, lf);
        const QByteArray raw = QByteArray::fromRawData(data + start, end - start);
        QStringView decoded = QStringView(ini.m_latin).sliced(start, end - start);
        start = end + (end + 1 < size && data[end] == '\r' && data[end + 1] == '\n' ? 2 : 1);
        const QByteArray ending = QByteArray::fromRawData(data + end, std::min(start, size) - end);
        if (!lineEndSeen && !ending.isEmpty()) {
            lineEndSeen = true;
            ini.m_lineEnd = ending;
        }
        // Below 0x80 a byte is its own character; other lines go through the code page.
        if (!isAscii(decoded)) {
            ini.m_decoded.append(Cp932::decode(raw));
            decoded = ini.m_decoded.last();
        }

        const QStringView line = strippedView(decoded);
        if (line.startsWith(u'[') && line.endsWith(u']') && line.size() >= 2) {
            // A second section of a name is kept where it stands, but only the first is read
            // and written to: lookups find the first of equal names.
            section = &ini.appendSection(strippedView(line.sliced(1, line.size() - 2)));
            section->rawHeader = raw;
            section->headerEnding = ending;
            continue;
        }
        if (!section) {
            ini.m_preamble += raw + ending;
            continue;
        }
        if (line.isEmpty() || line.startsWith(u';')) {
            section->entries.append({QString(), QString(), false, raw, ending, true});
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            section->entries.append({view(line), QString(), false, raw, ending});
        else
            ini.put(*section, strippedView(line.first(equals)),
                    view(strippedView(line.sliced(equals + 1))), false, raw, ending);
        section->contentEnd = section->entries.size();
    }
    return ini;
}

const QString *IniText::find(QStringView sectionName, QStringView key) const
{
    const qsizetype s = findSection(sectionName);
    if (s < 0)
        return nullptr;
    const Section &section = m_list[s];
    const qsizetype e = section.find(key);
    return e < 0 ? nullptr : &section.entries[e].value;
}

qsizetype IniText::keyCount(QStringView sectionName, QStringView key) const
{
    const qsizetype s = findSection(sectionName);
    if (s < 0)
        return 0;
    const QList<Entry> &entries = m_list[s].entries;
    return std::count_if(entries.cbegin(), entries.cend(), [key](const Entry &entry) {
        return entry.hasValue && sameName(entry.key, key);
    });
}

void IniText::set(QStringView sectionName, QStringView key, const QString &value)
{
    Section &target = section(sectionName);
    put(target, key, oneLine(value), true, {}, endingFor(target));
}

QByteArray IniText::endingFor(const Section &section) const
{
    const QByteArray &before = section.contentEnd > 0
                                   ? section.entries[section.contentEnd - 1].ending
                                   : section.headerEnding;
    return before.isEmpty() ? m_lineEnd : before;
}

namespace {

bool isBlankLine(QByteArrayView line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) <= 0x20; });
}

} // namespace

QByteArray IniText::toBytes() const
{
    QByteArray bytes;
    bytes.reserve(m_source.size() + 1024);
    // A last line read without a line end gets one when a line follows it.
    bool open = false;
    bool lastBlank = true;
    const auto line = [&](QByteArrayView content, const QByteArray &ending) {
        if (open)
            bytes += m_lineEnd;
        bytes += content;
        bytes += ending;
        open = ending.isEmpty();
        lastBlank = isBlankLine(content);
    };
    bytes += m_preamble;
    if (!m_preamble.isEmpty()) {
        open = !m_preamble.endsWith('\n') && !m_preamble.endsWith('\r');
        lastBlank = false;
    }
    for (const Section &section : m_list) {
        if (section.rawHeader.isEmpty()) {
            // A section the program adds stands apart from what comes before it.
            if (!bytes.isEmpty() && !lastBlank)
                line({}, m_lineEnd);
            line(Cp932::encode(u'[' + section.name + u']'), section.headerEnding);
        } else {
            line(section.rawHeader, section.headerEnding);
        }
        for (const Entry &entry : section.entries) {
            if (!entry.raw.isEmpty() || entry.filler)
                line(entry.raw, entry.ending);
            else if (entry.hasValue && isAscii(entry.key) && isAscii(entry.value)) {
                QByteArray made;
                appendAscii(made, entry.key, entry.value);
                line(made, entry.ending);
            } else {
                line(Cp932::encode(entry.hasValue ? entry.key + u'=' + entry.value : entry.key),
                     entry.ending);
            }
        }
    }
    return bytes;
}

IniText::Section &IniText::section(QStringView name)
{
    const qsizetype found = findSection(name);
    if (found >= 0)
        return m_list[found];
    // Made here, it ends with a blank line, as every section the program writes.
    Section &made = appendSection(name);
    made.headerEnding = m_lineEnd;
    made.entries.append({QString(), QString(), false, {}, m_lineEnd, true});
    return made;
}

IniText::Section &IniText::appendSection(QStringView name)
{
    m_list.append(Section{name.toString(), {}, {}, {}, 0, {}});
    m_index.added(name, m_list.size() - 1, [this](qsizetype i) { return sectionAt(i); });
    return m_list.last();
}

// Reading keeps the first of two equal keys, as a lookup would find it; writing replaces it.
// A value written unchanged leaves its line as it was read. A key the program gives is
// copied only when it makes a new entry, which goes after the section's last entry: only
// fillers follow that place, so no key moves in the index.
void IniText::put(Section &section, QStringView key, const QString &value, bool replace,
                  const QByteArray &raw, const QByteArray &ending)
{
    const qsizetype found = section.find(key);
    if (found >= 0) {
        if (!replace) {
            section.entries.append({keyText(key, raw), value, true, raw, ending});
            return;
        }
        Entry &entry = section.entries[found];
        if (entry.value != value) {
            entry.value = value;
            entry.raw.clear();
        }
        return;
    }
    const qsizetype at = replace ? section.contentEnd : section.entries.size();
    section.entries.insert(at, {keyText(key, raw), value, true, raw, ending});
    if (replace)
        ++section.contentEnd;
    section.index.added(key, at, [&section](qsizetype i) { return section.keyAt(i); });
}
