#pragma once

#include <QFont>

// The Japanese Gothic faces the windows ask for, with fallbacks that Debian provides, so that no
// label shows empty boxes whichever of them is installed.
namespace Fonts {

QFont proportional(int pixelSize, bool bold = false);
QFont fixedPitch(int pixelSize, bool bold = false);

} // namespace Fonts
