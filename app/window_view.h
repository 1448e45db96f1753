#ifndef WINDOW_VIEW_H
#define WINDOW_VIEW_H

class MainWindow;

// The window as the sequences' face (app/session.h): its View and timers attached
// while the window lives.
void attach_window(MainWindow *window);
void detach_window(MainWindow *window);

#endif // WINDOW_VIEW_H
