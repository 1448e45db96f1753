#ifndef HID_ERROR_H
#define HID_ERROR_H

#include <hidapi.h>

#include <QString>

// hidapi's own text for the last failure on `handle` (null: of the library itself, as after
// a failed open or enumeration), for the orv.usb trace.
inline QString hid_error_text(hid_device *handle)
{
    const wchar_t *text = hid_error(handle);
    return text ? QString::fromWCharArray(text) : QStringLiteral("(no text)");
}

#endif // HID_ERROR_H
