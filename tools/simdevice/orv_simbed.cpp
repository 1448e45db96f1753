// orv-simbed: runs a program unchanged, with the system's hidapi, against simulated devices
// behind emulated hidraw nodes (see README.md). The devices follow their state files, which
// orv-simdev edits while the program runs, or replay a recording; the bed ends with the
// program and passes on its exit status, unless a replay failed or was left unfinished.
#include "device_replay.h"
#include "hidraw_bed.h"
#include "sim_state_file.h"

#include <QTemporaryDir>

#include <glib-unix.h>
#include <glib.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const char usage_text[] =
    "usage: orv-simbed [{--device STATE|--replay FILE} [--wire-log LOG] [--denied]]...\n"
    "                  [--user NAME] -- PROGRAM [ARGS...]\n"
    "  --device STATE   a simulated device that follows this state file (orv-simdev);\n"
    "                   the devices are enumerated in the order given\n"
    "  --replay FILE    a device that answers from the recording in FILE and fails at the\n"
    "                   first packet that differs from it (the bed then exits with 1)\n"
    "  --wire-log LOG   the last device's packets, messages, opens and closes go to LOG\n"
    "  --denied         the last device's node is mode 0600, owned by the bed's user\n"
    "  --user NAME      run PROGRAM as this user (the bed runs as root)\n";

constexpr guint tick_ms = 10;
constexpr guint release_wait_ms = 2000;

int usage_error(const char *text)
{
    std::fprintf(stderr, "orv-simbed: %s\n%s", text, usage_text);
    return 2;
}

struct Run {
    GMainLoop *loop = nullptr;
    HidrawBed *bed = nullptr;
    pid_t child = -1;
    int status = 0;
};

gboolean on_tick(gpointer data)
{
    static_cast<Run *>(data)->bed->tick();
    return G_SOURCE_CONTINUE;
}

// Stopping the bed stops the program first; the bed ends when the program has.
gboolean on_stop(gpointer data)
{
    auto *run = static_cast<Run *>(data);
    if (run->child > 0)
        kill(run->child, SIGTERM);
    return G_SOURCE_CONTINUE;
}

void on_child_exit(GPid, gint status, gpointer data)
{
    auto *run = static_cast<Run *>(data);
    run->status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run->child = -1;
    g_main_loop_quit(run->loop);
}

}  // namespace

int main(int argc, char **argv)
{
    std::vector<HidrawBed::DeviceOptions> devices;
    const char *user = nullptr;
    // A replayed device still follows a state file: one of its own that nobody edits.
    std::unique_ptr<QTemporaryDir> replay_dir;
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        const bool has_value = i + 1 < argc;
        if (!std::strcmp(argv[i], "--device") && has_value) {
            devices.emplace_back();
            devices.back().state_file = QString::fromLocal8Bit(argv[++i]);
        } else if (!std::strcmp(argv[i], "--replay") && has_value) {
            QString error;
            auto replay = DeviceReplay::load(QString::fromLocal8Bit(argv[++i]), &error);
            if (!replay_dir)
                replay_dir = std::make_unique<QTemporaryDir>();
            const QString state = replay_dir->filePath(QStringLiteral("replay-%1.json").arg(devices.size()));
            if (replay) {
                SimDeviceFile file;
                file.vendor_id = quint16(replay->vendor_id());
                file.product_id = quint16(replay->product_id());
                if (!replay_dir->isValid())
                    error = QStringLiteral("no temporary folder: ") + replay_dir->errorString();
                if (!replay_dir->isValid() || !save_device_file(state, file, &error))
                    replay = nullptr;
            }
            if (!replay) {
                std::fprintf(stderr, "orv-simbed: %s\n", error.toLocal8Bit().constData());
                return 2;
            }
            devices.emplace_back();
            devices.back().state_file = state;
            devices.back().replay = replay;
        } else if (!std::strcmp(argv[i], "--wire-log") && has_value && !devices.empty()) {
            devices.back().wire_log = QString::fromLocal8Bit(argv[++i]);
        } else if (!std::strcmp(argv[i], "--denied") && !devices.empty()) {
            devices.back().denied = true;
        } else if (!std::strcmp(argv[i], "--user") && has_value) {
            user = argv[++i];
        } else {
            return usage_error("unknown or misplaced option");
        }
    }
    if (i + 1 >= argc)
        return usage_error("no program to run");
    char **program = argv + i + 1;

    struct passwd *account = nullptr;
    if (user && !(account = getpwnam(user))) {
        std::fprintf(stderr, "orv-simbed: no user %s\n", user);
        return 2;
    }

    HidrawBed bed;  // sets UMOCKDEV_DIR, which the program inherits
    for (const auto &d : devices)
        bed.add_device(d);
    bed.tick();  // devices plugged in from the start are there when the program starts

    Run run;
    run.bed = &bed;
    run.loop = g_main_loop_new(nullptr, FALSE);
    run.child = fork();
    if (run.child < 0) {
        std::perror("orv-simbed: fork");
        return 2;
    }
    if (run.child == 0) {
        // hidapi opens the node without O_NOCTTY: a session leader would take the terminal
        // for its own and die of SIGHUP when the device is pulled out.
        signal(SIGHUP, SIG_IGN);
        if (account && (initgroups(account->pw_name, account->pw_gid) != 0 ||
                        setgid(account->pw_gid) != 0 || setuid(account->pw_uid) != 0)) {
            std::perror("orv-simbed: cannot become the user");
            _exit(127);
        }
        std::vector<char *> args;
        args.push_back(const_cast<char *>("umockdev-wrapper"));
        for (char **a = program; *a; ++a)
            args.push_back(*a);
        args.push_back(nullptr);
        execvp(args[0], args.data());
        std::perror("orv-simbed: cannot start umockdev-wrapper");
        _exit(127);
    }
    g_child_watch_add(run.child, on_child_exit, &run);
    g_unix_signal_add(SIGTERM, on_stop, &run);
    g_unix_signal_add(SIGINT, on_stop, &run);
    g_timeout_add(tick_ms, on_tick, &run);
    g_main_loop_run(run.loop);
    g_main_loop_unref(run.loop);
    // The program has ended; its nodes are let go of on umockdev's thread, which calls the
    // bed as it does. Destroying the bed before then would pull its state from under it.
    for (guint waited = 0; bed.held() && waited < release_wait_ms; waited += tick_ms)
        g_usleep(tick_ms * 1000);
    for (const auto &d : devices) {
        if (!d.replay || d.replay->finished())
            continue;
        // A failure was printed when it happened.
        if (!d.replay->failed())
            std::fprintf(stderr, "%s\n", d.replay->unfinished().toLocal8Bit().constData());
        run.status = 1;
    }
    return run.status;
}
