// Any interleaving holds: random sequences of user clicks, plugs and unplugs,
// device and server faults (also in the middle of a sequence) and window
// closes, run against the real window, the simulated devices and the local API
// server; after each command the invariants of world.cpp are checked, and at
// the end every window shown is compared with a fresh window that identified
// the same device. A failure prints the shrunk sequence and RC_PARAMS to
// replay it (see tools/property.sh).
//
// Each fault the random runs found stays below as a plain regression case.

#include <QApplication>
#include <cstdio>

#include "commands.h"
#include "support/window_probe.h"

namespace {

using cmd::During;
using cmd::DeviceFault;
using cmd::ServerFault;

// A fixed sequence, run once.
bool regression(const char *name, const rc::state::Commands<Command> &commands)
{
    try {
        World world;
        world.start();
        rc::state::runAll(commands, Model(), world);
        world.verify_shown_equals_held();
    } catch (const rc::detail::CaseResult &result) {
        std::fprintf(stderr, "FAIL: %s\n  %s\n", name, result.description.c_str());
        return false;
    }
    std::printf("PASS: %s\n", name);
    return true;
}

template <typename... C>
rc::state::Commands<Command> sequence(C... commands)
{
    return {std::make_shared<const C>(commands)...};
}

bool regressions()
{
    bool ok = true;
    // The read-back after a failed installation left the presence poll stopped:
    // the window kept a device that was gone.
    ok &= regression("a read-back leaves the presence poll running",
                     sequence(DeviceFault(DeviceFault::Fail, 12), cmd::Install(0), cmd::Unplug(0)));
    // After a read-back the window must look as after identification, enabled states included.
    ok &= regression("a read-back ends as identification ends",
                     sequence(ServerFault(apiserver::Endpoint::Install, ServerFault::Status500), cmd::Install(1)));
    // A failed drive-mode write whose value reached the device showed the old mode.
    ok &= regression("a failed write shows what the device holds",
                     sequence(DeviceFault(DeviceFault::Fail, 2), cmd::Click("pushButton_eco")));
    // After a successful installation the standby and protocol texts kept the old settings.
    ok &= regression("an installation shows the settings it wrote",
                     sequence(cmd::Click("pushButton_stby_s"), cmd::Click("pushButton_apply_settings"),
                              cmd::Install(0)));
    // Closing asks only while a write runs; "No" lets it finish, "Yes" ends it.
    ok &= regression("closing while idle, during a write with No and with Yes",
                     sequence(cmd::Close(), During(During::CloseNo, 14), cmd::Install(0),
                              During(During::CloseYes, 3), cmd::Click("pushButton_eco")));
    // A device pulled during one command and clicked before the next presence tick
    // fails that click: the box is the pull's, not one without a cause.
    ok &= regression("a click on a device pulled the command before",
                     sequence(During(During::PlugOther, 1), During(During::UnplugActive, 1),
                              cmd::Click("pushButton_indication_off"), cmd::Click("pushButton_indication_off")));
    // A device that fired a fault and was then replaced in its slot still counts its fault.
    ok &= regression("a fault of a device replaced during the sequence",
                     sequence(During(During::UnplugActive, 3), DeviceFault(DeviceFault::NoReply, 0),
                              During(During::PlugOther, 3), cmd::Close()));
    // Pictures made ready for a device's window outlived a device that failed before
    // they were made, in the no-device window and after its unplug.
    DeviceSetup broken;
    broken.broken = true;
    ok &= regression("a device that fails at once keeps nothing made ready",
                     sequence(cmd::Unplug(0), cmd::Plug(0, broken), cmd::Unplug(0)));
    // A language switch during identification made the old language's pictures ready.
    ok &= regression("a language switch during identification",
                     sequence(cmd::Unplug(0), During(During::Language, 2), cmd::Plug(0, DeviceSetup())));
    // A device failing while the close question was open showed its box over the question.
    ok &= regression("a device failing under the close question",
                     sequence(During(During::PullUnderQuestionNo, 2), cmd::Click("pushButton_dynamic"),
                              cmd::Unplug(0), cmd::Plug(0, DeviceSetup()), During(During::PullUnderQuestionYes, 2),
                              cmd::Click("pushButton_eco")));
    // An answer that came after its time-out was taken, after the program's next
    // open, for the answer to its first message; so was a report the device still
    // held at the open.
    ok &= regression("a late answer and a leftover report at the next open",
                     sequence(DeviceFault(DeviceFault::LateBeyond, 0), cmd::Close(),
                              DeviceFault(DeviceFault::LeftoverAtOpen, 2), cmd::Close()));
    // Closing while the installation was reported asked nothing.
    ok &= regression("closing while an installation is reported",
                     sequence(During(During::CloseInReportNo, 1), cmd::Install(0),
                              During(During::CloseInReportYes, 1), cmd::Install(1)));
    // The model took a pulled device's write error for the box a device taking no write
    // shows once per program, and then refused that device's own box.
    ok &= regression("a pulled device's write error is not the broken device's",
                     sequence(DeviceFault(DeviceFault::UnplugAt, 1), cmd::Plug(1, broken), cmd::Close(),
                              cmd::Language(1), cmd::WaitPresence()));
    // An answer that came after its time-out, on the same handle, was taken for the next
    // message's; the answers that followed each went to the message before, and a
    // message the device lost was acknowledged: the vehicle was reported installed.
    ok &= regression("a late answer is not taken for the next message's",
                     sequence(DeviceFault(DeviceFault::LateBeyond, 14), cmd::Install(1),
                              cmd::Click("pushButton_apply_settings"), DeviceFault(DeviceFault::NoReply, 1),
                              cmd::Install(0)));
    // A close armed for the next sequence outlived a close of the window, and closed the
    // next program's window during its identification.
    ok &= regression("a close armed for the next sequence ends with its program",
                     sequence(During(During::CloseYes, 2), cmd::Close(), cmd::WaitPresence()));
    return ok;
}

} // namespace

QtMessageHandler default_handler = nullptr;

// The offscreen platform says this at every window shown.
void quiet_platform(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (!text.contains(QLatin1String("propagateSizeHints")))
        default_handler(type, context, text);
}

int main(int argc, char **argv)
{
    default_handler = qInstallMessageHandler(quiet_platform);
    QApplication app(argc, argv);
    init_window_resources();

    bool ok = regressions();
    ok &= rc::check("any interleaving of commands holds every invariant", [] {
        World world;
        world.start();
        rc::state::check(Model(), world, cmd::generator());
        world.verify_shown_equals_held();
    });
    World::rig().reset();
    return ok ? 0 : 1;
}
