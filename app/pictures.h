#ifndef PICTURES_H
#define PICTURES_H

#include <QStringList>

class QObject;

// The window's pictures (the PNG files of the resource folders eng, de, ru and all,
// which style sheets name) are decoded when they are first painted, not when a sheet
// names them: a hidden widget's picture, another language's set, or the 1x set on a
// screen that shows the @2x one is never decoded. A file that several sheets name is
// decoded once while any of them still shows it (the window and its central widget
// both name main.png).
namespace pictures {

// Makes Qt take the window's pictures through this decoder. Called before the first
// style sheet is set; calling it again does nothing.
void install();

// Every picture file decoded since unused pictures were last let go (release_unused(), or
// about a second after a picture stops being shown), in order, one entry per decode.
QStringList decoded_files();

// Decodes pictures that are about to be shown ahead of time, one per turn of the
// event loop while `context` lives (paths as style sheets name them, ":/all/OR.png";
// the @2x twin on a high-density screen), and keeps them until forget_prepared().
void prepare(QObject *context, const QStringList &files);
void forget_prepared();
// The files decoded ahead and kept now.
QStringList prepared_files();

// A decoded picture that no widget shows any more is let go of about a second later
// (so that a picture shown again at once is not decoded again); this lets go now.
void release_unused();

} // namespace pictures

#endif // PICTURES_H
