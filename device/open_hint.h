#ifndef OPEN_HINT_H
#define OPEN_HINT_H

#include <QString>
#include <QStringList>

// Why the device could not be opened, in words for the user, when the cause is known.
struct OpenHint {
    // Source text for MainWindow::tr, with %1, %2 ... for `arguments`; null when nothing
    // useful is known.
    const char *text = nullptr;
    QStringList arguments;
};

// From what the system and the HID library said right after a failed hid_open_path:
// `error_number` is errno, `library_error` the text of hid_error(NULL) (may be null).
OpenHint open_failure_hint(int error_number, const wchar_t *library_error);

#endif // OPEN_HINT_H
