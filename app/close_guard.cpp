#include "app/close_guard.h"

#include <QEvent>
#include <QWidget>

#include "app/logging.h"
#include "app/message_box.h"
#include "app/session.h"

namespace {

// Marked for the translation tools; show_box_yes_no translates them.
const char *const text_write_running =
    QT_TRANSLATE_NOOP("MainWindow", "A write to the device is running. Closing now leaves it incomplete. Close anyway?");
const char *const text_report_running = QT_TRANSLATE_NOOP(
    "MainWindow",
    "The vehicle is in the device, but its installation is still being reported. Closing now leaves it unreported. Close anyway?");

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
        if (session::write_running() || session::report_running()) {
            asking = true;
            const bool close_anyway =
                show_box_yes_no("Warning", session::write_running() ? text_write_running : text_report_running);
            asking = false;
            if (!close_anyway) {
                event->ignore();
                return true;
            }
            qCDebug(orv_app) << "closed during a device write or its report: the sequence is abandoned";
        }
        session::close();
        return false;
    }

private:
    QWidget *const window;
    bool asking = false;
};

} // namespace

void install_close_guard(QWidget *window)
{
    session::reopen();
    window->installEventFilter(new CloseGuard(window));
}
