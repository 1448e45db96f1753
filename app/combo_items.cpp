#include "app/combo_items.h"

#include <QComboBox>
#include <QHash>
#include <QStandardItemModel>
#include <algorithm>

#include "app/shown_text.h"

namespace {

constexpr int position_role = Qt::UserRole;

QStandardItem *centred_item(const QString &text, int position)
{
    auto *item = new QStandardItem(text);
    item->setData(int(Qt::AlignCenter), Qt::TextAlignmentRole);
    item->setData(position, position_role);
    return item;
}

// The box's own model: every item goes in with one insertion.
void fill(QComboBox *box, const QList<QStandardItem *> &items)
{
    box->clear();
    auto *model = qobject_cast<QStandardItemModel *>(box->model());
    if (model) {
        model->invisibleRootItem()->appendRows(items);
        return;
    }
    for (QStandardItem *item : items) {
        box->addItem(item->text(), item->data(position_role));
        box->setItemData(box->count() - 1, int(Qt::AlignCenter), Qt::TextAlignmentRole);
        delete item;
    }
}

} // namespace

void show_placeholder_only(QComboBox *box, const QString &placeholder)
{
    fill(box, {centred_item(placeholder, -1)});
}

void show_sorted_items(QComboBox *box, const QString &placeholder, const QStringList &titles)
{
    // Equal titles all lead to the first of them in server order.
    QHash<QString, int> first;
    first.reserve(titles.size());
    for (int i = titles.size() - 1; i >= 0; --i)
        first.insert(titles.at(i), i);

    QStringList sorted = titles;
    // QString's operator< compares UTF-16 code units.
    std::sort(sorted.begin(), sorted.end());

    QList<QStandardItem *> items;
    items.reserve(sorted.size() + 1);
    items << centred_item(placeholder, -1);
    for (const QString &title : qAsConst(sorted))
        items << centred_item(shown_text(title), first.value(title));
    fill(box, items);
}

int chosen_position(const QComboBox *box)
{
    if (box->currentIndex() <= 0)
        return -1;
    const QVariant position = box->currentData(position_role);
    return position.isValid() ? position.toInt() : -1;
}
