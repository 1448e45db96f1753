#ifndef APP_STATE_H
#define APP_STATE_H

#include <QString>
#include <QStringList>

#include "app/session_state.h"

class QMovie;

// State of the window shell, shared by every slot of the one window.
extern QString lang_folder;          // picture folder of the interface language: "eng", "de", "ru"
extern QMovie *load_movie;           // loading animation of label_load

// Puts all of the above and what the sequences share (app/session_state.h) back to
// their start-up values (for tests, which run many windows in one program).
void reset_app_state();

#endif // APP_STATE_H
