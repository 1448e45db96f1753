#ifndef SESSION_STATE_H
#define SESSION_STATE_H

#include <QString>
#include <QStringList>

class QNetworkAccessManager;

// What every sequence shares, whichever face runs it.
extern QStringList protocol_names;   // the twelve bus protocols; index = protocol number
// A read tick that finds no report comes again USB_read_interval + USB_read_delay
// (5 + 50 = 55 ms) later, and the first comes USB_read_delay after the write: the
// time-out after USB_miss_limit (20) misses falls about 50 + 20 x 55 ms = 1.15 s
// after the write.
extern int USB_read_interval;        // ms added to USB_read_delay between two read ticks
extern int USB_test_interval;        // ms between presence ticks
extern QString api_base_url;         // https://host of the API server, no trailing slash
extern QNetworkAccessManager *network_manager;

// Puts all of the above, and the boxes' memory of a failing device and of a closed
// face, back to their start-up values.
void reset_session_state();

#endif // SESSION_STATE_H
