#include <QLabel>

#include "app/mainwindow.h"
#include "app/style_sheets.h"
#include "device/device_state.h"
#include "device/obd_pin_table.h"
#include "ui_mainwindow.h"

// Colours the connector pins of one protocol: red for the protocol the device
// is set to, yellow for a protocol active on the bus. Pins of other protocols
// keep their colour, so several calls add up and the last colour of a pin wins.
void MainWindow::OBD_pins(int id, bool red_yellow)
{
    const QString picture = red_yellow ? QStringLiteral("all/red.png") : QStringLiteral("all/yellow.png");
    if (unsigned(id) > 15u)
        return;
    const QVector<QLabel *> pins = pin_labels();
    for (const int pin : protocol_pins(id))
        sheets::set(pins[pin - 1], sheets::pin(picture));
}

// Every pin's colour at once, each sheet set once at most: red for the protocol
// the device is set to (-1: none), yellow for a protocol active on the bus,
// plain for the others.
void MainWindow::show_pins(int red_protocol)
{
    QVector<QString> pictures(16);
    for (const int protocol : qAsConst(pin_states))
        if (unsigned(protocol) <= 15u)
            for (const int pin : protocol_pins(protocol))
                pictures[pin - 1] = QStringLiteral("all/yellow.png");
    if (unsigned(red_protocol) <= 15u)
        for (const int pin : protocol_pins(red_protocol))
            pictures[pin - 1] = QStringLiteral("all/red.png");
    const QVector<QLabel *> pins = pin_labels();
    for (int i = 0; i < pins.size(); ++i)
        sheets::set(pins[i], sheets::pin(pictures[i]));
}

QVector<QLabel *> MainWindow::pin_labels() const
{
    return {ui->pin_1,  ui->pin_2,  ui->pin_3,  ui->pin_4,  ui->pin_5,  ui->pin_6,
            ui->pin_7,  ui->pin_8,  ui->pin_9,  ui->pin_10, ui->pin_11, ui->pin_12,
            ui->pin_13, ui->pin_14, ui->pin_15, ui->pin_16};
}
