#include "tuning/tuning_state.h"

QString vehicle_id;
QString settings_id;
QString software_id;
QByteArray soft_file;
