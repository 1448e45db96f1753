// The vehicle catalogue: brand, model and engine in three cascading boxes, filled
// from the server (server/catalogue_replies.cpp). Titles map back to server ids
// through the parallel lists; duplicate titles resolve to the first in server order.

#include <QAbstractItemView>
#include <QComboBox>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/combo_items.h"
#include "app/mainwindow.h"
#include "app/session.h"
#include "app/sequence_guard.h"
#include "server/catalogue_list.h"
#include "server/server_state.h"
#include "ui_mainwindow.h"

// A list is in: the box of its level shows it.
void MainWindow::show_list(ListKind kind, CatalogueList &list)
{
    switch (kind) {
    case ListKind::Brands: show_choices(ui->comboBox_marka, QStringLiteral("BRAND"), list.choices); break;
    case ListKind::Models: show_choices(ui->comboBox_model, QStringLiteral("MODEL"), list.choices); break;
    case ListKind::Engines: show_choices(ui->comboBox_model_exactly, QStringLiteral("ENGINE"), list.choices); break;
    }
}

namespace {

// What each box showed when its last change was taken: a change refused
// because another sequence runs is undone, so no box shows a choice whose
// list never came.
int marka_taken = 0;
int model_taken = 0;

bool refuse_change(QComboBox *box, int taken)
{
    if (!SequenceGuard::busy())
        return false;
    const QSignalBlocker quiet(box);
    box->setCurrentIndex(taken);
    return true;
}

// The server-order position of the chosen item, by its text when it has none.
int position_of(const QComboBox *box, const QStringList &titles, const QString &text)
{
    const int position = chosen_position(box);
    return position >= 0 ? position : titles.indexOf(text);
}

} // namespace

void MainWindow::marka_changed(QString marka_sel)
{
    const bool placeholder = marka_sel.isEmpty() || marka_sel == QLatin1String("BRAND");
    if (!placeholder && refuse_change(ui->comboBox_marka, marka_taken))
        return;
    marka_taken = ui->comboBox_marka->currentIndex();
    if (!marka_sel.isEmpty()) {
        show_placeholder_only(ui->comboBox_model, QStringLiteral("MODEL"));
        show_placeholder_only(ui->comboBox_model_exactly, QStringLiteral("ENGINE"));
    }
    if (placeholder)
        return;
    const QString id = marka_ids.value(position_of(ui->comboBox_marka, marka_titles, marka_sel));
    if (!session::catalogue_id_usable(id))
        return;
    SequenceGuard guard;
    disable_widgets();
    // A request that timed out leaves no handler to unlock the window.
    if (!session::request_models(id))
        enable_widgets();
}

void MainWindow::model_changed(QString model_sel)
{
    const bool placeholder = model_sel.isEmpty() || model_sel == QLatin1String("MODEL");
    if (!placeholder && refuse_change(ui->comboBox_model, model_taken))
        return;
    model_taken = ui->comboBox_model->currentIndex();
    if (placeholder)
        return;
    show_placeholder_only(ui->comboBox_model_exactly, QStringLiteral("ENGINE"));
    const QString id = model_ids.value(position_of(ui->comboBox_model, model_titles, model_sel));
    if (!session::catalogue_id_usable(id))
        return;
    SequenceGuard guard;
    disable_widgets();
    if (!session::request_engines(id))
        enable_widgets();
}

namespace {

// Opens or closes a vehicle box's list. The flag follows the list itself, so a
// list closed by choosing an item or clicking elsewhere opens on the next click.
// A disabled box (a request or an installation runs) does not open.
void toggle_popup(QComboBox *box, bool &popup_flag)
{
    const bool open = box->view()->isVisible();
    if (!open && box->isEnabled()) {
        box->showPopup();
        popup_flag = true;
    } else {
        box->hidePopup();
        popup_flag = false;
    }
}

} // namespace

void MainWindow::on_pushButton_marka_clicked()
{
    toggle_popup(ui->comboBox_marka, marka_popup);
}

void MainWindow::on_pushButton_model_clicked()
{
    toggle_popup(ui->comboBox_model, model_popup);
}

void MainWindow::on_pushButton_model_exactly_clicked()
{
    toggle_popup(ui->comboBox_model_exactly, model_exactly_popup);
}
