// The program's icon, drawn in code: a framed picture with a blue play arrow,
// in the large (32 x 32) and small (16 x 16) sizes and larger ones for
// desktops that want them.
#pragma once

#include <QIcon>
#include <QImage>

namespace tervo {

inline constexpr int kLargeIconSize = 32;
inline constexpr int kSmallIconSize = 16;

// The icon drawn at size x size pixels.
QImage program_icon_image(int size);

// Every size together, for the window and the task bar.
QIcon program_icon();

}  // namespace tervo
