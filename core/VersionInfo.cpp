#include "VersionInfo.h"

#include <array>

using namespace Qt::StringLiterals;

namespace {

struct ItemValue
{
    const char16_t *text; // nullptr: the item carries no value
};

// One string table, Japanese in code page 932; every text here fits that code page.
constexpr std::array<ItemValue, VersionInfo::ItemCount> Items{{
    {u"ゲームブックプレイ支援ユーティリティ"},
    {u""},
    {u"ゲームブックプレイ支援ユーティリティ"},
    {u"0.6.1.0"},
    {u"Pelko"},
    {u"Copyright (C) 2026 Pelko Workshop"},
    {u"Pelko"},
    {u"Pelko.exe"},
    {nullptr},
    {u"Pelko"},
    {u"0.6"},
    {nullptr},
}};

} // namespace

namespace VersionInfo {

QString makerWebPage()
{
    return u"https://www.example.org/pelko/"_s;
}

QString makerMailAddress()
{
    return u"pelko@example.org"_s;
}

} // namespace VersionInfo

std::optional<QString> readVersionItem(int item)
{
    if (item < 0 || item >= VersionInfo::ItemCount || !Items[item].text)
        return std::nullopt;
    return QString::fromUtf16(Items[item].text);
}
