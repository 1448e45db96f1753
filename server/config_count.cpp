#include <QLabel>

#include "app/mainwindow.h"
#include "app/message_box.h"
#include "device/decode.h"
#include "server/api.h"
#include "server/reply_checks.h"
#include "server/server_state.h"
#include "ui_mainwindow.h"

// The number of configurations the device may still install. A server that
// does not know the device's token answers with "Unauthorized token": the
// result is token_rejected, and identification then drops the device.
void MainWindow::finishedSlot_GetConfigCount()
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
    } else {
        avail_config = api::count(api::result_of(body));
        ui->label_avail_config->setText(QString::number(avail_config));
    }
    finish_reply(reply);
}
