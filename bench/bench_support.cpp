#include "bench_support.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <sys/resource.h>

namespace bench {

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

double timeval_ms(const timeval &tv)
{
    return double(tv.tv_sec) * 1000.0 + double(tv.tv_usec) / 1000.0;
}

} // namespace

void prepare_environment()
{
    // The benchmarks need no screen; a caller that wants to watch picks xcb itself.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

bool run_until(const std::function<bool()> &done, int timeout_ms)
{
    if (done())
        return true;
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer check;
    check.setTimerType(Qt::PreciseTimer);
    bool met = false;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done()) {
            met = true;
            loop.quit();
        } else if (clock.elapsed() >= timeout_ms) {
            loop.quit();
        }
    });
    check.start(1);
    loop.exec();
    return met;
}

void run_for(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

int option(const QStringList &args, const QString &name, int fallback)
{
    const int i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? qMax(1, args.at(i + 1).toInt()) : fallback;
}

int repeats_from(const QStringList &args, int fallback)
{
    return option(args, QStringLiteral("--repeats"), fallback);
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double process_cpu_ms()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return timeval_ms(usage.ru_utime) + timeval_ms(usage.ru_stime);
}

bool result(const QString &name, double value, const QString &unit, const QString &op, double limit)
{
    const bool met = op == QLatin1String("<") ? value < limit : value <= limit;
    const QString u = unit.isEmpty() ? QString() : QStringLiteral(" ") + unit;
    line(QStringLiteral("result: %1 = %2%3 (target %4 %5%3) %6")
             .arg(name)
             .arg(value, 0, 'f', 3)
             .arg(u, op)
             .arg(limit, 0, 'g', 6)
             .arg(met ? QStringLiteral("PASS") : QStringLiteral("FAIL")));
    return met;
}

void figure(const QString &name, double value, const QString &unit)
{
    line(QStringLiteral("figure: %1 = %2%3")
             .arg(name)
             .arg(value, 0, 'f', 3)
             .arg(unit.isEmpty() ? QString() : QStringLiteral(" ") + unit));
}

void line(const QString &text)
{
    out() << text << '\n';
    out().flush();
}

QString ms(double value)
{
    return QString::number(value, 'f', 2) + QStringLiteral(" ms");
}

} // namespace bench
