#pragma once

#include <QString>

#include <optional>

// The program's twelve version items, built into the program. Item 3 is the version string
// that heads every save file; the About box shows items 2, 3, 5 and 9.
namespace VersionInfo {

enum Item {
    Comments = 0,
    CompanyName,
    FileDescription,
    FileVersion,
    InternalName,
    LegalCopyright,
    LegalTrademarks,
    OriginalFilename,
    PrivateBuild,
    ProductName,
    ProductVersion,
    SpecialBuild,
    ItemCount
};

// The maker's addresses, shown and opened by the About box.
QString makerWebPage();
QString makerMailAddress();

// The version of this build, "0.6.1+git170": the project's version and the number of commits it
// was built from, so that every later build is greater. It names the build (--version, the
// package, the About box's hint); save files keep the fixed version string of item 3.
QString buildVersion();

} // namespace VersionInfo

// The text of an item, or no value when the program carries none for it (items 8 and 11, and
// any number outside 0 to 11).
std::optional<QString> readVersionItem(int item);
