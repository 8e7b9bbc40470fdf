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

// Runs until the dialog is done, the time is up or the program quits (which ends every loop).
void waitBriefly(QDialog &dialog, int ms)
{
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    loop.exec();
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
    QMessageBox box(message.icon, message.title, message.text, message.buttons, parent);
    box.setWindowModality(Qt::NonModal);
    box.setDefaultButton(unanswered);
    waitBriefly(box, message.answerWithinMs);
    const QMessageBox::StandardButton answer = box.standardButton(box.clickedButton());
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
    QInputDialog dialog(parent);
    dialog.setWindowTitle(message.title);
    dialog.setLabelText(message.text);
    dialog.setTextValue(suggestion);
    dialog.setWindowModality(Qt::NonModal);
    waitBriefly(dialog, message.answerWithinMs);
    if (dialog.result() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

void MessageBox::setHandler(Handler h)
{
    handler() = std::move(h);
}

} // namespace kelvora
