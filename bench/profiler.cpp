#include "profiler.h"

#include <QAbstractEventDispatcher>
#include <QMetaEnum>
#include <QPointer>
#include <QThread>
#include <algorithm>

#include "bench_support.h"

namespace bench {

BenchApplication::BenchApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    clock.start();
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
        const qint64 now = clock.nsecsElapsed();
        for (Frame &frame : stack)
            if (frame.first_wait_ns < 0)
                frame.first_wait_ns = now;
    });
    connect(dispatcher, &QAbstractEventDispatcher::awake, this, [this] { last_awake_ns = clock.nsecsElapsed(); });
}

QString BenchApplication::describe(QObject *receiver, QEvent::Type type)
{
    QString what = QString::fromLatin1(receiver->metaObject()->className());
    if (!receiver->objectName().isEmpty())
        what += QStringLiteral(" \"%1\"").arg(receiver->objectName());
    if (auto *timer = qobject_cast<QTimer *>(receiver)) {
        what += QStringLiteral(" (%1 ms").arg(timer->interval());
        if (timer->parent())
            what += QStringLiteral(", of ") + QString::fromLatin1(timer->parent()->metaObject()->className());
        what += QLatin1Char(')');
    }
    const char *name = QMetaEnum::fromType<QEvent::Type>().valueToKey(type);
    return what + QStringLiteral(": ") + (name ? QString::fromLatin1(name) : QString::number(type));
}

void BenchApplication::keep(const QString &what, qint64 from, qint64 to, const QList<Handling> &inside)
{
    if (to - from < threshold_ns)
        return;
    Stretch stretch;
    stretch.what = what;
    stretch.from_ns = from;
    stretch.to_ns = to;
    for (const Handling &h : inside)
        if (h.start_ns >= from && h.start_ns < to)
            stretch.inside << h;
    std::sort(stretch.inside.begin(), stretch.inside.end(),
              [](const Handling &a, const Handling &b) { return a.start_ns < b.start_ns; });
    stretches << stretch;
}

bool BenchApplication::notify(QObject *receiver, QEvent *event)
{
    if (!profiling || !receiver || QThread::currentThread() != thread())
        return QApplication::notify(receiver, event);

    // The handler may delete its receiver; then it is named by its class alone.
    const QPointer<QObject> alive(receiver);
    const char *class_name = receiver->metaObject()->className();
    const QEvent::Type type = event->type();
    Frame frame;
    frame.start_ns = clock.nsecsElapsed();
    stack.append(frame);
    const bool handled = QApplication::notify(receiver, event);
    if (stack.isEmpty())
        return handled;   // profile_stop() came from inside the handler
    const Frame done = stack.takeLast();
    const qint64 end = clock.nsecsElapsed();
    const qint64 total = end - done.start_ns;
    if (!stack.isEmpty())
        stack.last().child_ns += total;

    const bool waited = done.first_wait_ns >= 0;
    const bool parent_waits_meanwhile = stack.isEmpty() || stack.last().first_wait_ns >= 0;
    // Only what may matter is described: most events take microseconds.
    if (total >= threshold_ns / 4 || (waited && end - last_awake_ns >= threshold_ns)) {
        Handling h;
        h.what = alive ? describe(receiver, type) : QString::fromLatin1(class_name) + QStringLiteral(" (deleted)");
        h.start_ns = done.start_ns;
        h.total_ns = total;
        h.own_ns = total - done.child_ns;
        if (!waited) {
            // A parent that has not waited yet holds the loop with it and names it later.
            if (parent_waits_meanwhile)
                keep(h.what, done.start_ns, end, done.inside);
        } else {
            keep(h.what + QStringLiteral(", before its first wait"), done.start_ns, done.first_wait_ns, done.inside);
            keep(h.what + QStringLiteral(", after its last wait"), qMax(last_awake_ns, done.start_ns), end,
                 done.inside);
        }
        if (!stack.isEmpty()) {
            stack.last().inside << h;
            stack.last().inside += done.inside;
        }
    }
    return handled;
}

void BenchApplication::profile_start(double threshold_ms)
{
    threshold_ns = qint64(threshold_ms * 1e6);
    profile_start_ns = clock.nsecsElapsed();
    stretches.clear();
    profiling = true;
}

void BenchApplication::profile_stop()
{
    profiling = false;
    stack.clear();
}

void BenchApplication::print_profile(const QString &label, int count) const
{
    QList<Stretch> sorted = stretches;
    std::sort(sorted.begin(), sorted.end(),
              [](const Stretch &a, const Stretch &b) { return a.to_ns - a.from_ns > b.to_ns - b.from_ns; });
    line(QStringLiteral("%1: %2 stretches of %3 ms or more in which an event handler held the loop")
             .arg(label)
             .arg(stretches.size())
             .arg(threshold_ns / 1e6, 0, 'f', 1));
    for (const Stretch &s : sorted.mid(0, count)) {
        line(QStringLiteral("%1:   %2 for %3, at %4 s")
                 .arg(label, s.what, ms((s.to_ns - s.from_ns) / 1e6))
                 .arg((s.from_ns - profile_start_ns) / 1e9, 0, 'f', 2));
        for (const Handling &h : s.inside)
            line(QStringLiteral("%1:       inside: %2, %3 (own %4)")
                     .arg(label, h.what, ms(h.total_ns / 1e6), ms(h.own_ns / 1e6)));
    }
}

} // namespace bench
