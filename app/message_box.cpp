#include "app/message_box.h"

#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QString>

#include "app/logging.h"
#include "app/mainwindow.h"

namespace {

// Marked for the translation tools; translated where the buttons are made.
const char *const text_yes = QT_TRANSLATE_NOOP("MainWindow", "Yes");
const char *const text_no = QT_TRANSLATE_NOOP("MainWindow", "No");

// The question open now, and whether it was answered "Yes".
QPointer<QMessageBox> open_question;
bool question_yes = false;

} // namespace

// The question's nested wait goes on under it, and so does the running sequence.
bool wait_for_question(const char *text)
{
    if (!open_question)
        return true;
    // Answered in this same turn of the event loop: the question is hidden, but its
    // own loop has not returned yet. It will not finish again.
    if (open_question->isVisible()) {
        qCDebug(orv_app) << "box waits for the open question:" << text;
        QEventLoop answered;
        QObject::connect(open_question.data(), &QDialog::finished, &answered, &QEventLoop::quit);
        QObject::connect(open_question.data(), &QObject::destroyed, &answered, &QEventLoop::quit);
        answered.exec();
    }
    if (question_yes) {
        qCDebug(orv_app) << "box for a window that closes, not shown:" << text;
        return false;
    }
    return true;
}

void display_box(const char *title, const char *text, const char *informative, const QStringList &arguments)
{
    if (!informative) {
        QMessageBox::information(nullptr, MainWindow::tr(title), MainWindow::tr(text), QMessageBox::Ok);
        return;
    }
    QMessageBox box(QMessageBox::Information, MainWindow::tr(title), MainWindow::tr(text), QMessageBox::Ok);
    box.setInformativeText(box_detail(informative, arguments));
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
