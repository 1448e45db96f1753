#include "app/message_box.h"

#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QString>

#include "app/logging.h"
#include "app/mainwindow.h"

namespace {

// Marked for the translation tools; translated where the buttons are made.
const char *const text_yes = QT_TRANSLATE_NOOP("MainWindow", "Yes");
const char *const text_no = QT_TRANSLATE_NOOP("MainWindow", "No");

bool quiet = false;
bool muted = false;
bool closed = false;
QString quiet_step;
QSet<QString> shown_during_identification;

// The question open now, and whether it was answered "Yes".
QPointer<QMessageBox> open_question;
bool question_yes = false;

// A box of the running sequence raised while the question is open (its nested wait
// goes on under the question) waits for the answer, so that nothing covers the
// question: after "No" it is shown, after "Yes" the window closes and it is not.
bool wait_for_question(const char *text)
{
    if (!open_question)
        return true;
    qCDebug(orv_app) << "box waits for the open question:" << text;
    QEventLoop answered;
    QObject::connect(open_question.data(), &QDialog::finished, &answered, &QEventLoop::quit);
    QObject::connect(open_question.data(), &QObject::destroyed, &answered, &QEventLoop::quit);
    answered.exec();
    if (question_yes) {
        qCDebug(orv_app) << "box for a window that closes, not shown:" << text;
        return false;
    }
    return true;
}

// Whether a box may be shown now: not while muted, and during a failing
// identification only the first time for its step.
bool may_show(const char *title, const char *text)
{
    if (!wait_for_question(text))
        return false;
    if (closed) {
        qCDebug(orv_app) << "box after the window closed, not shown:" << text;
        return false;
    }
    if (muted) {
        qCDebug(orv_app) << "box muted:" << text;
        return false;
    }
    if (quiet) {
        const QString key = quiet_step + QLatin1Char('\n') + QLatin1String(title) + QLatin1Char('\n') + QLatin1String(text);
        if (shown_during_identification.contains(key)) {
            qCDebug(orv_app) << "box shown before for this device, not again:" << text;
            return false;
        }
        shown_during_identification.insert(key);
    }
    return true;
}

} // namespace

void show_box(const char *title, const char *text)
{
    if (may_show(title, text))
        QMessageBox::information(nullptr, MainWindow::tr(title), MainWindow::tr(text), QMessageBox::Ok);
}

void show_box(const char *title, const char *text, const char *informative, const QStringList &arguments)
{
    if (!informative) {
        show_box(title, text);
        return;
    }
    if (!may_show(title, text))
        return;
    // One pass for all arguments: a '%' inside one of them is not taken for a placeholder.
    QString detail = MainWindow::tr(informative);
    const QString first = arguments.value(0), second = arguments.value(1), third = arguments.value(2);
    switch (arguments.size()) {
    case 0: break;
    case 1: detail = detail.arg(first); break;
    case 2: detail = detail.arg(first, second); break;
    default: detail = detail.arg(first, second, third); break;
    }
    QMessageBox box(QMessageBox::Information, MainWindow::tr(title), MainWindow::tr(text), QMessageBox::Ok);
    box.setInformativeText(detail);
    box.exec();
}

bool show_box_yes_no(const char *title, const char *text)
{
    QMessageBox box(QMessageBox::Warning, MainWindow::tr(title), MainWindow::tr(text), QMessageBox::NoButton);
    // Buttons of its own: the standard ones would stay in English.
    QPushButton *yes = box.addButton(MainWindow::tr(text_yes), QMessageBox::YesRole);
    QPushButton *no = box.addButton(MainWindow::tr(text_no), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    question_yes = false;
    QObject::connect(&box, &QMessageBox::buttonClicked, &box,
                     [yes](QAbstractButton *clicked) { question_yes = clicked == yes; });
    open_question = &box;
    box.exec();
    open_question = nullptr;
    return box.clickedButton() == yes;
}

void quiet_repeats_begin()
{
    quiet = true;
    quiet_step.clear();
}

void quiet_repeats_step(const QString &step)
{
    quiet_step = step;
}

void quiet_repeats_end()
{
    quiet = false;
}

void quiet_repeats_forget()
{
    shown_during_identification.clear();
}

void close_boxes()
{
    closed = true;
}

void open_boxes()
{
    closed = false;
}

bool boxes_muted()
{
    return muted;
}

MutedBoxes::MutedBoxes() : was_muted(muted)
{
    muted = true;
}

MutedBoxes::~MutedBoxes()
{
    muted = was_muted;
}
