// A session's recording: any text parses to a recording or to an error, never both; a
// recording written out again reads back the same; the stand-in for chip software has
// the length and byte sum it was asked for.

#include <string>

#include "app/record_format.h"
#include "fuzz_support.h"

namespace {

QString text_of(const std::string &s) { return fuzz::hex(QByteArray::fromStdString(s)); }

void round_trip(const record_format::Recording &first)
{
    std::string text = record_format::header_line(first.header) + "\n";
    for (const record_format::Event &e : first.events)
        text += record_format::event_line(e) + "\n";
    const record_format::Parsed again = record_format::parse(text);
    REQUIRE(again.ok, "a recording written out reads back", QString::fromStdString(again.error));
    const record_format::Header &a = first.header;
    const record_format::Header &b = again.recording.header;
    REQUIRE(a.format == b.format && a.program == b.program && a.program_version == b.program_version
                && a.qt == b.qt && a.hidapi == b.hidapi && a.vendor == b.vendor && a.product == b.product
                && a.software_included == b.software_included,
            "the header reads back the same", text_of(record_format::header_line(a)));
    REQUIRE(first.events.size() == again.recording.events.size(), "every event reads back", text_of(text));
    for (std::size_t i = 0; i < first.events.size(); ++i) {
        const record_format::Event &x = first.events[i];
        const record_format::Event &y = again.recording.events[i];
        REQUIRE(x.kind == y.kind && x.t == y.t && x.fields == y.fields, "an event reads back the same",
                text_of(record_format::event_line(x)) + QStringLiteral(" -> ") + text_of(record_format::event_line(y)));
        REQUIRE(y.line == int(i) + 2, "an event keeps its line", QString::number(y.line));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    const record_format::Parsed parsed = record_format::parse(text);
    REQUIRE(parsed.ok == parsed.error.empty(), "a recording or an error, not both",
            QString::fromStdString(parsed.error));
    if (parsed.ok)
        round_trip(parsed.recording);

    // The stand-in, sized and summed by the input's first bytes; some sums are out of reach.
    fuzz::Reader in(data, size);
    const std::size_t length = std::size_t(in.u16()) % 4097;
    const std::uint64_t wanted = (std::uint64_t(in.u16()) << 16 | std::uint64_t(in.u16())) % (255 * length + 2);
    const std::string bytes = record_format::stand_in_software(length, wanted);
    if (wanted > 255 * length) {
        REQUIRE(bytes.empty(), "no stand-in for a sum out of reach", QString::number(bytes.size()));
        return 0;
    }
    std::uint64_t sum = 0;
    for (const char c : bytes)
        sum += static_cast<unsigned char>(c);
    REQUIRE(bytes.size() == length && sum == wanted, "the stand-in has the length and sum asked for",
            QStringLiteral("length %1 sum %2, asked %3 and %4").arg(bytes.size()).arg(sum).arg(length).arg(wanted));
    REQUIRE(bytes == record_format::stand_in_software(length, wanted), "the same stand-in every time");
    return 0;
}
