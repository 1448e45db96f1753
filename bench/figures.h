#ifndef BENCH_FIGURES_H
#define BENCH_FIGURES_H

// The command line and the output of every benchmark, with nothing but QtCore:
// the benchmark of the system's hidapi through the hidraw bed uses it too.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace bench {

// The whole number after `name` on the command line ("--repeats 5"), at least
// 1; `fallback` when it is not there.
int option(const QStringList &args, const QString &name, int fallback);
// The runs of each measurement asked for with --repeats.
int repeats_from(const QStringList &args, int fallback);

// The middle value (the mean of the two middle ones for an even count); 0 for none.
double median(QList<double> values);

// Output. Detail lines are free text; each figure that has a target gets one
// line "result: NAME = VALUE (target OP LIMIT) PASS|FAIL" that bench/run.sh
// collects. Returns whether the target was met.
bool result(const QString &name, double value, const QString &unit, const QString &op, double limit);
// A figure without a target, collected by the summary too: "figure: NAME = VALUE".
void figure(const QString &name, double value, const QString &unit);
void line(const QString &text);
QString ms(double value);
// Prints "error: TEXT", which the summary collects, and ends the benchmark at once with
// status 2; the window, the server and their threads end with the process.
[[noreturn]] void fail(const QString &text);

// The two exchanges whose round trips are timed, in-process and through the hidraw bed: a
// one-packet query and a 4 KiB message; NAME is "PREFIX.query" and "PREFIX.4k".
struct ExchangeCase {
    QString name;     // in the result lines
    QString label;    // for people
    QByteArray message;
};
QList<ExchangeCase> exchange_cases(const QString &prefix);

} // namespace bench

#endif // BENCH_FIGURES_H
