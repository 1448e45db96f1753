#include "device/obd_pin_table.h"

#include "device/protocol.h"

QList<int> protocol_pins(int number)
{
    number = protocol::canonical(number);
    QList<int> pins;
    if (number >= 0 && number < protocol::protocol_count)
        for (const int pin : protocol::bus_protocols[number].pins)
            if (pin > 0)
                pins << pin;
    return pins;
}
