#ifndef SERVER_STATE_H
#define SERVER_STATE_H

#include <QNetworkReply>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "app/wait.h"

extern int server_timeout;          // ms the watchdog gives every request
extern bool server_error;           // the last request failed (time-out or handler)
extern bool token_rejected;         // the last limit reply refused the device's token

// One holder per endpoint; a holder empties itself when its reply is deleted.
extern QPointer<QNetworkReply> reply_GetConfigCount;
extern QPointer<QNetworkReply> reply_marks;
extern QPointer<QNetworkReply> reply_models;
extern QPointer<QNetworkReply> reply_modifications;
extern QPointer<QNetworkReply> reply_GetSets;
extern QPointer<QNetworkReply> reply_GetSoftCar;
extern QPointer<QNetworkReply> reply_PostSettingsOk;

// The request in flight and its wait: the watchdog aborts it, its handler ends the wait.
extern QPointer<QNetworkReply> server_pending;
extern WaitTicket server_wait;

// Catalogue: parallel lists in server order.
extern QStringList marka_titles, marka_ids;
extern QStringList model_titles, model_ids;
extern QStringList modif_titles, modif_power, modif_moment, modif_ids, modif_items;
extern bool marka_popup, model_popup, model_exactly_popup;

extern int avail_config;            // configurations the device may still install

// What other folders may change of the server client's state.
void reset_server_error();          // a new exchange or run starts clean
void report_server_error();         // a reply handler found its reply unusable
void set_avail_config(int count);   // the count as the device reports it
void forget_avail_config();         // the device is gone: its count with it
void close_vehicle_popups();        // the vehicle lists count as closed

// The window has closed: the request in flight ends at once as failed, with
// no box, and no request goes to the server any more. A new window opens the
// way again.
void close_requests();
bool requests_closed();
void open_requests();

// Puts every variable above back to its start-up value.
void reset_server_state();

#endif // SERVER_STATE_H
