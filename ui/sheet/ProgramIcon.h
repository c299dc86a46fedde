#pragma once

#include <QIcon>
#include <QPixmap>

// The program's picture: an open gamebook with a die on it, drawn at any size so that it stays
// sharp as a window icon and in the About box.
namespace ProgramIcon {

QPixmap pixmap(int size);
QIcon icon();

} // namespace ProgramIcon
