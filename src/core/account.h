#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

namespace kelvora {

/**
 * The account a slot logs in again with: given once by the user, kept only in the system's
 * credential store, and held in memory only for the moment of a try or of being kept.
 */
struct Account
{
    QString userName;
    QString password;
    /** The page the account was given on: where its login form is, when the slot's page has none. */
    QUrl loginPage;
    friend bool operator==(const Account &, const Account &) = default;
};

/** How filling a page's login form with an account went. */
enum class LoginFill
{
    Submitted,   ///< filled and sent, as the user's press of its button sends it
    NoForm,      ///< no login form of the account's forum to fill on the page
    PersonNeeded ///< the form asks for more than a name and a password (a picture code, …)
};

/** An account as the credential store keeps it, and back; none when the text is not one. */
QString storedAccountText(const Account &account);
std::optional<Account> accountFromStoredText(const QString &text);

/**
 * Where the slots' accounts are kept: the system's credential store. Every call answers later,
 * through `done`, in the event loop, and not at all once `context` is gone.
 */
class AccountStore
{
public:
    enum class Status
    {
        Done,
        NotFound, ///< nothing kept for the slot
        NoStore,  ///< no credential store answers on this machine: nothing can be kept
        Failed,   ///< the store answered with an error (locked, refused, …)
    };
    struct Answer
    {
        Status status = Status::Done;
        std::optional<Account> account; ///< what read() found
        QString error;                  ///< the store's words, for the log
    };
    using Done = std::function<void(const Answer &)>;

    virtual ~AccountStore() = default;

    /** `slot` is zero-based. */
    virtual void read(int slot, QObject *context, Done done) = 0;
    virtual void write(int slot, const Account &account, QObject *context, Done done) = 0;
    /** Forgetting what is not there is done as well. */
    virtual void forget(int slot, QObject *context, Done done) = 0;

protected:
    AccountStore() = default;
    AccountStore(const AccountStore &) = default;
    AccountStore &operator=(const AccountStore &) = default;
};

/**
 * Forgets every slot's account in `store`, waiting for each answer in an event loop of its own:
 * how many could not be forgotten. For a command line's use, before any window.
 */
int forgetEveryAccountNow(AccountStore &store, int slotCount);

} // namespace kelvora
