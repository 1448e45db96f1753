// Drive mode and indication: a click shows the new value and writes it to the
// device at once (controls/settings_writes.cpp).

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <memory>

#include "app/mainwindow.h"
#include "app/sequence_guard.h"
#include "app/session.h"
#include "app/style_sheets.h"
#include "app/widget_snapshot.h"
#include "ui_mainwindow.h"

namespace {

// What a settings write locks from its first message to its last: a vehicle chosen
// or a setting edited meanwhile would be refused half-way or lost to what the write
// shows afterwards.
std::unique_ptr<WidgetLock> write_lock;

} // namespace

void MainWindow::lock_for_write(bool locked)
{
    if (locked)
        write_lock = std::make_unique<WidgetLock>(vehicle_choice_widgets() + settings_controls()
                                                  + QVector<QWidget *>{ui->comboBox_protocol});
    else
        write_lock.reset();
}

void MainWindow::write_drive_mode(int mode)
{
    SequenceGuard guard;
    if (guard.refused())
        return;
    const WidgetSnapshot before({ui->pushButton_dynamic, ui->pushButton_eco, ui->pushButton_stock});

    select_drive_mode(mode);

    const session::WriteResult result = session::write_drive_mode(mode);
    if (!result.ok)
        undo_failed_write(before, result.value_sent);
}

void MainWindow::write_indication(bool on)
{
    SequenceGuard guard;
    if (guard.refused())
        return;
    const WidgetSnapshot before({ui->label_indication_on_off, ui->pushButton_indication_on,
                                 ui->pushButton_indication_off});

    sheets::set(ui->label_indication_on_off, sheets::indication(on ? "all/indication_on.png" : "all/indication_off.png"));
    ui->pushButton_indication_on->setEnabled(!on);
    ui->pushButton_indication_off->setEnabled(on);

    const session::WriteResult result = session::write_indication(on);
    if (!result.ok)
        undo_failed_write(before, result.value_sent);
}

// After a settings write that failed: a device that never got the value still
// holds what the window showed before; one that may hold it is read back.
void MainWindow::undo_failed_write(const WidgetSnapshot &before, bool value_sent)
{
    if (value_sent)
        read_back_device();
    else
        before.restore();
}

// The pictures of the three mode buttons for a mode code (0 stock, 1 eco,
// 2 dynamic); any other code shows none selected.
void MainWindow::show_drive_mode(int mode)
{
    sheets::set(ui->pushButton_dynamic, sheets::button(mode == 2 ? "all/dynamic_on.png" : "all/dynamic_off.png"));
    sheets::set(ui->pushButton_eco, sheets::button(mode == 1 ? "all/eco_on.png" : "all/eco_off.png"));
    sheets::set(ui->pushButton_stock, sheets::button(mode == 0 ? "all/stock_on.png" : "all/stock_off.png"));
}

// A mode chosen in the window: its button is disabled, the other two enabled.
void MainWindow::select_drive_mode(int mode)
{
    ui->pushButton_dynamic->setEnabled(mode != 2);
    ui->pushButton_eco->setEnabled(mode != 1);
    ui->pushButton_stock->setEnabled(mode != 0);
    show_drive_mode(mode);
}

void MainWindow::on_pushButton_dynamic_clicked()
{
    write_drive_mode(2);
}

void MainWindow::on_pushButton_eco_clicked()
{
    write_drive_mode(1);
}

void MainWindow::on_pushButton_stock_clicked()
{
    write_drive_mode(0);
}

void MainWindow::on_pushButton_indication_on_clicked()
{
    write_indication(true);
}

void MainWindow::on_pushButton_indication_off_clicked()
{
    write_indication(false);
}
