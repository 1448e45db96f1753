// How far the software transfer is, inside the loading overlay. A 32 KiB file
// takes about 2,000 acknowledged chunks of at least 50 ms each: minutes.

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>

#include "app/mainwindow.h"
#include "app/session.h"
#include "app/style_sheets.h"
#include "ui_mainwindow.h"

namespace {

bool progress_active = false;
QElapsedTimer transfer_clock;
// What the overlay shows now: a chunk that changes neither is not shown again.
int shown_percent = -1;
qint64 shown_seconds_left = -1;

} // namespace

void MainWindow::set_transfer_progress_visible(bool visible)
{
    QProgressBar *bar = ui->label_load->findChild<QProgressBar *>(QStringLiteral("progress_software"));
    QLabel *text = ui->label_load->findChild<QLabel *>(QStringLiteral("label_progress"));
    if (!bar) {
        bar = new QProgressBar(ui->label_load);
        bar->setObjectName(QStringLiteral("progress_software"));
        bar->setGeometry(40, 150, 361, 14);
        bar->setTextVisible(false);
        bar->setStyleSheet("QProgressBar { background-color: rgb(40, 40, 40); border: 1px solid " + sheets::accent()
                           + "; }QProgressBar::chunk { background-color: " + sheets::accent() + "; }");
        text = new QLabel(ui->label_load);
        text->setObjectName(QStringLiteral("label_progress"));
        text->setGeometry(20, 166, 401, 24);
        text->setAlignment(Qt::AlignCenter);
        text->setStyleSheet(sheets::accent_text(QStringLiteral("font: bold 12px;")));
    }
    progress_active = visible;
    shown_percent = -1;
    shown_seconds_left = -1;
    bar->setRange(0, 100);
    bar->setValue(0);
    text->setText(visible ? QStringLiteral("Writing software to the device...") : QString());
    bar->setVisible(visible);
    text->setVisible(visible);
    if (visible)
        transfer_clock.start();
}

void MainWindow::show_transfer_progress(int done, int total)
{
    if (!progress_active || total <= 0)
        return;
    QProgressBar *bar = ui->label_load->findChild<QProgressBar *>(QStringLiteral("progress_software"));
    QLabel *text = ui->label_load->findChild<QLabel *>(QStringLiteral("label_progress"));
    if (!bar || !text)
        return;
    const session::TransferFigures figures = session::transfer_figures(done, total, transfer_clock.elapsed());
    // About 2,000 chunks a transfer, a new percent every 20 or so.
    if (figures.percent == shown_percent && figures.seconds_left == shown_seconds_left)
        return;
    shown_percent = figures.percent;
    shown_seconds_left = figures.seconds_left;
    bar->setValue(figures.percent);
    text->setText(figures.text);
}
