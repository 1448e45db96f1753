#include "server/server_state.h"

int server_timeout = 20000;
bool server_error = false;
bool token_rejected = false;

QPointer<QNetworkReply> reply_GetConfigCount;
QPointer<QNetworkReply> reply_marks;
QPointer<QNetworkReply> reply_models;
QPointer<QNetworkReply> reply_modifications;
QPointer<QNetworkReply> reply_GetSets;
QPointer<QNetworkReply> reply_GetSoftCar;
QPointer<QNetworkReply> reply_PostSettingsOk;

QPointer<QNetworkReply> server_pending;
WaitTicket server_wait = 0;

QStringList marka_titles, marka_ids;
QStringList model_titles, model_ids;
QStringList modif_titles, modif_power, modif_moment, modif_ids, modif_items;
bool marka_popup = false, model_popup = false, model_exactly_popup = false;

int avail_config = 0;

void reset_server_error()
{
    server_error = false;
}

void report_server_error()
{
    server_error = true;
}

void set_avail_config(int count)
{
    avail_config = count;
}

void forget_avail_config()
{
    avail_config = 0;
}

void close_vehicle_popups()
{
    marka_popup = model_popup = model_exactly_popup = false;
}

namespace {
bool closed = false;
} // namespace

void close_requests()
{
    closed = true;
    wait_end(server_wait);
}

bool requests_closed()
{
    return closed;
}

void open_requests()
{
    closed = false;
}

void reset_server_state()
{
    server_timeout = 20000;
    server_error = token_rejected = false;
    for (QPointer<QNetworkReply> *reply : {&reply_GetConfigCount, &reply_marks, &reply_models, &reply_modifications,
                                           &reply_GetSets, &reply_GetSoftCar, &reply_PostSettingsOk, &server_pending})
        *reply = nullptr;
    server_wait = 0;
    for (QStringList *list : {&marka_titles, &marka_ids, &model_titles, &model_ids, &modif_titles, &modif_power,
                              &modif_moment, &modif_ids, &modif_items})
        list->clear();
    close_vehicle_popups();
    avail_config = 0;
    closed = false;
}
