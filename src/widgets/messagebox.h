#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

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
        /** For a brief question: how long it waits for the user; 0 for an ordinary message. */
        int answerWithinMs = 0;
        /** The button Enter presses; none leaves the choice to the dialog. */
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };
    /** A test's answer; NoButton stands for the user not answering in time. */
    using Handler = std::function<QMessageBox::StandardButton(const Message &)>;

    /** Shows the message and waits for the user's answer. */
    static QMessageBox::StandardButton show(QWidget *parent, const Message &message);

    /** The program's usual warning: title "提示", a warning icon and OK. */
    static void warning(QWidget *parent, const QString &text);

    /**
     * Shows the message and returns at once; the box closes itself when answered. The box is
     * returned so its owner can close it early (none when a test answered it).
     */
    static QPointer<QMessageBox> showWithoutWaiting(QWidget *parent, const Message &message);

    /**
     * Asks and waits at most message.answerWithinMs for the answer, then answers `unanswered`
     * itself. The box is not modal: the rest of the program stays usable, and quitting the
     * program ends the wait.
     */
    static QMessageBox::StandardButton askBriefly(QWidget *parent, const Message &message,
                                                  QMessageBox::StandardButton unanswered);

    /** The same for a question answered by typing; nothing when cancelled or not answered in time. */
    static std::optional<QString> promptBriefly(QWidget *parent, const Message &message,
                                                const QString &suggestion);

    /** Replaces the real dialogs (tests only); an empty handler restores them. A typed question
     *  the handler answers with OK gets its suggestion as the answer. */
    static void setHandler(Handler handler);
};

} // namespace kelvora
