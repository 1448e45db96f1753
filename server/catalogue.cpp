// The vehicle catalogue: brand, model and engine in three cascading boxes,
// filled from the server. Titles map back to server ids through the parallel
// lists; duplicate titles resolve to the first in server order.

#include <QAbstractItemView>
#include <QComboBox>
#include <QFutureWatcher>
#include <QPushButton>
#include <QSignalBlocker>
#include <QtConcurrent/QtConcurrentRun>

#include "app/combo_items.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/sequence_guard.h"
#include "server/api.h"
#include "server/catalogue_list.h"
#include "server/reply_checks.h"
#include "server/server_state.h"
#include "ui_mainwindow.h"

// The frame of the three list handlers: on an error the level's box and the
// window unlocked; otherwise the reply read into a list (`read_catalogue_list`)
// on a worker thread and then put in place (`apply`). A list of thousands takes
// some milliseconds to read and sort; meanwhile the window stays live, and the
// sequence that asked waits until the box is filled (one request waits at a
// time, so one list is read at a time). A window that is gone by then takes
// nothing.
void MainWindow::finish_list_reply(QPointer<QNetworkReply> &holder, const char *error_text, bool unlock_after_fill,
                                   ListKind kind, const std::function<void(CatalogueList &)> &apply)
{
    QNetworkReply *reply = take_reply(holder);
    if (!reply)
        return;
    if (reply_failed(reply)) {
        show_box("Error!", error_text);
        enable_widgets();
        finish_reply(reply);
        return;
    }
    const QPointer<QNetworkReply> pending(reply);
    auto *watcher = new QFutureWatcher<CatalogueList>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, apply, unlock_after_fill, pending] {
        CatalogueList list = watcher->result();
        watcher->deleteLater();
        apply(list);
        // Identification asks for the brands without locking the window first.
        if (unlock_after_fill)
            enable_widgets();
        finish_reply(pending);
    });
    watcher->setFuture(QtConcurrent::run(read_catalogue_list, kind, reply->readAll()));
}

void MainWindow::finishedSlot_marks()
{
    finish_list_reply(reply_marks, QT_TR_NOOP("Server error!"), false, ListKind::Brands, [this](CatalogueList &list) {
        marka_ids.swap(list.ids);
        marka_titles.swap(list.titles);
        show_choices(ui->comboBox_marka, QStringLiteral("BRAND"), list.choices);
    });
}

void MainWindow::finishedSlot_models()
{
    finish_list_reply(reply_models, QT_TR_NOOP("Server connection error!"), true, ListKind::Models,
                      [this](CatalogueList &list) {
                          model_ids.swap(list.ids);
                          model_titles.swap(list.titles);
                          show_choices(ui->comboBox_model, QStringLiteral("MODEL"), list.choices);
                      });
}

void MainWindow::finishedSlot_modifications()
{
    finish_list_reply(reply_modifications, QT_TR_NOOP("Server connection error!"), true, ListKind::Engines,
                      [this](CatalogueList &list) {
                          modif_ids.swap(list.ids);
                          modif_titles.swap(list.titles);
                          modif_power.swap(list.power);
                          modif_moment.swap(list.torque);
                          modif_items.swap(list.items);
                          show_choices(ui->comboBox_model_exactly, QStringLiteral("ENGINE"), list.choices);
                      });
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
    if (!api::usable_id(id)) {
        show_box("Error!", "Server connection error!");
        return;
    }
    SequenceGuard guard;
    disable_widgets();
    // A request that timed out leaves no handler to unlock the window.
    if (!server_request(Endpoint::Models, api::models_path(id)))
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
    if (!api::usable_id(id)) {
        show_box("Error!", "Server connection error!");
        return;
    }
    SequenceGuard guard;
    disable_widgets();
    if (!server_request(Endpoint::Engines, api::engines_path(id)))
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
