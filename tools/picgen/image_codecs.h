#pragma once

#include <QByteArray>
#include <QImage>
#include <QVector>

namespace picgen {

// Animated GIF89a from frames of one size that share one colour table (Format_Indexed8,
// at most 256 colours). Qt reads GIF but cannot write it, so the loading animation is
// encoded here. delay_cs is the frame delay in hundredths of a second; transparent_index is
// the palette index shown as transparent, or -1. Each frame replaces the previous one
// entirely (disposal "restore to background"), so transparent pixels never show an
// older frame. Returns an empty array when the frames do not meet these conditions.
QByteArray encode_gif(const QVector<QImage> &frames, int delay_cs, int transparent_index, bool loop_forever);

// Windows icon file holding every given image (square, 1 to 256 pixels) as a 32-bit
// bitmap with alpha. Written by hand because Qt's icon writer stores a single image.
QByteArray encode_ico(const QVector<QImage> &images);

} // namespace picgen
