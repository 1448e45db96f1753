#include "app/message_box.h"

#include <QMessageBox>
#include <QSet>
#include <QString>

#include "app/logging.h"
#include "app/mainwindow.h"

namespace {
bool quiet = false;
bool muted = false;
QString quiet_step;
QSet<QString> shown_during_identification;
} // namespace

void show_box(const char *title, const char *text)
{
    if (muted) {
        qCDebug(orv_app) << "box muted:" << text;
        return;
    }
    if (quiet) {
        const QString key = quiet_step + QLatin1Char('\n') + QLatin1String(title) + QLatin1Char('\n') + QLatin1String(text);
        if (shown_during_identification.contains(key)) {
            qCDebug(orv_app) << "box shown before for this device, not again:" << text;
            return;
        }
        shown_during_identification.insert(key);
    }
    QMessageBox::information(nullptr, MainWindow::tr(title), MainWindow::tr(text), QMessageBox::Ok);
}

void quiet_repeats_begin()
{
    quiet = true;
    quiet_step.clear();
}

void quiet_repeats_step(const QString &step)
{
    quiet_step = step;
}

void quiet_repeats_end()
{
    quiet = false;
}

void quiet_repeats_forget()
{
    shown_during_identification.clear();
}

MutedBoxes::MutedBoxes() : was_muted(muted)
{
    muted = true;
}

MutedBoxes::~MutedBoxes()
{
    muted = was_muted;
}
