#include "server/catalogue_list.h"

#include <QHash>
#include <algorithm>

#include "app/shown_text.h"
#include "server/api.h"

SortedChoices sorted_choices(const QStringList &titles)
{
    // Equal titles all lead to the first of them in server order.
    QHash<QString, int> first;
    first.reserve(titles.size());
    for (int i = titles.size() - 1; i >= 0; --i)
        first.insert(titles.at(i), i);

    QVector<int> order(titles.size());
    for (int i = 0; i < order.size(); ++i)
        order[i] = i;
    // QString's operator< compares UTF-16 code units.
    std::sort(order.begin(), order.end(), [&titles](int a, int b) { return titles.at(a) < titles.at(b); });

    SortedChoices choices;
    choices.texts.reserve(order.size());
    choices.positions.reserve(order.size());
    for (int i : qAsConst(order)) {
        choices.texts << shown_text(titles.at(i));
        choices.positions << first.value(titles.at(i));
    }
    return choices;
}

CatalogueList read_catalogue_list(ListKind kind, const QByteArray &body)
{
    const QJsonValue result = api::result_of(body);
    const QList<api::Item> items = kind == ListKind::Brands   ? api::brands(result)
                                   : kind == ListKind::Models ? api::models(result)
                                                              : api::engines(result);
    CatalogueList list;
    list.ids.reserve(items.size());
    list.titles.reserve(items.size());
    for (const api::Item &item : items) {
        list.ids << item.id;
        list.titles << item.title;
    }
    if (kind != ListKind::Engines) {
        list.choices = sorted_choices(list.titles);
        return list;
    }
    list.power.reserve(items.size());
    list.torque.reserve(items.size());
    list.items.reserve(items.size());
    for (const api::Item &item : items) {
        list.power << item.power;
        list.torque << item.torque;
        list.items << api::engine_text(item.title, item.power, item.torque);
    }
    list.choices = sorted_choices(list.items);
    return list;
}
