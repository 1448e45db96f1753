// Entry point of liborv-simhid.so: with ORV_SIM_DEVICE_FILE set, the simulated bus follows
// that state file; without it the bus stays empty, as a machine with no HID devices.
//
// Nothing here touches Qt or the environment while the library is being loaded: the link is
// made on the first hidapi call, when the program (and its QCoreApplication, if any) runs.
#include "sim_file_link.h"

#include <QFile>
#include <cstdlib>

namespace {

class PreloadObserver : public SimBusObserver {
public:
    void enter(SimBus &bus, Op op, SimDevice *device) override
    {
        if (!started_) {
            started_ = true;
            const char *file = std::getenv("ORV_SIM_DEVICE_FILE");
            const char *log = std::getenv("ORV_SIM_WIRE_LOG");
            if (file && *file) {
                // Leaked on purpose: it must outlive any static destructor that closes a handle.
                link_ = new SimFileLink(QFile::decodeName(file),
                                        log && *log ? QFile::decodeName(log) : QString());
            }
        }
        if (link_)
            link_->enter(bus, op, device);
    }

    void leave(SimBus &bus, Op op, SimDevice *device, const QByteArray &path) override
    {
        if (link_)
            link_->leave(bus, op, device, path);
    }

private:
    bool started_ = false;
    SimFileLink *link_ = nullptr;
};

struct Installer {
    Installer()
    {
        static PreloadObserver *observer = new PreloadObserver;
        SimBus::instance().set_observer(observer);
    }
};

const Installer installer;

}  // namespace
