// Writing the book's rules into a settings file: only what the editor changed, every other line
// with its bytes and its line end.
#include "BookRules.h"

#include "Cp932.h"
#include "IniData.h"
#include "IniText.h"

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// A line of the file as bytes, with its own line end, and what it says.
struct RawLine
{
    QByteArray content;
    QByteArray ending;
    QString text; // decoded, blanks at either end left off

    bool isHeader() const
    {
        return text.size() >= 2 && text.startsWith(u'[') && text.endsWith(u']');
    }
    bool isComment() const { return text.startsWith(u';'); }
    bool isContent() const { return !text.isEmpty() && !isComment(); }
    QString sectionName() const
    {
        return IniText::strippedView(QStringView(text).sliced(1, text.size() - 2)).toString();
    }
    // The key of an entry line, or an empty text for any other line.
    QString key() const
    {
        const qsizetype equals = text.indexOf(u'=');
        if (equals < 0 || isComment() || isHeader())
            return {};
        return IniText::strippedView(QStringView(text).first(equals)).toString();
    }
    QString value() const
    {
        const qsizetype equals = text.indexOf(u'=');
        return shownIniValue(IniText::strippedView(QStringView(text).sliced(equals + 1)))
            .toString();
    }
};

// Split at CR LF, CR or LF, as the settings file's reader splits.
QList<RawLine> rawLines(const QByteArray &bytes)
{
    QList<RawLine> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        qsizetype next = end;
        if (next < bytes.size())
            next +=
                bytes[next] == '\r' && next + 1 < bytes.size() && bytes[next + 1] == '\n' ? 2 : 1;
        RawLine line;
        line.content = bytes.sliced(start, end - start);
        line.ending = bytes.sliced(end, next - end);
        line.text = IniText::strippedView(Cp932::decode(line.content)).toString();
        lines.append(line);
        start = next;
    }
    return lines;
}

RawLine madeLine(const QString &text, const QByteArray &ending)
{
    return {Cp932::encode(text), ending, text};
}

// A section with the comments right above it, which go where it goes, and the blank lines after
// it, which keep their place.
struct Block
{
    QList<RawLine> lines;  // the comments above, the header, the entries
    QList<RawLine> tail;   // blank lines
    qsizetype header = -1; // in lines; -1 for the lines before the first section
    int test = -1;         // the test (0-based) it holds once written
    bool made = false;     // made here, not read
    bool dropped = false;

    QString name() const { return header < 0 ? QString() : lines[header].sectionName(); }
    bool named(const QString &section) const
    {
        return header >= 0 && name().compare(section, Qt::CaseInsensitive) == 0;
    }
};

QList<Block> blocksOf(const QList<RawLine> &lines)
{
    QList<qsizetype> starts{0};
    QList<qsizetype> headers{-1};
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines[i].isHeader())
            continue;
        qsizetype start = i;
        while (start > headers.last() + 1 && lines[start - 1].isComment())
            --start;
        starts.append(start);
        headers.append(i);
    }
    starts.append(lines.size());
    QList<Block> blocks;
    for (qsizetype b = 0; b + 1 < starts.size(); ++b) {
        qsizetype end = starts[b + 1];
        qsizetype body = end;
        while (body > std::max(starts[b], headers[b] + 1) && lines[body - 1].text.isEmpty())
            --body;
        Block block;
        block.lines = lines.mid(starts[b], body - starts[b]);
        block.tail = lines.mid(body, end - body);
        block.header = headers[b] < 0 ? -1 : headers[b] - starts[b];
        blocks.append(block);
    }
    return blocks;
}

// Gives key the value in the block's section: a line of the key changes only when its value
// does; a missing key with a value goes after the last entry.
void setKey(Block &block, const QString &key, const QString &value, const QByteArray &fileEnd)
{
    qsizetype last = block.header;
    for (qsizetype i = block.header + 1; i < block.lines.size(); ++i) {
        RawLine &line = block.lines[i];
        if (line.key().compare(key, Qt::CaseInsensitive) == 0) {
            if (line.value() != value) {
                const RawLine made = madeLine(line.key() + u'=' + value, line.ending);
                line = made;
            }
            return;
        }
        if (line.isContent())
            last = i;
    }
    if (value.isEmpty())
        return;
    const QByteArray &before = block.lines[last].ending;
    block.lines.insert(last + 1, madeLine(key + u'=' + value, before.isEmpty() ? fileEnd : before));
}

Block madeBlock(const QString &section, const QStringList &keys, const QStringList &values,
                const QByteArray &fileEnd)
{
    Block block;
    block.made = true;
    block.header = 0;
    block.lines.append(madeLine(u'[' + section + u']', fileEnd));
    for (qsizetype k = 0; k < keys.size(); ++k)
        block.lines.append(madeLine(keys[k] + u'=' + values.value(k), fileEnd));
    return block;
}

bool isBlankLine(const QByteArray &line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) <= 0x20; });
}

// The blocks as bytes. A line that had no end gets the file's when another follows; a section
// made here stands apart from its neighbours by a blank line.
QByteArray bytesOf(const QList<Block> &blocks, const QByteArray &fileEnd)
{
    QByteArray bytes;
    bool open = false;
    bool lastBlank = true;
    const auto put = [&](const RawLine &line) {
        if (open)
            bytes += fileEnd;
        bytes += line.content + line.ending;
        open = line.ending.isEmpty();
        lastBlank = isBlankLine(line.content);
    };
    const RawLine blank{{}, fileEnd, {}};
    // The blank lines after a section that goes still part the sections around it.
    QList<RawLine> carried;
    for (qsizetype b = 0; b < blocks.size(); ++b) {
        const Block &block = blocks[b];
        if (block.dropped) {
            if (carried.isEmpty())
                carried = block.tail;
            continue;
        }
        if (!bytes.isEmpty() && !lastBlank) {
            if (!carried.isEmpty())
                put(carried.first());
            else if (block.made)
                put(blank);
        }
        carried.clear();
        for (const RawLine &line : block.lines + block.tail)
            put(line);
        const auto next = std::find_if(blocks.begin() + b + 1, blocks.end(),
                                       [](const Block &other) { return !other.dropped; });
        if (block.made && block.tail.isEmpty() && next != blocks.end() && !next->made)
            put(blank);
    }
    return bytes;
}

QStringList normalised(const QStringList &values)
{
    QStringList result;
    for (const QString &value : values)
        result.append(BookRules::fileValue(value));
    return result;
}

RulesTexts normalised(const RulesTexts &texts)
{
    RulesTexts result;
    for (const QStringList &test : texts.tests)
        result.tests.append(normalised(test));
    if (texts.combat)
        result.combat = normalised(*texts.combat);
    return result;
}

int originOf(const RulesEdit &edit, qsizetype test)
{
    const int origin = edit.origins.value(test, -1);
    return origin < edit.before.tests.size() ? origin : -1;
}

} // namespace

bool RulesEdit::changed() const
{
    if (normalised(after) != before)
        return true;
    for (qsizetype k = 0; k < after.tests.size(); ++k) {
        if (originOf(*this, k) != k)
            return true;
    }
    return false;
}

QByteArray BookRules::writeInto(const QByteArray &existing, const RulesTexts &texts)
{
    RulesEdit edit{textsFromBytes(existing), texts, {}};
    for (qsizetype k = 0; k < texts.tests.size(); ++k)
        edit.origins.append(k < edit.before.tests.size() ? int(k) : -1);
    return writeInto(existing, edit);
}

QByteArray BookRules::writeInto(const QByteArray &existing, const RulesEdit &edit)
{
    if (!edit.changed())
        return existing;
    const RulesTexts after = normalised(edit.after);
    const RulesTexts &before = edit.before;
    const QList<RawLine> lines = rawLines(existing);
    QByteArray fileEnd = "\r\n";
    for (const RawLine &line : lines) {
        if (!line.ending.isEmpty()) {
            fileEnd = line.ending;
            break;
        }
    }
    const QList<Block> read = blocksOf(lines);
    QList<Block> blocks = read;
    const auto firstNamed = [&read](const QString &section) {
        for (qsizetype b = 0; b < read.size(); ++b) {
            if (read[b].named(section))
                return b;
        }
        return qsizetype(-1);
    };
    const auto dropAllNamed = [&blocks](const QString &section) {
        for (Block &block : blocks) {
            if (block.named(section))
                block.dropped = true;
        }
    };

    // Where each test read stands now: its number's place in the file.
    QList<qsizetype> place;
    for (qsizetype i = 0; i < before.tests.size(); ++i)
        place.append(firstNamed(testSection(int(i))));

    // A number no test holds any more goes, and every section of its number with it: left
    // behind, the first of them would come into force in its place.
    for (qsizetype i = after.tests.size(); i < before.tests.size(); ++i)
        dropAllNamed(testSection(int(i)));

    // Each test goes to its number's place; one without a place, after the test before it.
    QList<Block> pending;
    for (qsizetype k = 0; k < after.tests.size(); ++k) {
        const QString section = testSection(int(k));
        const QStringList &values = after.tests[k];
        const int origin = originOf(edit, k);
        const qsizetype at = k < place.size() ? place[k] : -1;
        const qsizetype unread = at < 0 ? firstNamed(section) : -1;
        if (unread >= 0) {
            // A section of this number that no test was read from: the test writes into it.
            for (int key = 0; key < TestKeyCount; ++key)
                setKey(blocks[unread], testKeys()[key], values.value(key), fileEnd);
            blocks[unread].test = int(k);
            continue;
        }
        Block block;
        if (origin >= 0 && place[origin] >= 0) {
            // The test read, with the comments above it, under its new number.
            block = read[place[origin]];
            if (origin != k)
                block.lines[block.header] =
                    madeLine(u'[' + section + u']', block.lines[block.header].ending);
            for (int key = 0; key < TestKeyCount; ++key) {
                if (values.value(key) != before.tests[origin].value(key))
                    setKey(block, testKeys()[key], values.value(key), fileEnd);
            }
        } else {
            block = madeBlock(section, testKeys(), values, fileEnd);
        }
        block.test = int(k);
        if (at >= 0) {
            block.tail = blocks[at].tail;
            blocks[at] = block;
        } else {
            block.made = true;
            block.tail.clear();
            pending.append(block);
        }
    }

    const qsizetype combat = firstNamed(u"Combat"_s);
    std::optional<Block> madeCombat;
    if (!after.combat) {
        if (before.combat)
            dropAllNamed(u"Combat"_s);
    } else if (combat < 0) {
        madeCombat = madeBlock(u"Combat"_s, combatKeys(), *after.combat, fileEnd);
    } else {
        for (int key = 0; key < CombatKeyCount; ++key) {
            const QString value = after.combat->value(key);
            if (!before.combat || value != before.combat->value(key))
                setKey(blocks[combat], combatKeys()[key], value, fileEnd);
        }
    }

    for (const Block &block : pending) {
        const auto previous =
            std::find_if(blocks.rbegin(), blocks.rend(), [&block](const Block &other) {
                return !other.dropped && other.test >= 0 && other.test == block.test - 1;
            });
        blocks.insert(previous == blocks.rend() ? blocks.end() : previous.base(), block);
    }
    if (madeCombat)
        blocks.append(*madeCombat);
    return bytesOf(blocks, fileEnd);
}
