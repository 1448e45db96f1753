#ifndef CTL_RUNNER_H
#define CTL_RUNNER_H

#include "app/ctl/arguments.h"
#include "app/ctl/report.h"

class Console;
class Interrupts;

// One orvctl command on the session layer: every exchange and request is a session
// sequence; what it holds of its own is the choice of sequences and what it prints.
class Runner
{
public:
    Runner(const ctl::Arguments &arguments, Console &console, Interrupts &interrupts);

    // Runs the command; its exit status.
    int run();
    // What is printed at the end: the JSON object, or the error on standard error.
    void finish(int status);

private:
    int list();
    int identify();
    int set();
    int catalogue();
    int install();
    int record_show();

    // Each returns done, or the status the command ends with.
    int open();
    int identify_device(bool ask_server);
    int brands();
    int brand_position(int *position);
    int model_position(int *position);
    int engines_of(int brand, int model);
    int engine_position(int brand, int model, int *engine);
    int find_vehicle_id(int *brand, int *model, int *engine);
    int confirm(const QString &question);
    int written_incompletely(const char *sequence);

    int fail(int status, const QString &message, const QString &word = QString());
    int unknown(const char *what, const QString &wanted, const QStringList &known);
    ctl::DeviceReport device_report() const;
    void show_device(const char *key, const ctl::DeviceReport &report);

    const ctl::Arguments &a;
    Console &console;
    Interrupts &interrupts;
    ctl::Outcome outcome;
    QString path;
};

#endif // CTL_RUNNER_H
