#include "app/logging.h"

Q_LOGGING_CATEGORY(orv_usb, "orv.usb", QtWarningMsg)
Q_LOGGING_CATEGORY(orv_server, "orv.server", QtWarningMsg)
Q_LOGGING_CATEGORY(orv_app, "orv.app", QtWarningMsg)
Q_LOGGING_CATEGORY(orv_record, "orv.record", QtWarningMsg)
