#ifndef CTL_CONSOLE_H
#define CTL_CONSOLE_H

#include <QElapsedTimer>
#include <QList>
#include <QString>

#include "app/ctl/progress.h"
#include "app/ctl/report.h"
#include "app/session.h"

// orvctl's View of the sequences and its two output streams. In human mode the
// boxes are printed as they come (errors on standard error, the rest on standard
// output); with --json they are only kept, for the one object printed at the end.
// The software transfer's progress goes to standard error either way.
class Console : public session::View
{
public:
    Console(bool json, bool stderr_terminal);

    void out(const QString &text);   // data; nothing in JSON mode
    void err(const QString &text);   // diagnostics; nothing in JSON mode
    void note(const QString &text);  // standard error in either mode (warnings, the question)

    const QList<ctl::Box> &boxes() const { return shown; }

    void box(const char *title, const char *text, const char *informative, const QStringList &arguments) override;
    void transfer_visible(bool visible) override;
    void transfer_progress(int done, int total) override;

private:
    void write(FILE *stream, const QString &text);

    const bool json;
    QList<ctl::Box> shown;
    ctl::ProgressText progress;
    QElapsedTimer transfer_clock;
};

#endif // CTL_CONSOLE_H
