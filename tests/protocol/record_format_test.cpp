// Reading and writing a session's recording.

#include <QtTest>
#include <algorithm>

#include "app/record_format.h"

class RecordFormatTest : public QObject
{
    Q_OBJECT
private slots:
    void reads_the_recording_out_of_a_log()
    {
        const auto parsed = record_format::parse(
            "09:30:00 starting\n"
            "orv.record: orv-record header format=1 program=orvctl version=1.4.0 qt=6.4.2 hidapi=0.13.1 "
            "vendor=1FC9 product=0087 software=included\r\n"
            "09:30:01 not part of it: orv-record\n"
            "orv.record: orv-record out t=12 r=CQE\n"
            "orv-record box t=30 title=Error! text=a%20b%0A%D0%96\n");
        QVERIFY2(parsed.ok, parsed.error.c_str());
        QVERIFY(parsed.recording.header.program == "orvctl" && parsed.recording.header.vendor == 0x1FC9
                && parsed.recording.header.software_included);
        QCOMPARE(parsed.recording.events.size(), std::size_t(2));
        const record_format::Event &out = parsed.recording.events[0];
        QCOMPARE(out.kind + " " + std::to_string(out.t) + " " + out.get("r") + " line " + std::to_string(out.line),
                 std::string("out 12 CQE line 4"));
        QCOMPARE(parsed.recording.events[1].get("text"), std::string("a b\n\xD0\x96"));
    }

    void refuses_another_format_naming_both_versions()
    {
        const auto parsed = record_format::parse("orv-record header format=2 vendor=1fc9 product=0087\n");
        QVERIFY(!parsed.ok);
        QCOMPARE(parsed.error,
                 std::string("a recording of format 2; this program reads format 1: it was made by a newer program"));
    }

    void values_come_back_through_their_escapes()
    {
        record_format::Event written;
        written.kind = "request";
        written.t = 5;
        written.set("body", "{\"k\": \"\xC3\xA9 100%\"}\r\n\t");
        written.set("type", "");
        const std::string line = record_format::event_line(written);
        QCOMPARE(int(std::count(line.begin(), line.end(), ' ')), 4);  // kind, t and two fields
        const auto parsed = record_format::parse(record_format::header_line({}) + "\n" + line);
        QVERIFY2(parsed.ok, parsed.error.c_str());
        QVERIFY(parsed.recording.events.at(0).fields == written.fields);
        std::string value;
        QVERIFY(!record_format::percent_decode("a%4", &value));
    }
};

#include "record_format_test.moc"
QObject *make_record_format_test() { return new RecordFormatTest; }
