#include "app/combo_items.h"

#include <QComboBox>
#include <algorithm>

void show_placeholder_only(QComboBox *box, const QString &placeholder)
{
    box->clear();
    box->insertItem(0, placeholder);
    box->setItemData(0, int(Qt::AlignCenter), Qt::TextAlignmentRole);
}

void show_sorted_items(QComboBox *box, const QString &placeholder, const QStringList &titles)
{
    QStringList sorted = titles;
    // QString's operator< compares UTF-16 code units.
    std::sort(sorted.begin(), sorted.end());
    box->clear();
    box->insertItem(0, placeholder);
    box->insertItems(1, sorted);
    for (int i = 0; i < box->count(); ++i)
        box->setItemData(i, int(Qt::AlignCenter), Qt::TextAlignmentRole);
}
