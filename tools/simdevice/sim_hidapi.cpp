// The 22 functions of hidapi.h on the simulated bus. Every one of them is defined, even those
// the configurator never calls: in the preload library a function left out would fall
// through to the real hidapi, which would then be handed a simulated handle.
#include "sim_bus.h"

// The preload library hides everything else, so only these are visible to the program.
#define SIM_EXPORT extern "C" __attribute__((visibility("default")))

SIM_EXPORT int hid_init(void)
{
    return SimBus::instance().hid_init();
}

SIM_EXPORT int hid_exit(void)
{
    return SimBus::instance().hid_exit();
}

SIM_EXPORT struct hid_device_info *hid_enumerate(unsigned short vendor_id,
                                                 unsigned short product_id)
{
    return SimBus::instance().hid_enumerate(vendor_id, product_id);
}

SIM_EXPORT void hid_free_enumeration(struct hid_device_info *devs)
{
    SimBus::instance().hid_free_enumeration(devs);
}

SIM_EXPORT hid_device *hid_open(unsigned short vendor_id, unsigned short product_id,
                                const wchar_t *serial_number)
{
    return SimBus::instance().hid_open(vendor_id, product_id, serial_number);
}

SIM_EXPORT hid_device *hid_open_path(const char *path)
{
    return SimBus::instance().hid_open_path(path);
}

SIM_EXPORT int hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    return SimBus::instance().hid_write(dev, data, length);
}

SIM_EXPORT int hid_read_timeout(hid_device *dev, unsigned char *data, size_t length,
                                int milliseconds)
{
    return SimBus::instance().hid_read_timeout(dev, data, length, milliseconds);
}

SIM_EXPORT int hid_read(hid_device *dev, unsigned char *data, size_t length)
{
    return SimBus::instance().hid_read_timeout(dev, data, length, 0);
}

SIM_EXPORT int hid_set_nonblocking(hid_device *dev, int nonblock)
{
    return SimBus::instance().hid_set_nonblocking(dev, nonblock);
}

SIM_EXPORT int hid_send_feature_report(hid_device *dev, const unsigned char *data, size_t length)
{
    return SimBus::instance().hid_send_feature_report(dev, data, length);
}

SIM_EXPORT int hid_get_feature_report(hid_device *dev, unsigned char *data, size_t length)
{
    return SimBus::instance().hid_get_feature_report(dev, data, length);
}

SIM_EXPORT int hid_get_input_report(hid_device *dev, unsigned char *data, size_t length)
{
    return SimBus::instance().hid_get_input_report(dev, data, length);
}

SIM_EXPORT void hid_close(hid_device *dev)
{
    SimBus::instance().hid_close(dev);
}

SIM_EXPORT int hid_get_manufacturer_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return SimBus::instance().hid_get_manufacturer_string(dev, string, maxlen);
}

SIM_EXPORT int hid_get_product_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return SimBus::instance().hid_get_product_string(dev, string, maxlen);
}

SIM_EXPORT int hid_get_serial_number_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return SimBus::instance().hid_get_serial_number_string(dev, string, maxlen);
}

SIM_EXPORT struct hid_device_info *hid_get_device_info(hid_device *dev)
{
    return SimBus::instance().hid_get_device_info(dev);
}

SIM_EXPORT int hid_get_indexed_string(hid_device *dev, int string_index, wchar_t *string,
                                      size_t maxlen)
{
    return SimBus::instance().hid_get_indexed_string(dev, string_index, string, maxlen);
}

SIM_EXPORT const wchar_t *hid_error(hid_device *dev)
{
    return SimBus::instance().hid_error(dev);
}

SIM_EXPORT const struct hid_api_version *hid_version(void)
{
    static const hid_api_version version = {HID_API_VERSION_MAJOR, HID_API_VERSION_MINOR,
                                            HID_API_VERSION_PATCH};
    return &version;
}

SIM_EXPORT const char *hid_version_str(void)
{
    return HID_API_VERSION_STR;
}
