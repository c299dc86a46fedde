#include "CharaData.h"

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

TCharacterData::TCharacterData() : AblMax(6, 0), Abl(6, 0), Route(1, 0) {}

QString TCharacterData::GetIniFileName() const
{
    return IniName + u".ini"_s;
}

void TCharacterData::SetIniFileName(const QString &fileName)
{
    // The last four bytes are taken to be the ".ini" ending, whatever they are.
    IniName = Cp932::cutToBytes(Cp932::dropLastBytes(fileName, 4), IniNameBytes);
}

void TCharacterData::SetName(const QString &name)
{
    CharaName = Cp932::cutToBytes(name, NameBytes);
}

void TCharacterData::SetAblCount(int count)
{
    Q_ASSERT(count >= 0);
    AblCount = qMax(count, 0);
    AblMax.resize(AblCount, 0);
    Abl.resize(AblCount, 0);
}

void TCharacterData::SetOverLoad(bool on)
{
    OverLoad = on;
    for (int i = 0; i < AblCount; ++i)
        SetAbl(i, Abl[i]);
}

void TCharacterData::SetMinusEnable(bool on)
{
    MinusEnable = on;
    for (int i = 0; i < AblCount; ++i)
        SetAbl(i, Abl[i]);
}

int TCharacterData::GetAblMax(int index) const
{
    PELKO_CHECK_INDEX(index, AblCount, 0);
    return AblMax[index];
}

void TCharacterData::SetAblMax(int index, int value)
{
    PELKO_CHECK_INDEX(index, AblCount, );
    AblMax[index] = qMax(value, 0);
    // Only the cap follows the origin; a negative current value stays as it is.
    if (AblMax[index] < Abl[index] && !OverLoad)
        Abl[index] = AblMax[index];
}

int TCharacterData::GetAbl(int index) const
{
    PELKO_CHECK_INDEX(index, AblCount, 0);
    return Abl[index];
}

void TCharacterData::SetAbl(int index, int value)
{
    PELKO_CHECK_INDEX(index, AblCount, );
    Abl[index] = value;
    // The cap comes before the floor; origins are never negative, so the two never conflict.
    if (AblMax[index] < Abl[index] && !OverLoad)
        Abl[index] = AblMax[index];
    if (Abl[index] < 0 && !MinusEnable)
        Abl[index] = 0;
}

void TCharacterData::SetRouteCount(int count)
{
    Q_ASSERT(count >= 0);
    m_routeCount = qMax(count, 0);
    Route.resize(m_routeCount + 1, 0);
}

std::uint16_t TCharacterData::GetRoute(int index) const
{
    PELKO_CHECK_INDEX(index, m_routeCount + 1, 0);
    return Route[index];
}

void TCharacterData::SetRoute(int index, std::uint16_t paragraph)
{
    PELKO_CHECK_INDEX(index, m_routeCount + 1, );
    Route[index] = paragraph;
}

void TCharacterData::setRouteList(const QList<std::uint16_t> &entries)
{
    Route = entries.isEmpty() ? QList<std::uint16_t>(1, 0) : entries;
    if (Route.constFirst() != 0) // entry 0 always holds 0; test before writing to keep sharing
        Route[0] = 0;
    m_routeCount = int(Route.size() - 1);
}

void TCharacterData::SetFlagCount(int count)
{
    Q_ASSERT(count >= 0);
    m_flagCount = qMax(count, 0);
    Flag.resize(m_flagCount, false);
}

bool TCharacterData::GetFlag(int index) const
{
    PELKO_CHECK_INDEX(index, m_flagCount, false);
    return Flag[index];
}

void TCharacterData::SetFlag(int index, bool checked)
{
    PELKO_CHECK_INDEX(index, m_flagCount, );
    Flag[index] = checked;
}
