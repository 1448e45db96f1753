#ifndef TRACE_CAPTURE_H
#define TRACE_CAPTURE_H

#include <QStringList>

// Collects the lines one logging category prints while the capture lives (or
// until stop()), in place of printing them; the lines stay readable after.
// One capture at a time: the message handler is a plain function.
class TraceCapture
{
public:
    // `on`: the category's debug output is switched on for the capture and
    // off again after it; otherwise it stays as it is until switch_on().
    explicit TraceCapture(const char *category, bool on = true);
    ~TraceCapture();
    TraceCapture(const TraceCapture &) = delete;
    TraceCapture &operator=(const TraceCapture &) = delete;

    void switch_on();
    void stop();
    const QStringList &lines() const;
    QString text() const { return lines().join('\n'); }
};

#endif // TRACE_CAPTURE_H
