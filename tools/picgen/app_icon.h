#pragma once

#include <QImage>
#include <QString>

namespace picgen {

// The program's mark, the same drawing at every size: the window icon (orv.ico) and the
// desktop icon.
QImage draw_app_icon(int side);

// The desktop icon as PNG files of the hicolor theme, one per size from 16 to 256 pixels:
// <out_dir>/<n>x<n>/apps/<name>.png. False with a message on the first failure.
bool write_hicolor_icons(const QString &out_dir, const QString &name, QString *error);

} // namespace picgen
