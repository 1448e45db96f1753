#include "app/ctl/interrupts.h"

#include <QEvent>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "app/ctl/console.h"
#include "app/session.h"

namespace {

int signal_pipe[2] = {-1, -1};

// Async-signal-safe: one write, errno kept.
void on_sigint(int)
{
    const int saved = errno;
    const char byte = 1;
    if (::write(signal_pipe[1], &byte, 1) < 0) {
        // The pipe is full: a Ctrl-C is already waiting to be read.
    }
    errno = saved;
}

} // namespace

FdWatch::FdWatch(int fd, std::function<void()> readable)
    : QSocketNotifier(fd, QSocketNotifier::Read), readable(std::move(readable))
{
}

bool FdWatch::event(QEvent *event)
{
    if (event->type() != QEvent::SockAct)
        return QSocketNotifier::event(event);
    readable();
    return true;
}

Interrupts::Interrupts(Console &console) : console(console)
{
    if (::pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    watch = new FdWatch(signal_pipe[0], [this] { signalled(); });
    struct sigaction action = {};
    action.sa_handler = on_sigint;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
}

Interrupts::~Interrupts()
{
    ::signal(SIGINT, SIG_DFL);
    delete watch;
    for (int &fd : signal_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void Interrupts::signalled()
{
    // One byte for each Ctrl-C: two that came together count twice.
    char bytes[16];
    ssize_t count;
    while ((count = ::read(signal_pipe[0], bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < count; ++i)
            one_interrupt();
}

void Interrupts::one_interrupt()
{
    if (stop)
        return;
    if ((session::write_running() || session::report_running()) && !warned) {
        warned = true;
        console.note(QStringLiteral("A write to the device is running. Stopping now leaves it incomplete. "
                                    "Press Ctrl-C again to stop anyway.\n"));
        return;
    }
    stop = true;
    session::close();
    if (stopped_then)
        stopped_then();
}
