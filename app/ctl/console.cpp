#include "app/ctl/console.h"

#include "app/boxes.h"

#include <QCoreApplication>
#include <cstdio>

Console::Console(bool json, bool stderr_terminal) : json(json), progress(stderr_terminal) {}

void Console::write(FILE *stream, const QString &text)
{
    // A bar being redrawn ends its line before anything else is written.
    const QString ended = progress.end();
    if (!ended.isEmpty())
        std::fputs(ended.toUtf8().constData(), stderr);
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

void Console::out(const QString &text)
{
    if (!json)
        write(stdout, text);
}

void Console::err(const QString &text)
{
    if (!json)
        write(stderr, text);
}

void Console::note(const QString &text)
{
    write(stderr, text);
}

void Console::box(const char *title, const char *text, const char *informative, const QStringList &arguments)
{
    ctl::Box box;
    box.title = QCoreApplication::translate("MainWindow", title);
    box.text = QCoreApplication::translate("MainWindow", text);
    if (informative)
        box.informative = box_detail(informative, arguments);
    shown.append(box);
    if (box.error())
        err(ctl::box_line(box) + QLatin1Char('\n'));
    else
        out(ctl::box_line(box) + QLatin1Char('\n'));
}

void Console::transfer_visible(bool visible)
{
    transfer_clock.start();
    if (!visible) {
        const QString ended = progress.end();
        if (!ended.isEmpty())
            std::fputs(ended.toUtf8().constData(), stderr);
    }
}

void Console::transfer_progress(int done, int total)
{
    const qint64 elapsed = transfer_clock.isValid() ? transfer_clock.elapsed() : 0;
    const session::TransferFigures figures = session::transfer_figures(done, total, elapsed);
    const QString text = progress.update(figures.percent, figures.text);
    if (!text.isEmpty()) {
        std::fputs(text.toUtf8().constData(), stderr);
        std::fflush(stderr);
    }
}
