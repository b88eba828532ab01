// The program's icon, drawn at start-up in every size the window asks for.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace ld {

// One picture of the icon, `size` pixels square.
QPixmap drawAppIcon(int size);
// The icon in the five sizes of the window layout.
QIcon appIcon();

}  // namespace ld
