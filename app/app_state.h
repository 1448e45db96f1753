#ifndef APP_STATE_H
#define APP_STATE_H

#include <QString>
#include <QStringList>

class QMovie;
class QNetworkAccessManager;

// State of the window shell, shared by every slot of the one window.
extern QString lang_folder;          // picture folder of the interface language: "eng", "de", "ru"
extern QStringList protocol_names;   // the twelve bus protocols; index = protocol number
extern int USB_read_interval;        // ms between read ticks while an answer is awaited
extern int USB_test_interval;        // ms between presence ticks
extern QString api_base_url;         // https://host of the API server, no trailing slash
extern QNetworkAccessManager *network_manager;
extern QMovie *load_movie;           // loading animation of label_load

#endif // APP_STATE_H
