#include "SaveFile.h"

#include "CharacterRecord.h"
#include "Cp932.h"
#include "FileError.h"
#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cstdint>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype TextFieldBytes = 21;
constexpr qsizetype ChunkUnits = 33;
constexpr qsizetype PieceUnits = ChunkUnits - 1; // the last unit of a chunk is room for its zero
constexpr qint64 ChunkBytes = ChunkUnits * 2;

// Reads larger than this are taken in pieces, so that what is held in memory never runs far
// ahead of what the file really contains.
constexpr qint64 ReadPiece = 64 * 1024;

void appendInt32(QByteArray &out, std::int32_t value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void appendUInt16(QByteArray &out, std::uint16_t value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void appendTextField(QByteArray &out, QByteArray field)
{
    field.resize(TextFieldBytes, '\0');
    field[TextFieldBytes - 1] = '\0';
    out.append(field);
}

void appendTextField(QByteArray &out, QStringView text)
{
    appendTextField(out, Cp932::encode(Cp932::cutToBytes(text, TextFieldBytes - 1)));
}

// What a file holds, before any of it meets the record's rules.
struct StoredSheet
{
    QByteArray iniName;
    QByteArray name;
    QByteArray origins;  // abilityCount signed 32-bit values
    QByteArray currents; // likewise
    std::int32_t money = 0;
    QString inventory;
    std::optional<QByteArray> flags; // one byte per flag; none in "0.5.0.0" files
    QByteArray route;                // R + 1 unsigned 16-bit entries
};

class FieldReader
{
public:
    explicit FieldReader(QIODevice &device) : m_device(device) {}

    SaveFileResult failure() const { return m_failure; }

    bool take(qint64 count, QByteArray &out)
    {
        out.clear();
        // A count the file cannot hold fails here, before a byte of room is set aside for it.
        if (!m_device.isSequential() && count > m_device.size() - m_device.pos())
            return fail(SaveFileResult::Truncated);
        while (out.size() < count) {
            const qint64 want = qMin(count - out.size(), ReadPiece);
            const qsizetype at = out.size();
            out.resize(at + want);
            const qint64 got = m_device.read(out.data() + at, want);
            if (got < 0)
                return fail(SaveFileResult::ReadFailed);
            out.resize(at + got);
            if (got == 0)
                return fail(SaveFileResult::Truncated);
        }
        return true;
    }

    bool int32(std::int32_t &value)
    {
        QByteArray bytes;
        if (!take(4, bytes))
            return false;
        value = qFromLittleEndian<std::int32_t>(bytes.constData());
        return true;
    }

    // The bytes before the first zero byte, or all of them when there is none.
    bool textField(QByteArray &text)
    {
        if (!take(TextFieldBytes, text))
            return false;
        const qsizetype zero = text.indexOf('\0');
        if (zero >= 0)
            text.truncate(zero);
        return true;
    }

    bool badCount() { return fail(SaveFileResult::BadCount); }

private:
    bool fail(SaveFileResult reason)
    {
        m_failure = reason;
        return false;
    }

    QIODevice &m_device;
    SaveFileResult m_failure = SaveFileResult::Loaded;
};

// Each chunk contributes its units up to its first zero unit; a chunk without one (never
// written) is taken whole.
QString inventoryFromChunks(const QByteArray &chunks)
{
    QString text;
    for (qsizetype at = 0; at < chunks.size(); at += ChunkBytes) {
        for (qsizetype i = 0; i < ChunkUnits; ++i) {
            const auto unit = qFromLittleEndian<std::uint16_t>(chunks.constData() + at + 2 * i);
            if (unit == 0)
                break;
            text.append(QChar(unit));
        }
    }
    return text;
}

// Fields 2 onwards; field 1 has been read. Counts are checked before anything is sized by them.
bool readSheet(FieldReader &in, int ablCount, bool withFlags, StoredSheet &sheet)
{
    if (!in.textField(sheet.iniName) || !in.textField(sheet.name))
        return false;
    if (!in.take(4 * qint64(ablCount), sheet.origins) ||
        !in.take(4 * qint64(ablCount), sheet.currents) || !in.int32(sheet.money))
        return false;

    std::int32_t lastChunk = 0;
    if (!in.int32(lastChunk))
        return false;
    if (lastChunk < -1)
        return in.badCount();
    QByteArray chunks;
    if (!in.take(ChunkBytes * (qint64(lastChunk) + 1), chunks))
        return false;
    sheet.inventory = inventoryFromChunks(chunks);

    if (withFlags) {
        std::int32_t flagCount = 0;
        if (!in.int32(flagCount))
            return false;
        if (flagCount < 0)
            return in.badCount();
        QByteArray flags;
        if (!in.take(flagCount, flags))
            return false;
        sheet.flags = flags;
    }

    std::int32_t routeCount = 0;
    if (!in.int32(routeCount))
        return false;
    // The record keeps one entry more than the count, so the count itself must leave room.
    if (routeCount < 0 || routeCount == std::numeric_limits<std::int32_t>::max())
        return in.badCount();
    return in.take(2 * (qint64(routeCount) + 1), sheet.route);
}

// The record's setters in file order, so each clamp sees the record as the earlier values left
// it, under the overLoad and minusEnable it holds.
void storeSheet(const StoredSheet &sheet, CharacterRecord &data)
{
    data.setSettingsFileNameBytes(sheet.iniName);
    data.setNameBytes(sheet.name);
    const int ablCount = data.abilityCount();
    for (int i = 0; i < ablCount; ++i)
        data.setOrigin(i, qFromLittleEndian<std::int32_t>(sheet.origins.constData() + 4 * i));
    for (int i = 0; i < ablCount; ++i)
        data.setCurrent(i, qFromLittleEndian<std::int32_t>(sheet.currents.constData() + 4 * i));
    data.setMoney(sheet.money);
    data.setInventory(sheet.inventory);
    if (sheet.flags) {
        const int flagCount = int(sheet.flags->size());
        data.setFlagCount(flagCount);
        for (int i = 0; i < flagCount; ++i)
            data.setFlag(i, sheet.flags->at(i) != '\0');
    }
    const int routeCount = int(sheet.route.size() / 2 - 1);
    data.setRouteCount(routeCount);
    for (int i = 0; i <= routeCount; ++i)
        data.setRouteAt(i, qFromLittleEndian<std::uint16_t>(sheet.route.constData() + 2 * i));
}

// Blanks and control characters at either end do not count.
QString trimmedVersion(const QString &version)
{
    qsizetype begin = 0;
    qsizetype end = version.size();
    while (begin < end && version[begin].unicode() <= u' ')
        ++begin;
    while (end > begin && version[end - 1].unicode() <= u' ')
        --end;
    return version.sliced(begin, end - begin);
}

enum class Layout { Current, WithoutFlags };

// Opens the file for reading only, so that a read-only save file loads too, and only a regular
// file, so that a pipe cannot keep the program waiting; picks the layout from field 1; reads
// everything before touching data.
template <typename PickLayout>
SaveFileResult readInto(CharacterRecord &data, const QString &path, PickLayout pickLayout)
{
    QFile file;
    if (!openRegularFile(file, path))
        return SaveFileResult::CannotOpen;
    FieldReader in(file);
    QByteArray version;
    if (!in.textField(version))
        return in.failure();
    const std::optional<Layout> layout = pickLayout(version);
    if (!layout)
        return SaveFileResult::OtherVersion;
    StoredSheet sheet;
    if (!readSheet(in, data.abilityCount(), *layout == Layout::Current, sheet))
        return in.failure();

    CharacterRecord loaded = data;
    storeSheet(sheet, loaded);
    data = std::move(loaded);
    return SaveFileResult::Loaded;
}

} // namespace

QByteArray saveFileBytes(const CharacterRecord &data, const QString &version)
{
    const QString inventory = data.inventory();
    const qsizetype units = inventory.size();
    const qsizetype chunkCount = (units + PieceUnits - 1) / PieceUnits;
    const int ablCount = data.abilityCount();
    const int flagCount = data.flagCount();
    const int routeCount = data.routeCount();
    Q_ASSERT(chunkCount <= std::numeric_limits<std::int32_t>::max());

    QByteArray out;
    out.reserve(3 * TextFieldBytes + 8 * ablCount + 16 + chunkCount * ChunkBytes + flagCount +
                2 * (routeCount + 1));

    const qsizetype zero = version.indexOf(QChar(u'\0'));
    appendTextField(out, zero >= 0 ? QStringView(version).left(zero) : QStringView(version));
    appendTextField(out, data.settingsFileNameBytes());
    appendTextField(out, data.nameBytes());
    for (int i = 0; i < ablCount; ++i)
        appendInt32(out, data.origin(i));
    for (int i = 0; i < ablCount; ++i)
        appendInt32(out, data.current(i));
    appendInt32(out, data.money());

    // The inventory never holds a character outside code page 932, so it goes out as its own
    // UTF-16 units: 32 to a chunk, then at least one zero unit.
    appendInt32(out, std::int32_t(chunkCount - 1));
    for (qsizetype c = 0; c < chunkCount; ++c) {
        const QStringView piece = QStringView(inventory).mid(c * PieceUnits, PieceUnits);
        for (const QChar unit : piece)
            appendUInt16(out, unit.unicode());
        for (qsizetype i = piece.size(); i < ChunkUnits; ++i)
            appendUInt16(out, 0);
    }

    appendInt32(out, flagCount);
    for (int i = 0; i < flagCount; ++i)
        out.append(data.flag(i) ? '\1' : '\0');

    appendInt32(out, routeCount);
    for (int i = 0; i <= routeCount; ++i)
        appendUInt16(out, data.routeAt(i));
    return out;
}

void writeSaveFile(const CharacterRecord &data, const QString &version, const QString &path)
{
    writeWholeFile(path, saveFileBytes(data, version), WriteFailureText::ByCause);
}

SaveFileResult readSaveFile(CharacterRecord &data, const QString &ownVersion, const QString &path)
{
    const QByteArray own = Cp932::encode(trimmedVersion(ownVersion));
    return readInto(data, path, [&own](const QByteArray &version) -> std::optional<Layout> {
        if (own.isEmpty() || version != own)
            return std::nullopt;
        return Layout::Current;
    });
}

SaveFileResult readOldSaveFile(CharacterRecord &data, const QString &path)
{
    return readInto(data, path, [](const QByteArray &version) -> std::optional<Layout> {
        if (version == "0.6.0.0")
            return Layout::Current;
        if (version == "0.5.0.0")
            return Layout::WithoutFlags;
        return std::nullopt;
    });
}

SaveFileResult readSheetFile(CharacterRecord &data, const QString &ownVersion, const QString &path)
{
    CharacterRecord read = data;
    // The values come in as the file holds them: the limits that cut them are those of the
    // file's own settings, put on when the sheet is put in force, never those of the sheet
    // that happened to be open before.
    read.setOverLoad(true);
    read.setMinusEnable(true);
    SaveFileResult result = readSaveFile(read, ownVersion, path);
    if (result == SaveFileResult::OtherVersion)
        result = readOldSaveFile(read, path);
    if (result == SaveFileResult::Loaded)
        data = read;
    return result;
}

QString proposedFileBaseName(const QString &characterName)
{
    QString base = characterName;
    base.remove(QChar());
    base.replace(u'/', u'／');
    base = base.trimmed();
    qsizetype hidden = 0;
    while (hidden < base.size() && (base[hidden] == u'.' || base[hidden].isSpace()))
        ++hidden;
    base.remove(0, hidden);
    return base.isEmpty() ? u"名前なし"_s : base;
}
