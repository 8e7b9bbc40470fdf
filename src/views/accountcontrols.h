#pragma once

#include "core/account.h"

#include <QObject>
#include <QRect>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;
class QToolButton;
class QWidget;

namespace kelvora {

class SlotRunner;

/**
 * A slot's account for logging in again, on its panel: the "自动登录" button, whose menu gives,
 * changes or forgets the account, and the bar over the top of the page that offers to remember a
 * login the user just made there, as browsers offer to save a password, without holding anything up.
 */
class AccountControls final : public QObject
{
    Q_OBJECT

public:
    AccountControls(SlotRunner &runner, QWidget *panel);

    /** The page's view is placed there; the offer lies over its top. */
    void placeOver(const QRect &browserGeometry);
    /** Whether the page's view is shown: the offer is shown with it. */
    void setBrowserShown(bool shown);

private:
    void fillMenu();
    /** Asks the user for the account, the page shown now as its login page. */
    void askForAccount();
    void showOffer(const QString &userName);
    void showKept(bool remembered, AccountStore::Status status);
    /** Shows `text` on the bar, without its buttons, for a few seconds. */
    void showNote(const QString &text);
    void updateBar();

    SlotRunner &m_runner;
    QWidget *m_panel;
    QToolButton *m_button;
    QFrame *m_bar;
    QLabel *m_barText;
    QPushButton *m_remember;
    QPushButton *m_decline;
    QTimer *m_noteLapse;
    bool m_browserShown = false;
    bool m_barWanted = false;
};

} // namespace kelvora
