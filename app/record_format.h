#ifndef RECORD_FORMAT_H
#define RECORD_FORMAT_H

// A recording of a session: what went between the program, the device and the API
// server, as lines of text a person can read and a replay tool can run again.
//
// Every line begins with the marker "orv-record", wherever the line itself begins (a
// log line may carry a prefix before it); lines without the marker are not part of the
// recording. After the marker: a kind, then fields `name=value` separated by spaces.
// A value is percent-encoded: '%', space, control and non-ASCII bytes as %XX.
//
//   orv-record header format=1 program=orvctl version=1.4.0 qt=6.4.2 hidapi=0.13.1 vendor=1fc9 product=0087 software=digest
//   orv-record open t=0
//   orv-record out t=12 r=CQE            a host packet: its report text (base64, no padding)
//   orv-record in t=64 r=AQEAAww          a device packet
//   orv-record miss t=1100                the answer never came (the exchange timed out)
//   orv-record end t=1100 ok=0            the exchange ended
//   orv-record drop t=1200                the device was let go
//   orv-record request t=1300 method=GET path=/api/v1/... token=... type=... body=...
//   orv-record reply t=1350 status=200 type=application/json body=...
//   orv-record reply t=1400 status=200 type=application/octet-stream length=32768 sha256=... checksum=1234567
//   orv-record reply t=1500 status=0 error=...   no HTTP reply (a time-out, a refused connection)
//   orv-record box t=1600 title=Error! text=...
//
// t is milliseconds since the recording began: never a clock time. Plain C++: the
// replay tools read it without Qt.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace record_format {

constexpr int version = 1;
constexpr const char *marker = "orv-record";

struct Header {
    int format = version;
    std::string program;          // "orv", "orvctl"
    std::string program_version;
    std::string qt;
    std::string hidapi;
    int vendor = 0;               // USB ids of the device the program looks for
    int product = 0;
    bool software_included = false;  // the chip software's bytes are in the replies
};

struct Event {
    std::string kind;             // open, drop, out, in, miss, end, request, reply, box
    std::int64_t t = 0;           // ms since the recording began
    std::vector<std::pair<std::string, std::string>> fields;  // decoded values, in order
    int line = 0;                 // line of the text it came from (1 = first; 0 = made)

    std::string get(const std::string &name) const;  // "" when absent
    bool has(const std::string &name) const;
    void set(const std::string &name, const std::string &value);
};

struct Recording {
    Header header;
    std::vector<Event> events;
};

struct Parsed {
    bool ok = false;
    std::string error;            // why not, with the line number
    Recording recording;
};

// The known kinds, in no order; an unknown kind in a recording of this version is an error.
bool known_kind(const std::string &kind);

std::string header_line(const Header &header);
std::string event_line(const Event &event);

// Reads a recording out of `text`: lines without the marker are skipped. A recording of
// another format version is refused with a message that names both versions.
Parsed parse(const std::string &text);

std::string percent_encode(const std::string &value);
// false for a '%' not followed by two hex digits.
bool percent_decode(const std::string &text, std::string *value);

// The stand-in for chip software that is not in the recording: `length` bytes whose
// sum is `byte_sum` (so the device message carries the same checksum), made the same
// way every time from these two numbers alone. Empty when no such bytes exist
// (byte_sum > 255 * length).
std::string stand_in_software(std::size_t length, std::uint64_t byte_sum);

} // namespace record_format

#endif // RECORD_FORMAT_H
