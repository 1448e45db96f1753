#include "figures.h"

#include <QTextStream>
#include <algorithm>
#include <cstdlib>

namespace bench {

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

} // namespace

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

void fail(const QString &text)
{
    line(QStringLiteral("error: ") + text);
    std::_Exit(2);
}

QList<ExchangeCase> exchange_cases(const QString &prefix)
{
    QByteArray long_message(1, char(0x15));
    for (int i = 1; i < 4096; ++i)
        long_message.append(char('a' + i % 26));
    return {
        {prefix + QStringLiteral(".query"), QStringLiteral("query 09 0c (one packet)"), QByteArray::fromHex("090c")},
        {prefix + QStringLiteral(".4k"), QStringLiteral("4 KiB message 0x15 + 4095 bytes"), long_message},
    };
}

} // namespace bench
