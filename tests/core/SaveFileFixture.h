#pragma once

// Shared by the tests of the save file's layout and those of its reading and writing on disk.

#include "CharacterRecord.h"
#include "SaveFile.h"
#include "SaveRoundTrip.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <array>

inline char *toString(SaveFileResult result)
{
    static constexpr std::array Names{"Loaded",       "CannotOpen", "ReadFailed",
                                      "OtherVersion", "Truncated",  "BadCount"};
    return qstrdup(Names.at(std::size_t(result)));
}

inline const QString OwnVersion = QStringLiteral("0.6.1.0");

inline QString golden(const QString &name)
{
    using namespace Qt::StringLiterals;
    return QFINDTESTDATA(u"../data/save/"_s + name);
}

inline void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A sheet as the window holds it after New; with open limits nothing is clamped.
inline CharacterRecord blankSheet(bool openLimits)
{
    CharacterRecord data;
    data.setAbilityCount(8);
    data.setRouteCount(0);
    data.setRouteAt(0, 0);
    data.setOverLoad(openLimits);
    data.setMinusEnable(openLimits);
    return data;
}

// What full.pkd holds.
inline CharacterRecord fullSheet()
{
    using namespace Qt::StringLiterals;
    CharacterRecord data = blankSheet(true);
    data.setSettingsFileName(u"Hero.ini"_s);
    data.setName(u"勇者"_s);
    const std::array origins{10, 8, 12, 0, 0, 0, 0, 5};
    const std::array currents{12, -3, 7, 0, 0, 0, 0, 5};
    for (int i = 0; i < 8; ++i) {
        data.setOrigin(i, origins[i]);
        data.setCurrent(i, currents[i]);
    }
    data.setMoney(-50);
    data.setInventory(u"剣\r\n盾"_s);
    data.setFlagCount(3);
    data.setFlag(0, true);
    data.setFlag(2, true);
    data.setRouteCount(3);
    data.setRouteAt(1, 1);
    data.setRouteAt(2, 65535);
    data.setRouteAt(3, 400);
    return data;
}

// A sheet unlike any of the files, to show that a failed load leaves it alone.
inline CharacterRecord earlierSheet()
{
    using namespace Qt::StringLiterals;
    CharacterRecord data = blankSheet(false);
    data.setSettingsFileName(u"Other.ini"_s);
    data.setName(u"前の人"_s);
    data.setOrigin(0, 9);
    data.setCurrent(0, 4);
    data.setMoney(7);
    data.setInventory(u"杖"_s);
    data.setFlagCount(2);
    data.setFlag(0, true);
    data.setRouteCount(2);
    data.setRouteAt(1, 5);
    data.setRouteAt(2, 6);
    return data;
}

// Opened as the window opens a file.
inline SaveFileResult load(CharacterRecord &data, const QString &path)
{
    return openSaveFile(data, OwnVersion, path);
}

// A folder of scratch files that lives as long as the test object.
class SaveFileFixture
{
protected:
    QTemporaryDir m_dir;

    QString tempPath(const QString &name) const { return m_dir.filePath(name); }
};
