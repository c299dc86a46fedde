#include "CharacterRecord.h"

#include "Cp932.h"

using namespace Qt::StringLiterals;

// Indexes come from the window's control lists and are always in range; a stray one is a
// programming error, caught by the assertion in debug builds and ignored in release builds.
#define PELKO_CHECK_INDEX(index, size, fallback)                                                   \
    do {                                                                                           \
        Q_ASSERT_X((index) >= 0 && (index) < (size), Q_FUNC_INFO, "index out of range");           \
        if ((index) < 0 || (index) >= (size))                                                      \
            return fallback;                                                                       \
    } while (false)

CharacterRecord::CharacterRecord() : m_origins(6, 0), m_currents(6, 0), m_route(1, 0) {}

QString CharacterRecord::settingsFileName() const
{
    return m_settingsBaseName + u".ini"_s;
}

void CharacterRecord::setSettingsFileName(const QString &fileName)
{
    // The last four bytes are taken to be the ".ini" ending, whatever they are.
    QString base = Cp932::cutToBytes(Cp932::dropLastBytes(fileName, 4), SettingsNameBytes);
    if (base != m_settingsBaseName)
        m_settingsFieldBytes.clear();
    m_settingsBaseName = std::move(base);
}

QByteArray CharacterRecord::settingsFileNameBytes() const
{
    return m_settingsFieldBytes.isEmpty() ? Cp932::encode(settingsFileName())
                                          : m_settingsFieldBytes;
}

void CharacterRecord::setSettingsFileNameBytes(const QByteArray &bytes)
{
    setSettingsFileName(Cp932::decode(bytes));
    // Kept only when the name was taken whole: a base cut to its limit names another file.
    // A field filled to its end without a NUL loses its last byte when written: such bytes are
    // not kept, and the name is written as text, as it reads.
    const bool whole = bytes.size() >= 4 && bytes.size() <= FieldBytes &&
                       Cp932::decode(bytes.first(bytes.size() - 4)) == m_settingsBaseName;
    m_settingsFieldBytes =
        whole && bytes != Cp932::encode(settingsFileName()) ? bytes : QByteArray();
}

void CharacterRecord::setName(const QString &name)
{
    QString kept = Cp932::cutToBytes(name, NameBytes);
    if (kept != m_name)
        m_nameBytes.clear();
    m_name = std::move(kept);
}

QByteArray CharacterRecord::nameBytes() const
{
    return m_nameBytes.isEmpty() ? Cp932::encode(m_name) : m_nameBytes;
}

void CharacterRecord::setNameBytes(const QByteArray &bytes)
{
    const QString text = Cp932::decode(bytes);
    setName(text);
    const bool whole = bytes.size() <= qMin(NameBytes, FieldBytes) && m_name == text;
    m_nameBytes = whole && bytes != Cp932::encode(m_name) ? bytes : QByteArray();
}

void CharacterRecord::setAbilityCount(int count)
{
    Q_ASSERT(count >= 0);
    m_abilityCount = qMax(count, 0);
    m_origins.resize(m_abilityCount, 0);
    m_currents.resize(m_abilityCount, 0);
}

void CharacterRecord::setOverLoad(bool on)
{
    m_overLoad = on;
    for (int i = 0; i < m_abilityCount; ++i)
        setCurrent(i, m_currents[i]);
}

void CharacterRecord::setMinusEnable(bool on)
{
    m_minusEnable = on;
    for (int i = 0; i < m_abilityCount; ++i)
        setCurrent(i, m_currents[i]);
}

int CharacterRecord::origin(int index) const
{
    PELKO_CHECK_INDEX(index, m_abilityCount, 0);
    return m_origins[index];
}

void CharacterRecord::setOrigin(int index, int value)
{
    PELKO_CHECK_INDEX(index, m_abilityCount, );
    m_origins[index] = qMax(value, 0);
    // Only the cap follows the origin; a negative current value stays as it is.
    if (m_origins[index] < m_currents[index] && !m_overLoad)
        m_currents[index] = m_origins[index];
}

int CharacterRecord::current(int index) const
{
    PELKO_CHECK_INDEX(index, m_abilityCount, 0);
    return m_currents[index];
}

void CharacterRecord::setCurrent(int index, int value)
{
    PELKO_CHECK_INDEX(index, m_abilityCount, );
    m_currents[index] = value;
    // The cap comes before the floor; origins are never negative, so the two never conflict.
    if (m_origins[index] < m_currents[index] && !m_overLoad)
        m_currents[index] = m_origins[index];
    if (m_currents[index] < 0 && !m_minusEnable)
        m_currents[index] = 0;
}

void CharacterRecord::setRouteCount(int count)
{
    Q_ASSERT(count >= 0);
    m_routeCount = qMax(count, 0);
    m_route.resize(m_routeCount + 1, 0);
}

std::uint16_t CharacterRecord::routeAt(int index) const
{
    PELKO_CHECK_INDEX(index, m_routeCount + 1, 0);
    return m_route[index];
}

void CharacterRecord::setRouteAt(int index, std::uint16_t paragraph)
{
    PELKO_CHECK_INDEX(index, m_routeCount + 1, );
    m_route[index] = paragraph;
}

void CharacterRecord::setRouteList(const QList<std::uint16_t> &entries)
{
    m_route = entries.isEmpty() ? QList<std::uint16_t>(1, 0) : entries;
    if (m_route.constFirst() != 0) // entry 0 always holds 0; test before writing to keep sharing
        m_route[0] = 0;
    m_routeCount = int(m_route.size() - 1);
}

void CharacterRecord::setFlagCount(int count)
{
    Q_ASSERT(count >= 0);
    m_flagCount = qMax(count, 0);
    m_flags.resize(m_flagCount, false);
}

bool CharacterRecord::flag(int index) const
{
    PELKO_CHECK_INDEX(index, m_flagCount, false);
    return m_flags[index];
}

void CharacterRecord::setFlag(int index, bool checked)
{
    PELKO_CHECK_INDEX(index, m_flagCount, );
    m_flags[index] = checked;
}
