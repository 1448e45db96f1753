// The hidapi functions the configurator calls, on the simulated bus: test programs link this
// library in place of hidapi.
#include "sim_bus.h"

int hid_exit(void)
{
    return SimBus::instance().hid_exit();
}

struct hid_device_info *hid_enumerate(unsigned short vendor_id, unsigned short product_id)
{
    return SimBus::instance().hid_enumerate(vendor_id, product_id);
}

void hid_free_enumeration(struct hid_device_info *devs)
{
    SimBus::instance().hid_free_enumeration(devs);
}

hid_device *hid_open_path(const char *path)
{
    return SimBus::instance().hid_open_path(path);
}

int hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    return SimBus::instance().hid_write(dev, data, length);
}

int hid_read(hid_device *dev, unsigned char *data, size_t length)
{
    return SimBus::instance().hid_read(dev, data, length);
}

int hid_set_nonblocking(hid_device *dev, int nonblock)
{
    return SimBus::instance().hid_set_nonblocking(dev, nonblock);
}

void hid_close(hid_device *dev)
{
    SimBus::instance().hid_close(dev);
}

const wchar_t *hid_error(hid_device *dev)
{
    return SimBus::instance().hid_error(dev);
}
