#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace kelvora {

/**
 * Every message box of the program goes through here, so tests can answer them
 * instead of blocking on a modal loop.
 */
class MessageBox
{
public:
    struct Message
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
    };
    using Handler = std::function<QMessageBox::StandardButton(const Message &)>;

    static QMessageBox::StandardButton show(QWidget *parent, const Message &message);

    /** Replaces the real dialog (tests only); an empty handler restores it. */
    static void setHandler(Handler handler);
};

} // namespace kelvora
