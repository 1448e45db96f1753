// The faces' hold on the sequences: what a face lends them, and its View's defaults.

#include "app/session_face.h"

#include "app/boxes.h"
#include "device/usb_state.h"
#include "server/server_state.h"
#include "tuning/tuning_state.h"

namespace session {

namespace {

// Shows nothing: the sequences may run before a face attaches (and in tests).
class QuietView : public View
{
public:
    void box(const char *, const char *, const char *, const QStringList &) override {}
};

QuietView quiet_view;
Face attached;

} // namespace

View::~View() = default;
bool View::box_may_come(const char *) { return true; }
void View::reply_decoded(int) {}
void View::identity_read() {}
void View::stored_vehicle_known(bool) {}
void View::stored_vehicle_read() {}
void View::write_begins() {}
void View::write_ends() {}
void View::settings_word_held(const QByteArray &) {}
void View::transfer_visible(bool) {}
void View::transfer_progress(int, int) {}
void View::config_count_read() {}
void View::list_read(ListKind, CatalogueList &) {}
void View::list_done(bool, bool) {}
void View::install_stops() {}
void View::vehicle_installed(const QString &, const QString &, const QString &) {}

void attach(const Face &face)
{
    attached = face;
}

void detach()
{
    attached = Face();
}

View &view()
{
    return attached.view ? *attached.view : quiet_view;
}

const Face &face()
{
    return attached;
}

bool write_running()
{
    return device_write_running();
}

bool report_running()
{
    return install_report_running();
}

void close()
{
    close_exchanges();
    close_requests();
    close_boxes();
}

void reopen()
{
    open_exchanges();
    open_requests();
    open_boxes();
}

} // namespace session
