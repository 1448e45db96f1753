#include "app/wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace {

// Created on first use, when the application object exists.
QEventLoop &wait_loop()
{
    static QEventLoop loop;
    return loop;
}

WaitTicket last_ticket = 0;
WaitTicket open_ticket = 0;
bool open_ended = false;

} // namespace

WaitTicket wait_open()
{
    if (open_ticket != 0) {
        qWarning("wait_open: a wait is already open; the new one is refused");
        return 0;
    }
    open_ticket = ++last_ticket;
    open_ended = false;
    return open_ticket;
}

void wait_end(WaitTicket ticket)
{
    if (ticket == 0 || ticket != open_ticket || open_ended)
        return;
    open_ended = true;
    if (wait_loop().isRunning())
        wait_loop().quit();
}

bool wait_run(WaitTicket ticket)
{
    if (ticket == 0 || ticket != open_ticket)
        return false;
    if (!open_ended && !QCoreApplication::closingDown())
        wait_loop().exec();
    const bool ended = open_ended;
    open_ticket = 0;
    open_ended = false;
    return ended;
}

bool wait_pause(int ms)
{
    const WaitTicket ticket = wait_open();
    if (ticket == 0)
        return false;
    QTimer::singleShot(ms, Qt::PreciseTimer, [ticket] { wait_end(ticket); });
    return wait_run(ticket);
}
