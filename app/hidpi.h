#ifndef HIDPI_H
#define HIDPI_H

#include <QString>

// Sharp on high-density screens. Every picture has a twin drawn at twice the size
// ("main@2x.png" beside "main.png"); the window keeps its size in logical pixels and, at a
// device pixel ratio of 2, the style sheets show the twins instead of scaling the 1x
// pictures up.

// Turns on Qt's high-DPI scaling and high-DPI pixmaps, with the scale factor rounded to a
// whole number. Must run before the application object is created.
void enable_high_dpi();

// The densest twin of `file` (a path) for a screen of this device pixel ratio:
// "load.gif" -> "load@2x.gif" at a ratio above 1 when that file exists, else `file` itself.
// Style sheets find the twins on their own; this is for the files read directly.
QString sharpest_file(const QString &file, qreal ratio);

#endif // HIDPI_H
