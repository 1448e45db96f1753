#ifndef DATA_FILES_H
#define DATA_FILES_H

#include <QString>

class QIcon;
class QMovie;

// The two files the window reads at start-up, the icon ("orv.ico") and the loading animation
// ("load.gif"), are looked up in this order:
//   1. the working directory (a build folder, or a folder the user keeps them in);
//   2. the data folder installed with the program, found from the program's own folder, so an
//      installed copy finds its files wherever it is started from and wherever it was unpacked;
//   3. the copy embedded in the program (":/name").

// The path to read `name` from; `program_dir` is the folder the running program lives in.
QString find_data_file(const QString &name, const QString &program_dir);
// The data folder installed with a program that lives in `program_dir`.
QString installed_data_dir(const QString &program_dir);

// The window icon and the loading animation, from the path find_data_file gives for the
// running program. Which file was taken, and whether it is usable, goes to the category
// orv.app (debug), so a user can tell why a window shows no icon.
QIcon load_window_icon(const QString &name);
QMovie *load_animation(const QString &name);  // no parent: the caller owns it

#endif // DATA_FILES_H
