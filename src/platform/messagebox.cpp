#include "platform/messagebox.h"

namespace kelvora {
namespace {

MessageBox::Handler &handler()
{
    static MessageBox::Handler h;
    return h;
}

} // namespace

QMessageBox::StandardButton MessageBox::show(QWidget *parent, const Message &message)
{
    if (handler())
        return handler()(message);
    QMessageBox box(message.icon, message.title, message.text, message.buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void MessageBox::setHandler(Handler h)
{
    handler() = std::move(h);
}

} // namespace kelvora
