#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

// The one character sheet the program works on. Plain data with a handful of rules: origins
// are never negative, a current value is capped by its origin unless overLoad() allows more
// and floored at zero unless minusEnable() allows negatives. Texts are kept as QString; their
// limits count bytes of code page 932, the form in which they are saved.
class CharacterRecord
{
public:
    static constexpr qsizetype SettingsNameBytes = 16;
    static constexpr qsizetype NameBytes = 20;
    // The most bytes of text a save file's field holds before its closing NUL.
    static constexpr qsizetype FieldBytes = 20;

    CharacterRecord();

    QString settingsFileName() const;
    void setSettingsFileName(const QString &fileName);
    // The settings file's name as a save file's field holds it: the bytes it was read with
    // while the name stays the one they read as, else the name in the code page's own form.
    QByteArray settingsFileNameBytes() const;
    void setSettingsFileNameBytes(const QByteArray &bytes);
    // The settings file's name without its ending, as stored: compared without making a text.
    const QString &settingsBaseName() const { return m_settingsBaseName; }

    QString name() const { return m_name; }
    void setName(const QString &name);
    // The name as a save file's field holds it, likewise.
    QByteArray nameBytes() const;
    void setNameBytes(const QByteArray &bytes);

    int abilityCount() const { return m_abilityCount; }
    void setAbilityCount(int count);

    bool overLoad() const { return m_overLoad; }
    void setOverLoad(bool on);
    bool minusEnable() const { return m_minusEnable; }
    void setMinusEnable(bool on);

    int origin(int index) const;
    void setOrigin(int index, int value);
    int current(int index) const;
    void setCurrent(int index, int value);
    // All origins and current values at once (abilityCount of them), for readers of the whole
    // sheet.
    const QList<int> &origins() const { return m_origins; }
    const QList<int> &currents() const { return m_currents; }

    int money() const { return m_money; }
    void setMoney(int value) { m_money = value; }

    QString inventory() const { return m_inventory; }
    void setInventory(const QString &text) { m_inventory = text; }

    int routeCount() const { return m_routeCount; }
    void setRouteCount(int count);
    std::uint16_t routeAt(int index) const;
    void setRouteAt(int index, std::uint16_t paragraph);
    // The whole route at once, entry 0 included, for readers and writers of whole routes.
    const QList<std::uint16_t> &routeList() const { return m_route; }
    void setRouteList(const QList<std::uint16_t> &entries);

    int flagCount() const { return m_flagCount; }
    void setFlagCount(int count);
    bool flag(int index) const;
    void setFlag(int index, bool checked);
    // All flags at once, for readers of the whole sheet.
    const QList<bool> &flagList() const { return m_flags; }

    bool operator==(const CharacterRecord &) const = default;

private:
    QString m_settingsBaseName;
    QString m_name;
    // The bytes a save file gave these fields, kept only while the text they read as is
    // unchanged and only where they are not that text's own form: bytes the code page has no
    // character for, or a second form of a character, come back as they were read.
    QByteArray m_settingsFieldBytes;
    QByteArray m_nameBytes;
    int m_abilityCount = 6;
    bool m_overLoad = false;
    bool m_minusEnable = false;
    QList<int> m_origins;
    QList<int> m_currents;
    int m_money = 0;
    QString m_inventory;
    int m_routeCount = 0;
    QList<std::uint16_t> m_route;
    int m_flagCount = 0;
    QList<bool> m_flags;
};
