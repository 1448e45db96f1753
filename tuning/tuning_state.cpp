#include "tuning/tuning_state.h"

QString vehicle_id;
QString settings_id;
QString software_id;
QByteArray soft_file;

void reset_tuning_state()
{
    vehicle_id.clear();
    settings_id.clear();
    software_id.clear();
    soft_file.clear();
}
