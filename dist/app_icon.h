// The program's icon, drawn in code so the window icon and the desktop menu's images come from
// one picture at every size without an image-format plugin.
#pragma once

#include <QIcon>
#include <QImage>

namespace dist {

// The icon as a square ARGB image of `size` pixels.
QImage DrawYubinkoIcon(int size);
// The icon at the sizes window managers and menus ask for.
QIcon YubinkoIcon();

}  // namespace dist
