#include "app/combo_items.h"

#include <QAbstractListModel>
#include <QComboBox>

#include "server/catalogue_list.h"

namespace {

constexpr int position_role = Qt::UserRole;

// The placeholder's position is -1.
class ChoiceModel : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : texts.size(); }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= texts.size())
            return {};
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return texts.at(index.row());
        case Qt::TextAlignmentRole:
            return int(Qt::AlignCenter);
        case position_role:
            return positions.at(index.row());
        default:
            return {};
        }
    }

    void replace(QStringList new_texts, QVector<int> new_positions)
    {
        beginResetModel();
        texts.swap(new_texts);
        positions.swap(new_positions);
        endResetModel();
    }

private:
    QStringList texts;
    QVector<int> positions;
};

// The box's list, put in place the first time the box is filled; the box then
// shows its first item, the placeholder.
void fill(QComboBox *box, QStringList texts, QVector<int> positions)
{
    auto *model = dynamic_cast<ChoiceModel *>(box->model());
    if (!model) {
        model = new ChoiceModel(box);
        box->setModel(model);
    }
    model->replace(std::move(texts), std::move(positions));
    box->setCurrentIndex(0);
}

} // namespace

void show_placeholder_only(QComboBox *box, const QString &placeholder)
{
    fill(box, {placeholder}, {-1});
}

void show_choices(QComboBox *box, const QString &placeholder, const SortedChoices &choices)
{
    QStringList texts;
    texts.reserve(choices.texts.size() + 1);
    texts << placeholder << choices.texts;
    QVector<int> positions;
    positions.reserve(choices.positions.size() + 1);
    positions << -1 << choices.positions;
    fill(box, std::move(texts), std::move(positions));
}

int chosen_position(const QComboBox *box)
{
    if (box->currentIndex() <= 0)
        return -1;
    const QVariant position = box->currentData(position_role);
    return position.isValid() ? position.toInt() : -1;
}
