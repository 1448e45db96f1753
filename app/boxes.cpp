#include "app/boxes.h"

#include <QCoreApplication>
#include <QSet>
#include <QString>

#include "app/logging.h"
#include "app/recorder.h"
#include "app/session_face.h"

namespace {

bool quiet = false;
bool muted = false;
bool closed = false;
QString quiet_step;
QSet<QString> shown_during_identification;

// Whether a box may be shown now: when the face lets it come, not while muted, and
// during a failing identification only the first time for its step.
bool may_show(const char *title, const char *text)
{
    if (!session::view().box_may_come(text))
        return false;
    if (closed) {
        qCDebug(orv_app) << "box after the window closed, not shown:" << text;
        return false;
    }
    if (muted) {
        qCDebug(orv_app) << "box muted:" << text;
        return false;
    }
    if (quiet) {
        const QString key = quiet_step + QLatin1Char('\n') + QLatin1String(title) + QLatin1Char('\n') + QLatin1String(text);
        if (shown_during_identification.contains(key)) {
            qCDebug(orv_app) << "box shown before for this device, not again:" << text;
            return false;
        }
        shown_during_identification.insert(key);
    }
    return true;
}

} // namespace

QString box_detail(const char *informative, const QStringList &arguments)
{
    QString detail = QCoreApplication::translate("MainWindow", informative);
    const QString first = arguments.value(0), second = arguments.value(1), third = arguments.value(2);
    switch (arguments.size()) {
    case 0: break;
    case 1: detail = detail.arg(first); break;
    case 2: detail = detail.arg(first, second); break;
    default: detail = detail.arg(first, second, third); break;
    }
    return detail;
}

void show_box(const char *title, const char *text)
{
    if (may_show(title, text)) {
        recorder::box(title, text);
        session::view().box(title, text, nullptr, QStringList());
    }
}

void show_box(const char *title, const char *text, const char *informative, const QStringList &arguments)
{
    if (!informative) {
        show_box(title, text);
        return;
    }
    if (may_show(title, text)) {
        recorder::box(title, text);
        session::view().box(title, text, informative, arguments);
    }
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

void close_boxes()
{
    closed = true;
}

void open_boxes()
{
    closed = false;
}

bool boxes_muted()
{
    return muted;
}

MutedBoxes::MutedBoxes() : was_muted(muted)
{
    muted = true;
}

MutedBoxes::~MutedBoxes()
{
    muted = was_muted;
}
