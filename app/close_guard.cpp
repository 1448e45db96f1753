#include "app/close_guard.h"

#include <QEvent>
#include <QWidget>

#include "app/logging.h"
#include "app/message_box.h"
#include "device/usb_state.h"
#include "server/server_state.h"

namespace {

class CloseGuard : public QObject
{
public:
    explicit CloseGuard(QWidget *window) : QObject(window), window(window) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != window || event->type() != QEvent::Close)
            return false;
        if (asking) {
            // Closed again while the question is open: the question answers it.
            event->ignore();
            return true;
        }
        if (device_write_running()) {
            asking = true;
            const bool close_anyway = show_box_yes_no(
                "Warning", "A write to the device is running. Closing now leaves it incomplete. Close anyway?");
            asking = false;
            if (!close_anyway) {
                event->ignore();
                return true;
            }
            qCDebug(orv_app) << "closed during a device write: the write is abandoned";
        }
        close_exchanges();
        close_requests();
        close_boxes();
        return false;
    }

private:
    QWidget *const window;
    bool asking = false;
};

} // namespace

void install_close_guard(QWidget *window)
{
    open_exchanges();
    open_requests();
    open_boxes();
    window->installEventFilter(new CloseGuard(window));
}
