#ifndef LOGGING_H
#define LOGGING_H

#include <QLoggingCategory>

// Traces a user can attach to a bug report. Off by default; switched on with
// Qt's own rules, e.g. QT_LOGGING_RULES="orv.usb.debug=true;orv.server.debug=true".
Q_DECLARE_LOGGING_CATEGORY(orv_usb)     // every packet both ways, every exchange's outcome
Q_DECLARE_LOGGING_CATEGORY(orv_server)  // every request: method, URL, outcome, time taken
Q_DECLARE_LOGGING_CATEGORY(orv_app)     // sequences refused while another one runs; start-up files
// The window's session as a recording (app/record_format.h) that the replay tools run
// again: QT_LOGGING_RULES="orv.record.debug=true" orv 2>session.log
Q_DECLARE_LOGGING_CATEGORY(orv_record)

#endif // LOGGING_H
