// The engine display text from any title, power and torque, its split, and the
// lookup in lists of any content.

#include <QStringList>

#include "fuzz_support.h"
#include "server/api.h"

namespace {

// A string field of the input; its first byte says whether it is UTF-8 or raw
// UTF-16 code units (lone surrogates included).
QString text_field(fuzz::Reader &in)
{
    const bool utf16 = in.flag();
    const fuzz::Exact field = in.field();
    const QByteArray bytes = field.bytes();
    if (!utf16)
        return QString::fromUtf8(bytes);
    return QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Reader in(data, size);
    const QString title = text_field(in);
    const QString power = text_field(in);
    const QString torque = text_field(in);

    const QString text = api::engine_text(title, power, torque);
    REQUIRE(text == title + QLatin1Char(' ') + power + QLatin1String("HP ") + torque + QLatin1String("NM"),
            "title, power HP, torque NM, single blanks between");
    const api::EngineKey key = api::split_engine_text(text);
    if (!power.contains(QLatin1Char(' ')) && !torque.contains(QLatin1Char(' ')))
        REQUIRE(key.title == title && key.power == power && key.torque == torque,
                "a display text splits back when power and torque have no blank", text);

    // Any text: fewer than three parts give nothing; else a text whose last two
    // parts carry the units is rebuilt exactly.
    const QString other = text_field(in);
    const api::EngineKey split = api::split_engine_text(other);
    const QStringList parts = other.split(QLatin1Char(' '));
    if (parts.size() < 3)
        REQUIRE(split.title.isEmpty() && split.power.isEmpty() && split.torque.isEmpty(),
                "fewer than three parts give three empty values", other);
    else if (parts[parts.size() - 2].endsWith(QLatin1String("HP")) && parts.last().endsWith(QLatin1String("NM")))
        REQUIRE(api::engine_text(split.title, split.power, split.torque) == other,
                "a split text is rebuilt by the display format", other);

    // Lists of any length and content, with the key among them or not.
    QStringList titles;
    QStringList powers;
    QStringList torques;
    while (in.remaining() > 0 && titles.size() < 64) {
        const int pick = in.byte();
        titles << (pick & 1 ? key.title : text_field(in));
        powers << (pick & 2 ? key.power : text_field(in));
        if (pick & 4)
            torques << (pick & 8 ? key.torque : text_field(in));
    }
    const int found = api::find_engine(key, titles, powers, torques);
    const int n = qMin(titles.size(), qMin(powers.size(), torques.size()));
    int first = -1;
    for (int i = 0; i < n && first < 0; ++i)
        if (titles[i] == key.title && powers[i] == key.power && torques[i] == key.torque)
            first = i;
    REQUIRE(found == first, "the first index where all three lists match, within the shortest list",
            QStringLiteral("found %1, expected %2").arg(found).arg(first));
    return 0;
}
