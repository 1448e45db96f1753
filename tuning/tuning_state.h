#ifndef TUNING_STATE_H
#define TUNING_STATE_H

#include <QByteArray>
#include <QString>

extern QString vehicle_id;   // server id of the engine being installed
extern QString settings_id;  // id of its settings record, whole number
extern QString software_id;  // id of its chip software
extern QByteArray soft_file; // the software file as the server sent it

// While one lives, the installation's report is on its way to the server: the device
// holds the new vehicle, and a window closed now would leave the installation
// unreported, so closing asks first.
class InstallReport
{
public:
    InstallReport();
    ~InstallReport();
    InstallReport(const InstallReport &) = delete;
    InstallReport &operator=(const InstallReport &) = delete;
};
bool install_report_running();

// Puts every variable above back to its start-up value.
void reset_tuning_state();

#endif // TUNING_STATE_H
