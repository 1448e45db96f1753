#include "app/boxes.h"
#include "app/session_face.h"
#include "device/decode.h"
#include "server/api.h"
#include "server/reply_checks.h"
#include "server/request.h"
#include "server/server_state.h"

// The number of configurations the device may still install. A server that
// does not know the device's token answers with "Unauthorized token": the
// result is token_rejected, and identification then drops the device.
void finish_count()
{
    QNetworkReply *reply = take_reply(reply_GetConfigCount);
    if (!reply)
        return;
    const QByteArray body = reply->readAll();
    if (reply_failed(reply)) {
        if (decode::text(body).contains(QLatin1String("Unauthorized token"))) {
            show_box("Error!", "Server connection error! Error code 110");
            token_rejected = true;
        } else {
            show_box("Error!", "Server connection error");
        }
        report_server_error();
    } else {
        avail_config = api::count(api::result_of(body));
        session::view().config_count_read();
    }
    finish_reply(reply);
}

bool session::request_count()
{
    reset_server_error();
    return server_request(Endpoint::LimitInfo, api::limit_path()) && !server_error;
}
