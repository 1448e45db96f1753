#include "app/idle_work.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QVector>
#include <algorithm>

namespace {

struct Piece {
    QPointer<QObject> context;
    std::function<void()> run;
};

QVector<Piece> pieces;
QPointer<QTimer> timer;

// A zero-interval timer runs once per turn of the loop. It is started again only
// when a piece is over, so the timers that fell due meanwhile (a device read) come
// first, and the events queued meanwhile come between two pieces.
void run_one()
{
    timer->stop();
    while (!pieces.isEmpty()) {
        const Piece piece = pieces.takeFirst();
        if (piece.context) {
            piece.run();
            break;
        }
    }
    if (!pieces.isEmpty() && timer)
        timer->start();
}

} // namespace

void idle_work::add(QObject *context, std::function<void()> piece)
{
    if (!timer) {
        timer = new QTimer(QCoreApplication::instance());
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, run_one);
    }
    pieces.append({context, std::move(piece)});
    if (!timer->isActive())
        timer->start();
}

int idle_work::pending()
{
    return int(std::count_if(pieces.cbegin(), pieces.cend(), [](const Piece &piece) { return !piece.context.isNull(); }));
}
