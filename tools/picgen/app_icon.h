#pragma once

#include <QImage>

namespace picgen {

// The program's mark, the same drawing at every size: the window icon (orv.ico) and the
// desktop icon.
QImage draw_app_icon(int side);

} // namespace picgen
