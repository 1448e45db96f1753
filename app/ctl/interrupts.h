#ifndef CTL_INTERRUPTS_H
#define CTL_INTERRUPTS_H

#include <QSocketNotifier>
#include <functional>

// A file descriptor watched for reading by the event loop, with a function to run.
// (An event handler, not the activated signal: its arguments differ between Qt 5 and
// Qt 6.)
class FdWatch : public QSocketNotifier
{
public:
    FdWatch(int fd, std::function<void()> readable);

protected:
    bool event(QEvent *event) override;

private:
    std::function<void()> readable;
};

class Console;

// Ctrl-C. The signal handler only writes a byte into a pipe; the event loop (a
// sequence's wait included) reads it and decides. During a device write the first
// Ctrl-C warns and the write goes on; the second, or one at any other time, closes
// the session: the exchange or request in flight ends at once, nothing more is sent
// or reported, and the command ends with status 130.
class Interrupts
{
public:
    explicit Interrupts(Console &console);
    ~Interrupts();
    Interrupts(const Interrupts &) = delete;
    Interrupts &operator=(const Interrupts &) = delete;

    bool stopped() const { return stop; }
    // Run once the session is closed (the question on standard input waits on it).
    void on_stop(std::function<void()> then) { stopped_then = std::move(then); }

private:
    void signalled();
    void one_interrupt();

    Console &console;
    FdWatch *watch = nullptr;
    bool warned = false;
    bool stop = false;
    std::function<void()> stopped_then;
};

#endif // CTL_INTERRUPTS_H
