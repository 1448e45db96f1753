#include "app/mainwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMovie>
#include <QNetworkAccessManager>
#include <QScrollBar>
#include <QThread>
#include <QTimer>

#include "app/accessibility.h"
#include "app/app_state.h"
#include "app/build_config.h"
#include "app/close_guard.h"
#include "app/data_files.h"
#include "app/logging.h"
#include "app/pictures.h"
#include "app/session.h"
#include "app/window_view.h"
#include "device/device_state.h"
#include "device/protocol.h"
#include "ui_mainwindow.h"

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow)
{
    pictures::install();
    accessibility::install();
    ui->setupUi(this);
    // The central widget covers the whole window with its opaque background
    // picture, so the window's own sheet picture under it is never seen: it is not
    // painted (every repaint drew the background twice) nor ever decoded.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Device and server texts are data: a text that looks like HTML is shown
    // as it is, never laid out as rich text.
    for (QLabel *label : findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    // The window has always paused 10 ms here, after building its widgets, on the
    // GUI thread; the pause is kept so that start-up stays what it always was.
    QThread::msleep(10);
    ui->label_load->hide();
    lang_folder = QStringLiteral("eng");
    ui->comboBox_language->insertItems(0, {QStringLiteral("ENG"), QStringLiteral("DE"), QStringLiteral("RU")});
    api_base_url = configured_api_base_url();

    QComboBox *const vehicle_boxes[] = {ui->comboBox_marka, ui->comboBox_model, ui->comboBox_model_exactly};
    // Editable with a read-only line edit: the chosen text shows centred but
    // cannot be typed into.
    for (QComboBox *box : vehicle_boxes) {
        box->setEditable(true);
        box->lineEdit()->setReadOnly(true);
        box->lineEdit()->setAlignment(Qt::AlignCenter);
    }
    for (QComboBox *box : vehicle_boxes)
        box->view()->verticalScrollBar()->setStyleSheet(QStringLiteral("width: 20px; background-color: black;"));
    // A catalogue list holds thousands of titles. The boxes have a fixed size, so
    // following their contents measured every title after each fill for nothing;
    // and every row is one line of one font, so the list lays out without
    // measuring each row when it opens.
    for (QComboBox *box : vehicle_boxes) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToContentsOnFirstShow);
        if (auto *list = qobject_cast<QListView *>(box->view()))
            list->setUniformItemSizes(true);
    }

    clear_widgets();
    network_manager = new QNetworkAccessManager(this);
    // Redirects are never followed (Qt 6 would follow them by default); each request says so too.
    network_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    setWindowIcon(load_window_icon(QStringLiteral("orv.ico")));
    protocol_names = protocol::names();
    setFocus(Qt::OtherFocusReason);

    timer_server = new QTimer(this);
    timer_server->setObjectName(QStringLiteral("timer_server"));
    connect(timer_server, SIGNAL(timeout()), this, SLOT(myTimer_server()));
    // The index signal, checked when compiling: the one with the item's text is gone in Qt 6.
    QComboBox *const marka = ui->comboBox_marka;
    QComboBox *const model = ui->comboBox_model;
    connect(marka, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this, marka](int index) { marka_changed(marka->itemText(index)); });
    connect(model, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this, model](int index) { model_changed(model->itemText(index)); });
    timer_server->stop();
    timer_server->setSingleShot(true);

    on_comboBox_language_currentIndexChanged(QStringLiteral("ENG"));

    timer_USB_test = new QTimer(this);
    timer_USB_test->setObjectName(QStringLiteral("timer_USB_test"));
    connect(timer_USB_test, SIGNAL(timeout()), this, SLOT(myTimer_USB_test()));
    timer_USB_test->stop();

    timer_USB_read = new QTimer(this);
    timer_USB_read->setObjectName(QStringLiteral("timer_USB_read"));
    connect(timer_USB_read, SIGNAL(timeout()), this, SLOT(myTimer_USB_read()));
    timer_USB_read->stop();
    // Only a default: every start(ms) of the read tick sets its own interval
    // (USB_read_delay after a write, USB_read_interval + USB_read_delay after a miss).
    timer_USB_read->setInterval(USB_read_interval);
    // The 50 ms between a write and the read of its answer is the floor of
    // every round trip: keep the timer to the millisecond.
    timer_USB_read->setTimerType(Qt::PreciseTimer);

    attach_window(this);
    timer_USB_test->start(USB_test_interval);

    load_movie = load_animation(QStringLiteral("load.gif"));
    ui->label_load->setMovie(load_movie);
    ui->label_load->setAlignment(Qt::AlignCenter);
    install_close_guard(this);
}

MainWindow::~MainWindow()
{
    session::finish();
    device_handle = nullptr;
    detach_window(this);
    timer_USB_read->stop();
    timer_USB_test->stop();
    delete ui;
    // load_movie has no parent and outlives the window's label; release it with
    // the window so that a second window (tests) does not leak the first one's.
    delete load_movie;
    load_movie = nullptr;
}
