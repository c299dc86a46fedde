#pragma once

#include <QList>
#include <QString>

#include <cstdint>

// The one character sheet the program works on. Plain data with a handful of rules: origins
// are never negative, a current value is capped by its origin unless OverLoad allows more and
// floored at zero unless MinusEnable allows negatives. Texts are kept as QString; their limits
// count bytes of code page 932, the form in which they are saved.
class TCharacterData
{
public:
    static constexpr qsizetype IniNameBytes = 16;
    static constexpr qsizetype NameBytes = 20;

    TCharacterData();

    QString GetIniFileName() const;
    void SetIniFileName(const QString &fileName);
    // The settings file's name without its ending, as stored: compared without making a text.
    const QString &iniBaseName() const { return IniName; }

    QString GetName() const { return CharaName; }
    void SetName(const QString &name);

    int GetAblCount() const { return AblCount; }
    void SetAblCount(int count);

    bool GetOverLoad() const { return OverLoad; }
    void SetOverLoad(bool on);
    bool GetMinusEnable() const { return MinusEnable; }
    void SetMinusEnable(bool on);

    int GetAblMax(int index) const;
    void SetAblMax(int index, int value);
    int GetAbl(int index) const;
    void SetAbl(int index, int value);
    // All origins and current values at once (GetAblCount of them), for readers of the whole
    // sheet.
    const QList<int> &ablMaxList() const { return AblMax; }
    const QList<int> &ablList() const { return Abl; }

    int GetMoney() const { return Money; }
    void SetMoney(int value) { Money = value; }

    QString GetInventry() const { return Inventry; }
    void SetInventry(const QString &text) { Inventry = text; }

    int RouteCount() const { return m_routeCount; }
    void SetRouteCount(int count);
    std::uint16_t GetRoute(int index) const;
    void SetRoute(int index, std::uint16_t paragraph);
    // The whole route at once, entry 0 included, for readers and writers of whole routes.
    const QList<std::uint16_t> &routeList() const { return Route; }
    void setRouteList(const QList<std::uint16_t> &entries);

    int FlagCount() const { return m_flagCount; }
    void SetFlagCount(int count);
    bool GetFlag(int index) const;
    void SetFlag(int index, bool checked);
    // All flags at once, for readers of the whole sheet.
    const QList<bool> &flagList() const { return Flag; }

    bool operator==(const TCharacterData &) const = default;

private:
    QString IniName;
    QString CharaName;
    int AblCount = 6;
    bool OverLoad = false;
    bool MinusEnable = false;
    QList<int> AblMax;
    QList<int> Abl;
    int Money = 0;
    QString Inventry;
    int m_routeCount = 0;
    QList<std::uint16_t> Route;
    int m_flagCount = 0;
    QList<bool> Flag;
};
