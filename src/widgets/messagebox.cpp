#include "widgets/messagebox.h"

#include <QEventLoop>
#include <QInputDialog>
#include <QTimer>

namespace kelvora {
namespace {

MessageBox::Handler &handler()
{
    static MessageBox::Handler h;
    return h;
}

// Runs until the dialog is done, the time is up, the program quits (which ends every loop) or
// the dialog goes with the window it belongs to; false in that last case, the dialog gone.
bool waitBriefly(const QPointer<QDialog> &dialog, int ms)
{
    QEventLoop loop;
    QObject::connect(dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    QObject::connect(dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    loop.exec();
    return !dialog.isNull();
}

} // namespace

QMessageBox::StandardButton MessageBox::show(QWidget *parent, const Message &message)
{
    if (handler())
        return handler()(message);
    QMessageBox box(message.icon, message.title, message.text, message.buttons, parent);
    if (message.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(message.defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void MessageBox::warning(QWidget *parent, const QString &text)
{
    show(parent, {QMessageBox::Warning, QStringLiteral("提示"), text, QMessageBox::Ok});
}

QPointer<QMessageBox> MessageBox::showWithoutWaiting(QWidget *parent, const Message &message)
{
    if (handler()) {
        handler()(message);
        return {};
    }
    auto *box = new QMessageBox(message.icon, message.title, message.text, message.buttons, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    return box;
}

QMessageBox::StandardButton MessageBox::askBriefly(QWidget *parent, const Message &message,
                                                   QMessageBox::StandardButton unanswered)
{
    if (handler()) {
        const QMessageBox::StandardButton answer = handler()(message);
        return answer == QMessageBox::NoButton ? unanswered : answer;
    }
    // On the heap: the window it belongs to may go while it waits, and takes it along.
    QPointer<QMessageBox> box =
        new QMessageBox(message.icon, message.title, message.text, message.buttons, parent);
    box->setWindowModality(Qt::NonModal);
    box->setDefaultButton(unanswered);
    if (!waitBriefly(box.data(), message.answerWithinMs))
        return unanswered;
    const QMessageBox::StandardButton answer = box->standardButton(box->clickedButton());
    delete box;
    return answer == QMessageBox::NoButton ? unanswered : answer;
}

std::optional<QString> MessageBox::promptBriefly(QWidget *parent, const Message &message,
                                                 const QString &suggestion)
{
    if (handler()) {
        const QMessageBox::StandardButton answer = handler()(message);
        if (answer != QMessageBox::Ok)
            return std::nullopt;
        return suggestion;
    }
    QPointer<QInputDialog> dialog = new QInputDialog(parent);
    dialog->setWindowTitle(message.title);
    dialog->setLabelText(message.text);
    dialog->setTextValue(suggestion);
    dialog->setWindowModality(Qt::NonModal);
    if (!waitBriefly(dialog.data(), message.answerWithinMs))
        return std::nullopt;
    std::optional<QString> answer;
    if (dialog->result() == QDialog::Accepted)
        answer = dialog->textValue();
    delete dialog;
    return answer;
}

void MessageBox::setHandler(Handler h)
{
    handler() = std::move(h);
}

} // namespace kelvora
