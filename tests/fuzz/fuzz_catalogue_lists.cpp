// The brand, model and engine lists of a reply body.

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include "fuzz_support.h"
#include "server/api.h"
#include "server/catalogue_list.h"

namespace {

bool whole_number_form(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^-?(0|[1-9][0-9]*)$"));
    return form.match(text).hasMatch();
}

QString string_member(const QJsonObject &object, const char *name)
{
    const QJsonValue value = object.value(QLatin1String(name));
    return value.isString() ? value.toString() : QString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QJsonValue result = api::result_of(fuzz::input_bytes(data, size));
    const QJsonValue items = result.toObject().value(QStringLiteral("items"));
    const QJsonArray array = items.toArray();

    const QList<api::Item> brands = api::brands(result);
    const QList<api::Item> models = api::models(result);
    const QList<api::Item> engines = api::engines(result);
    REQUIRE(brands.size() == array.size() && models.size() == array.size() && engines.size() == array.size(),
            "one item per element of \"items\", none without it");

    for (int i = 0; i < array.size(); ++i) {
        const QJsonObject element = array.at(i).toObject();
        const QString title = string_member(element, "title");
        REQUIRE(brands[i].title == title && models[i].title == title && engines[i].title == title,
                "a title is a JSON string or empty");
        REQUIRE(whole_number_form(brands[i].id), "a brand id is a whole number", brands[i].id);
        REQUIRE(models[i].id == string_member(element, "id") && engines[i].id == models[i].id,
                "model and engine ids are JSON strings or empty");
        REQUIRE(whole_number_form(engines[i].power) && whole_number_form(engines[i].torque),
                "power and torque are whole numbers", engines[i].power + QLatin1Char('/') + engines[i].torque);
    }

    // What the engine box shows: every engine once, sorted, each leading to the
    // first engine of its text.
    const CatalogueList list = read_catalogue_list(ListKind::Engines, fuzz::input_bytes(data, size));
    REQUIRE(list.choices.texts.size() == array.size() && list.choices.positions.size() == array.size(),
            "one choice per engine");
    for (int i = 0; i < array.size(); ++i) {
        const int position = list.choices.positions.at(i);
        REQUIRE(position >= 0 && position < array.size() && list.items.indexOf(list.items.at(position)) == position,
                "a choice leads to the first engine of its text");
        REQUIRE(i == 0 || !(list.items.at(position) < list.items.at(list.choices.positions.at(i - 1))),
                "choices sorted by UTF-16 code units");
    }
    return 0;
}
