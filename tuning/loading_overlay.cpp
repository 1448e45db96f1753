// The loading overlay: a translucent dark label with the loading animation,
// over the vehicle boxes while an installation runs.
//
// Drawn as it is, every frame of the animation repaints all that lies under
// the overlay (the boxes, their editors, the buttons over them): several
// milliseconds a frame for a run of minutes. What lies under it does not
// change while it shows, since those widgets are locked, so the overlay is
// painted over a still picture of them, taken when it shows, and the window
// treats it as opaque: a frame repaints the overlay alone. A language change
// (the language box stays free) takes the picture again.

#include <QLabel>
#include <QMovie>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyleOption>

#include "app/app_state.h"
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

namespace {

const char backdrop_name[] = "loading_backdrop";

// Lives as a child of the overlay while it shows: holds the picture of what is
// under it, darkened as the overlay's own sheet darkens it, and paints it
// before the label paints its animation.
class Backdrop : public QObject
{
public:
    explicit Backdrop(QWidget *overlay) : QObject(overlay), overlay(overlay)
    {
        setObjectName(QLatin1String(backdrop_name));
        take();
        overlay->installEventFilter(this);
        overlay->setAttribute(Qt::WA_OpaquePaintEvent, true);
    }

    // The overlay must be hidden: the window is drawn without it.
    void take()
    {
        QWidget *window = overlay->window();
        picture = window->grab(QRect(overlay->mapTo(window, QPoint(0, 0)), overlay->size()));
        // The background the overlay's sheet gives it, as the window draws it.
        QPainter painter(&picture);
        QStyleOption option;
        option.initFrom(overlay);
        overlay->style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, overlay);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == overlay && event->type() == QEvent::Paint) {
            QPainter painter(overlay);
            painter.setClipRegion(static_cast<QPaintEvent *>(event)->region());
            painter.drawPixmap(0, 0, picture);
        }
        return false;
    }

private:
    QWidget *overlay;
    QPixmap picture;
};

Backdrop *backdrop_of(QWidget *overlay)
{
    return static_cast<Backdrop *>(overlay->findChild<QObject *>(QLatin1String(backdrop_name),
                                                                 Qt::FindDirectChildrenOnly));
}

} // namespace

void MainWindow::show_loading()
{
    delete backdrop_of(ui->label_load);
    new Backdrop(ui->label_load);
    ui->label_load->show();
    load_movie->start();
}

void MainWindow::hide_loading()
{
    ui->label_load->hide();
    load_movie->stop();
    delete backdrop_of(ui->label_load);
    ui->label_load->setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void MainWindow::retake_loading_backdrop()
{
    Backdrop *backdrop = backdrop_of(ui->label_load);
    if (!backdrop || ui->label_load->isHidden())
        return;
    ui->label_load->hide();
    backdrop->take();
    ui->label_load->show();
}
