// Start-up and memory of the configurator against a bare Qt window of the same
// size built the same way (bench_bare_window) and against its twin that shows only
// the configurator's background picture (bench_background_window), all on the same
// X display; and, as a figure, against the bare window without an OpenGL surface
// (--raster), as the configurator runs: the toolkit's part of the configurator's cost.
//
// The targets are against the twin: no window with the configurator's look can do
// better. On Qt 5 the bare window's ratios are targets too; on Qt 6 they are figures,
// as the decoded background alone is more memory than the bare Qt 6 window holds.
//
// Each program is started many times, the programs taking turns. Start-up runs from
// just before the process is forked to the end of its first paint, which a
// probe loaded into both (paint_probe.cpp) reports. The idle memory is read
// from /proc once the window has stood idle for a while: RssAnon (anonymous
// resident memory) and the private pages of smaps_rollup.

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench_support.h"

using namespace bench;

namespace {

struct Sample {
    double start_ms = -1;   // fork to the end of the first paint
    qint64 rss_anon_kb = -1;
    qint64 private_kb = -1; // private clean + private dirty
};

qint64 now_ns()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The value in kB of a "Name:   123 kB" line of a /proc file, -1 if missing.
qint64 proc_kb(const QString &path, const QByteArray &name)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Starts `program` (with `argument`, if any) from `folder` with the probe
// preloaded, waits for its first paint, lets it stand idle for `idle_ms`, reads its
// memory and stops it.
Sample run_once(const QString &program, const char *argument, const QString &folder, int idle_ms)
{
    Sample sample;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return sample;
    const QByteArray path = QFile::encodeName(program);
    const QByteArray dir = QFile::encodeName(folder);
    const QByteArray fd_text = QByteArray::number(fds[1]);
    const qint64 started = now_ns();
    const pid_t pid = fork();
    if (pid == 0) {
        fcntl(fds[1], F_SETFD, 0);
        setenv("ORV_BENCH_PAINT_FD", fd_text.constData(), 1);
        setenv("LD_PRELOAD", ORV_BENCH_PROBE, 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        if (chdir(dir.constData()) == 0)
            execl(path.constData(), path.constData(), argument, static_cast<char *>(nullptr));
        _exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return sample;
    }
    pollfd wait{fds[0], POLLIN, 0};
    qint64 painted = 0;
    if (poll(&wait, 1, 30000) == 1 && ::read(fds[0], &painted, sizeof painted) == sizeof painted) {
        sample.start_ms = (painted - started) / 1e6;
        usleep(useconds_t(idle_ms) * 1000);
        const QString proc = QStringLiteral("/proc/%1/").arg(pid);
        sample.rss_anon_kb = proc_kb(proc + QStringLiteral("status"), "RssAnon");
        const qint64 clean = proc_kb(proc + QStringLiteral("smaps_rollup"), "Private_Clean");
        const qint64 dirty = proc_kb(proc + QStringLiteral("smaps_rollup"), "Private_Dirty");
        if (clean >= 0 && dirty >= 0)
            sample.private_kb = clean + dirty;
    }
    ::close(fds[0]);
    kill(pid, SIGTERM);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return sample;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = option(args, QStringLiteral("--runs"), 15);
    const int idle_ms = option(args, QStringLiteral("--idle-ms"), 2000);
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        fail(QStringLiteral("no X display (bench/run.sh starts this under xvfb-run)"));
    const QString orv = QStringLiteral(ORV_BENCH_APP);
    const QString bare = QStringLiteral(ORV_BENCH_BARE);
    const QString background = QStringLiteral(ORV_BENCH_BACKGROUND);
    // Both start where the configurator finds its icon and animation.
    const QString folder = QFileInfo(orv).absolutePath();
    line(QStringLiteral("bench_startup: %1 starts of each program, taking turns; memory after %2 ms idle")
             .arg(runs)
             .arg(idle_ms));

    // The configurator, the bare window, the bare window without an OpenGL surface
    // (what the configurator's own work costs on top of the toolkit's), and the
    // window with only the background picture.
    constexpr int programs = 4;
    QList<double> start[programs];
    QList<double> rss[programs];
    QList<double> priv[programs];
    const QString names[programs] = {QStringLiteral("configurator"), QStringLiteral("bare window"),
                                     QStringLiteral("bare raster window"), QStringLiteral("background window")};
    const QString paths[programs] = {orv, bare, bare, background};
    const char *const arguments[programs] = {nullptr, nullptr, "--raster", nullptr};
    for (int run = 0; run < runs; ++run) {
        // Each run in another order: no program always goes first after the same one.
        for (int k = 0; k < programs; ++k) {
            const int which = (run % 2 == 0) ? (k + run / 2) % programs : (programs - 1 - k + run / 2) % programs;
            const Sample s = run_once(paths[which], arguments[which], folder, idle_ms);
            if (s.start_ms < 0 || s.rss_anon_kb < 0)
                fail(QStringLiteral("the %1 did not paint its window (run %2)").arg(names[which]).arg(run + 1));
            start[which] << s.start_ms;
            rss[which] << double(s.rss_anon_kb);
            priv[which] << double(s.private_kb);
            line(QStringLiteral("run %1 %2: first paint %3, RssAnon %4 kB, private %5 kB")
                     .arg(run + 1)
                     .arg(names[which], ms(s.start_ms))
                     .arg(s.rss_anon_kb)
                     .arg(s.private_kb));
        }
    }

    bool met = true;
    // A target on Qt 5; on Qt 6 a figure (see the top of this file).
    const auto against_bare = [&met](const QString &name, double value, double limit) {
        if (QT_VERSION < QT_VERSION_CHECK(6, 0, 0))
            met &= result(name, value, QString(), QStringLiteral("<="), limit);
        else
            figure(name, value, QString());
    };
    figure(QStringLiteral("startup.configurator_first_paint_median"), median(start[0]), QStringLiteral("ms"));
    figure(QStringLiteral("startup.bare_first_paint_median"), median(start[1]), QStringLiteral("ms"));
    figure(QStringLiteral("startup.bare_raster_first_paint_median"), median(start[2]), QStringLiteral("ms"));
    figure(QStringLiteral("startup.background_first_paint_median"), median(start[3]), QStringLiteral("ms"));
    met &= result(QStringLiteral("startup.first_paint_ratio_to_background"), median(start[0]) / median(start[3]),
                  QString(), QStringLiteral("<="), 1.2);
    against_bare(QStringLiteral("startup.first_paint_ratio"), median(start[0]) / median(start[1]), 1.2);
    figure(QStringLiteral("startup.first_paint_ratio_to_bare_raster"), median(start[0]) / median(start[2]), QString());
    figure(QStringLiteral("memory.configurator_rss_anon_median"), median(rss[0]), QStringLiteral("kB"));
    figure(QStringLiteral("memory.bare_rss_anon_median"), median(rss[1]), QStringLiteral("kB"));
    figure(QStringLiteral("memory.bare_raster_rss_anon_median"), median(rss[2]), QStringLiteral("kB"));
    figure(QStringLiteral("memory.background_rss_anon_median"), median(rss[3]), QStringLiteral("kB"));
    met &= result(QStringLiteral("memory.rss_anon_ratio_to_background"), median(rss[0]) / median(rss[3]), QString(),
                  QStringLiteral("<="), 1.3);
    against_bare(QStringLiteral("memory.rss_anon_ratio"), median(rss[0]) / median(rss[1]), 1.3);
    figure(QStringLiteral("memory.rss_anon_ratio_to_bare_raster"), median(rss[0]) / median(rss[2]), QString());
    figure(QStringLiteral("memory.configurator_private_median"), median(priv[0]), QStringLiteral("kB"));
    figure(QStringLiteral("memory.bare_private_median"), median(priv[1]), QStringLiteral("kB"));
    figure(QStringLiteral("memory.private_ratio"), median(priv[0]) / median(priv[1]), QString());
    return met ? 0 : 1;
}
