#include "tuning/tuning_state.h"

QString vehicle_id;
QString settings_id;
QString software_id;
QByteArray soft_file;

namespace {
bool reporting = false;
} // namespace

InstallReport::InstallReport()
{
    reporting = true;
}

InstallReport::~InstallReport()
{
    reporting = false;
}

bool install_report_running()
{
    return reporting;
}

void reset_tuning_state()
{
    vehicle_id.clear();
    settings_id.clear();
    software_id.clear();
    soft_file.clear();
}
