#include "server/catalogue_list.h"

#include <QJsonArray>
#include <algorithm>
#include <iterator>
#include <numeric>
#include <system_error>
#include <thread>

#include "app/shown_text.h"
#include "server/api.h"

namespace {

// Positions begin..end-1 ordered by their keys. QString's operator< compares
// UTF-16 code units; the sort is stable, so equal keys stay in server order.
QVector<int> sorted_order(const QStringList &keys, int begin, int end)
{
    QVector<int> order(end - begin);
    std::iota(order.begin(), order.end(), begin);
    std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) { return keys.at(a) < keys.at(b); });
    return order;
}

// The first of a run of equal keys leads the whole run.
SortedChoices choices_in(const QStringList &keys, const QVector<int> &order)
{
    SortedChoices choices;
    choices.texts.reserve(order.size());
    choices.positions.reserve(order.size());
    int first = -1;
    for (int i = 0; i < order.size(); ++i) {
        const QString &key = keys.at(order.at(i));
        if (i == 0 || key != keys.at(order.at(i - 1)))
            first = order.at(i);
        choices.texts << shown_text(key);
        choices.positions << first;
    }
    return choices;
}

// The elements begin..end-1, read into `list` (its choices left empty) with
// their positions in shown order.
QVector<int> read_part(ListKind kind, const QJsonArray &elements, int begin, int end, CatalogueList &list)
{
    const int size = end - begin;
    list.ids.reserve(size);
    list.titles.reserve(size);
    if (kind != ListKind::Engines) {
        const auto read = kind == ListKind::Brands ? api::brand : api::model;
        for (int i = begin; i < end; ++i) {
            api::Item item = read(elements.at(i));
            list.ids << std::move(item.id);
            list.titles << std::move(item.title);
        }
        return sorted_order(list.titles, 0, size);
    }
    list.power.reserve(size);
    list.torque.reserve(size);
    list.items.reserve(size);
    for (int i = begin; i < end; ++i) {
        api::Item item = api::engine(elements.at(i));
        list.items << api::engine_text(item.title, item.power, item.torque);
        list.ids << std::move(item.id);
        list.titles << std::move(item.title);
        list.power << std::move(item.power);
        list.torque << std::move(item.torque);
    }
    return sorted_order(list.items, 0, size);
}

} // namespace

CatalogueList read_catalogue_list(ListKind kind, const QByteArray &body)
{
    const QJsonArray elements = api::list_items(api::result_of(body));
    // A long list is read and sorted in two halves side by side, then merged.
    int half = elements.size() >= 2000 ? elements.size() / 2 : elements.size();
    CatalogueList list;
    CatalogueList second;
    QVector<int> second_order;
    std::thread other;
    if (half < elements.size()) {
        try {
            other = std::thread([&, half] { second_order = read_part(kind, elements, half, elements.size(), second); });
        } catch (const std::system_error &) {
            half = elements.size();   // no thread to be had: all of it here
        }
    }
    const QVector<int> first_order = read_part(kind, elements, 0, half, list);
    if (other.joinable()) {
        other.join();
        list.ids << second.ids;
        list.titles << second.titles;
        list.power << second.power;
        list.torque << second.torque;
        list.items << second.items;
        for (int &position : second_order)
            position += half;
    }
    const QStringList &keys = kind == ListKind::Engines ? list.items : list.titles;
    QVector<int> order;
    order.reserve(elements.size());
    // A merge keeps the first half's equal keys ahead of the second's.
    std::merge(first_order.begin(), first_order.end(), second_order.begin(), second_order.end(),
               std::back_inserter(order), [&keys](int a, int b) { return keys.at(a) < keys.at(b); });
    list.choices = choices_in(keys, order);
    return list;
}
