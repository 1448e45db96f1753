// The vehicle catalogue's lists: brands, models and engines, asked of the server and
// kept as parallel lists in server order (server/server_state.h).

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
#include <functional>

#include "app/boxes.h"
#include "app/session_face.h"
#include "server/api.h"
#include "server/catalogue_list.h"
#include "server/reply_checks.h"
#include "server/request.h"
#include "server/server_state.h"

namespace {

// Marked for the translation tools; show_box translates them.
const char *const text_server_error = QT_TRANSLATE_NOOP("MainWindow", "Server error!");
const char *const text_connection_error = QT_TRANSLATE_NOOP("MainWindow", "Server connection error!");

// Whether the View unlocks the face's controls once a list is in place: identification
// asks for the brands without locking them first.
bool unlock_after_list(ListKind kind)
{
    return kind != ListKind::Brands;
}

// The frame of the three list handlers: on an error the level's box; otherwise the
// reply read into a list (`read_catalogue_list`) on a worker thread and then put in
// place. A list of thousands takes some milliseconds to read and sort; meanwhile the
// face stays live, and the sequence that asked waits until the list is in place (one
// request waits at a time, so one list is read at a time). A face that is gone by
// then takes nothing.
void finish_list_reply(QPointer<QNetworkReply> &holder, const char *error_text, ListKind kind,
                       const std::function<void(CatalogueList &)> &keep)
{
    QNetworkReply *reply = take_reply(holder);
    if (!reply)
        return;
    const bool unlock = unlock_after_list(kind);
    if (reply_failed(reply)) {
        show_box("Error!", error_text);
        report_server_error();
        session::view().list_done(true, unlock);
        finish_reply(reply);
        return;
    }
    const QPointer<QNetworkReply> pending(reply);
    auto *watcher = new QFutureWatcher<CatalogueList>(session::face().context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, session::face().context,
                     [watcher, keep, kind, unlock, pending] {
                         CatalogueList list = watcher->result();
                         watcher->deleteLater();
                         keep(list);
                         session::view().list_read(kind, list);
                         session::view().list_done(false, unlock);
                         finish_reply(pending);
                     });
    watcher->setFuture(QtConcurrent::run(read_catalogue_list, kind, reply->readAll()));
}

} // namespace

void finish_brands()
{
    finish_list_reply(reply_marks, text_server_error, ListKind::Brands, [](CatalogueList &list) {
        marka_ids.swap(list.ids);
        marka_titles.swap(list.titles);
    });
}

void finish_models()
{
    finish_list_reply(reply_models, text_connection_error, ListKind::Models, [](CatalogueList &list) {
        model_ids.swap(list.ids);
        model_titles.swap(list.titles);
    });
}

void finish_engines()
{
    finish_list_reply(reply_modifications, text_connection_error, ListKind::Engines, [](CatalogueList &list) {
        modif_ids.swap(list.ids);
        modif_titles.swap(list.titles);
        modif_power.swap(list.power);
        modif_moment.swap(list.torque);
        modif_items.swap(list.items);
    });
}

namespace {

// A list request: an item without a usable id is never asked about.
bool request_list(Endpoint endpoint, const QString &id, QString (*path)(const QString &))
{
    if (!session::catalogue_id_usable(id))
        return false;
    reset_server_error();
    return server_request(endpoint, path(id)) && !server_error;
}

} // namespace

bool session::catalogue_id_usable(const QString &id)
{
    if (api::usable_id(id))
        return true;
    show_box("Error!", text_connection_error);
    return false;
}

bool session::request_brands()
{
    reset_server_error();
    return server_request(Endpoint::Brands, api::brands_path()) && !server_error;
}

bool session::request_models(const QString &brand_id)
{
    return request_list(Endpoint::Models, brand_id, api::models_path);
}

bool session::request_engines(const QString &model_id)
{
    return request_list(Endpoint::Engines, model_id, api::engines_path);
}
