// A server reply body: text up to a zero byte, JSON, its "result", and what is
// read from it: the configuration count, whole numbers, the settings record.

#include <QJsonObject>
#include <QRegularExpression>
#include <climits>
#include <cmath>

#include "device/decode.h"
#include "fuzz_support.h"
#include "server/api.h"

namespace {

bool whole_number_form(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^-?(0|[1-9][0-9]*)$"));
    return form.match(text).hasMatch() && text != QLatin1String("-0");
}

void check_number(const QJsonValue &value)
{
    const QString text = api::whole_number_text(value);
    REQUIRE(whole_number_form(text), "a whole number is written as digits", text);
    const int count = api::count(value);
    if (!value.isDouble()) {
        REQUIRE(text == QLatin1String("0") && count == 0, "what is not a number reads as 0");
        return;
    }
    const double number = value.toDouble();
    REQUIRE(std::fabs(text.toDouble() - number) <= 0.5, "the whole number is the nearest one",
            QStringLiteral("%1 -> %2").arg(number, 0, 'g', 17).arg(text));
    if (number >= INT_MAX)
        REQUIRE(count == INT_MAX, "a count above the int range saturates");
    else if (number <= INT_MIN)
        REQUIRE(count == INT_MIN, "a count below the int range saturates");
    else
        REQUIRE(std::fabs(count - number) <= 0.5, "the count is the nearest whole number",
                QStringLiteral("%1 -> %2").arg(number, 0, 'g', 17).arg(count));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body = fuzz::input_bytes(data, size);

    const QString text = decode::text(body);
    REQUIRE(!text.contains(QChar(0)), "body text ends at the first zero byte");
    const int zero = body.indexOf('\0');
    const QByteArray before = zero < 0 ? body : body.left(zero);
    REQUIRE(text == decode::text(before), "nothing after a zero byte is read");

    const QJsonValue result = api::result_of(body);
    REQUIRE(result == api::result_of(before + QByteArray("\0{\"result\":1}", 14)),
            "a zero byte ends the body whatever follows");
    check_number(result);

    const QJsonObject object = result.toObject();
    const api::SettingsRecord record = api::settings_record(result);
    const QJsonValue id = object.value(QStringLiteral("id"));
    const QJsonValue software = object.value(QStringLiteral("softwareId"));
    const QString software_id = software.toString();
    REQUIRE(record.valid == (id.isDouble() && software.isString() && !software_id.isEmpty()
                             && software_id != QLatin1String(".") && software_id != QLatin1String("..")),
            "a settings record needs a numeric id and a software id that is no dot segment");
    REQUIRE(record.id == api::whole_number_text(id), "the record's id is a whole number");
    REQUIRE(record.software_id == (software.isString() ? software.toString() : QString()),
            "the software id is a string or empty");
    check_number(id);
    return 0;
}
