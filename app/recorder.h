#ifndef RECORDER_H
#define RECORDER_H

#include <QByteArray>
#include <QString>
#include <functional>
#include <string>

// Records a session for a bug report and for replay (the format: app/record_format.h):
// every packet of every exchange both ways, each open, drop, missed answer and
// exchange end, every server request and reply, and every box shown. The device's
// serial number and key leave only as pseudonyms, the chip software only as its
// length, SHA-256 and checksum unless it is asked for. Idle until started; a face
// starts it with where the lines go.
namespace recorder {

struct Options {
    QString program;                // "orv", "orvctl"
    bool include_software = false;  // the software file's bytes in the recording
};

// Each line of the recording, without its line end.
using Sink = std::function<void(const std::string &line)>;

// Writes the header and records from now on.
void start(const Sink &sink, const Options &options);
// Writes what is still held (an exchange without its end) and records nothing more.
void stop();
bool active();

// The sequences tell it what happens.
void device_opened();
void device_dropped();
void packet_out(const QByteArray &packet, const QByteArray &report_text, bool written);
void packet_in(const QByteArray &packet, const QByteArray &report_text);
void answer_missed();
void exchange_ended(bool ok);
void request(bool post, const QString &path_and_query, const QByteArray &token, const QByteArray &type,
             const QByteArray &body);
// status 0: no HTTP reply, `error` says why. `software`: the body is the chip software.
void reply(int status, const QByteArray &type, const QByteArray &body, bool software, const QString &error);
void box(const char *title, const char *text);

} // namespace recorder

#endif // RECORDER_H
