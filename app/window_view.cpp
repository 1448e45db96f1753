// What the sequences show, shown by the window: each call of the View goes to the
// window's own code for it, at once, where the sequence is.

#include "app/window_view.h"

#include <memory>

#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/session.h"
#include "app/session_face.h"

class WindowView : public session::View
{
public:
    explicit WindowView(MainWindow *window) : window(window) {}

    bool box_may_come(const char *text) override { return wait_for_question(text); }
    void box(const char *title, const char *text, const char *informative, const QStringList &arguments) override
    {
        display_box(title, text, informative, arguments);
    }
    void reply_decoded(int code) override { window->show_reply(code); }
    void identity_read() override { window->show_identity_read(); }
    void stored_vehicle_known(bool configured) override { window->show_stored_vehicle_known(configured); }
    void stored_vehicle_read() override { window->show_stored_vehicle(); }
    void write_begins() override { window->lock_for_write(true); }
    void write_ends() override { window->lock_for_write(false); }
    void settings_word_held(const QByteArray &) override { window->show_settings_word(); }
    void transfer_visible(bool visible) override { window->set_transfer_progress_visible(visible); }
    void transfer_progress(int done, int total) override { window->show_transfer_progress(done, total); }
    void config_count_read() override { window->show_config_count(); }
    void list_read(ListKind kind, CatalogueList &list) override { window->show_list(kind, list); }
    void list_done(bool failed, bool unlock) override
    {
        if (failed || unlock)
            window->enable_widgets();
    }
    void install_stops() override { window->hide_loading(); }
    void vehicle_installed(const QString &brand, const QString &model, const QString &engine_text) override
    {
        window->show_installed_vehicle(brand, model, engine_text);
    }

private:
    MainWindow *const window;
};

namespace {
std::unique_ptr<WindowView> view;
} // namespace

void attach_window(MainWindow *window)
{
    view = std::make_unique<WindowView>(window);
    session::Face face;
    face.view = view.get();
    face.context = window;
    face.read_timer = window->timer_USB_read;
    face.presence_timer = window->timer_USB_test;
    face.server_timer = window->timer_server;
    session::attach(face);
}

void detach_window(MainWindow *window)
{
    // A window made after this one has attached itself in its place.
    if (session::face().context != window)
        return;
    session::detach();
    view.reset();
}
