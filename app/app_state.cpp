#include "app/app_state.h"

QString lang_folder;
QMovie *load_movie = nullptr;

void reset_app_state()
{
    lang_folder.clear();
    load_movie = nullptr;
    reset_session_state();
}
