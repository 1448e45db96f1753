#include "trace_capture.h"

#include <QLoggingCategory>

namespace {

QByteArray captured_category;
QStringList captured_lines;
QtMessageHandler previous_handler = nullptr;
bool capturing = false;
bool switched_on = false;

void capture(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (captured_category == context.category)
        captured_lines << text;
    else if (previous_handler)
        previous_handler(type, context, text);
}

} // namespace

TraceCapture::TraceCapture(const char *category, bool on)
{
    captured_category = category;
    captured_lines.clear();
    previous_handler = qInstallMessageHandler(capture);
    capturing = true;
    if (on)
        switch_on();
}

TraceCapture::~TraceCapture()
{
    stop();
}

void TraceCapture::switch_on()
{
    QLoggingCategory::setFilterRules(QString::fromLatin1(captured_category + ".debug=true"));
    switched_on = true;
}

void TraceCapture::stop()
{
    if (!capturing)
        return;
    if (switched_on)
        QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous_handler);
    capturing = switched_on = false;
}

const QStringList &TraceCapture::lines() const
{
    return captured_lines;
}
