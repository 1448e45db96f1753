#include "device/open_hint.h"

#include <QCoreApplication>
#include <cerrno>

// Where this build installs the udev rule that gives the user at the computer access to the
// device, and the package that brings it (Linux builds only).
#if defined(ORV_UDEV_RULE_PATH) && defined(ORV_PACKAGE_NAME)
#define ORV_HAS_UDEV_RULE 1
#endif

OpenHint open_failure_hint(int error_number, const wchar_t *library_error)
{
    const QString said = library_error ? QString::fromWCharArray(library_error) : QString();
    OpenHint hint;
    // The hidraw backend ends its text with strerror(errno), which follows the user's locale,
    // so the number decides; the English text is a fallback for a lost errno.
    if (error_number == EACCES || error_number == EPERM || said.endsWith(QLatin1String("Permission denied"))) {
#ifdef ORV_HAS_UDEV_RULE
        hint.text = QT_TRANSLATE_NOOP("MainWindow",
                                      "Access to the device is missing: this user may not open it. "
                                      "Install the %1 package, which gives the user at this computer "
                                      "access; for a build from source, install the udev rule %2 "
                                      "and run:\n%3");
        hint.arguments = QStringList{QStringLiteral(ORV_PACKAGE_NAME), QStringLiteral(ORV_UDEV_RULE_PATH),
                                     QStringLiteral("sudo udevadm control --reload && sudo udevadm trigger")};
#else
        hint.text = QT_TRANSLATE_NOOP("MainWindow", "Access to the device is missing: this user may not open it.");
#endif
    } else if (error_number == EBUSY || said.endsWith(QLatin1String("Device or resource busy"))) {
        hint.text = QT_TRANSLATE_NOOP("MainWindow", "Another program is using the device. Close it, then "
                                                    "unplug the device and plug it in again.");
    } else if (!said.isEmpty() && said != QLatin1String("Success")) {
        hint.text = QT_TRANSLATE_NOOP("MainWindow", "The system reported: %1");
        hint.arguments = QStringList{said};
    }
    return hint;
}
