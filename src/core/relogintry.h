#pragma once

#include "core/account.h"
#include "core/loginwatch.h"
#include "core/pageload.h"
#include "core/relogin.h"
#include "core/timer.h"

#include <QObject>
#include <QUrl>

#include <memory>
#include <optional>

namespace kelvora {

class Clock;

/** What a try to log in again asks of its slot: the page, and what the slot knows of it. */
class ReloginHost
{
public:
    virtual ~ReloginHost() = default;
    /** Loads an address in the slot's page; its end comes back through ReloginTry::loadFinished(). */
    virtual void loadForTry(const QUrl &address) = 0;
    /** Fills the login form the page shows and sends it; what came of it through loginSubmitted(). */
    virtual void fillLogin(const Account &account) = 0;
    /** What the page loaded last showed of a login; none while a page is loading. */
    virtual std::optional<LoginSigns> loadedSigns() const = 0;
    /** Whether the slot's login watch finds the member logged in now. */
    virtual bool memberLoggedIn() const = 0;
    /** The page the slot keeps online, which every try ends on. */
    virtual QUrl keptPage() const = 0;
    /** Whether the page shows the kept page now. */
    virtual bool showsKeptPage() const = 0;
    /** A try started: what the slot keeps and tells has changed. */
    virtual void tryStarted() = 0;
    /** The try ended: logged in without a failure; `givenUp`: no more tries until the user logs in. */
    virtual void tryEnded(std::optional<ReloginPlan::Failure> failure, bool givenUp) = 0;

protected:
    ReloginHost() = default;
};

/**
 * A slot's try to log its member in again: the account's password read from the store, the login
 * form filled (on the page shown, or on the page the account was given on), the forum's answer
 * awaited, and the slot's own page loaded again for its login watch to judge. Each step waits at
 * most a minute and a half. The limits of how often a try may come are the ReloginPlan's.
 */
class ReloginTry : public QObject
{
    Q_OBJECT

public:
    ReloginTry(ReloginHost &host, TimerFactory &timers, QObject *parent = nullptr);
    ~ReloginTry() override;

    /** Where the account's password is read from; `index` is the slot's, zero-based. */
    void setAccountStore(AccountStore *store, int index);
    bool hasStore() const { return m_accounts != nullptr; }
    /**
     * The account (its user name) to log in again with, or none; a try under way ends. False when
     * nothing changed.
     */
    bool setAccount(const std::optional<QString> &userName, bool givenAnew);
    const std::optional<QString> &accountUser() const { return m_accountUser; }

    ReloginPlan &plan() { return m_plan; }
    const ReloginPlan &plan() const { return m_plan; }
    bool isUnderWay() const { return m_step != Step::None; }

    /**
     * The member is logged out: a try starts when the plan lets one (`periodMs` apart, in the
     * steady `nowMs`; `wallNowMs` for what is kept across restarts).
     */
    void startIfDue(qint64 nowMs, qint64 periodMs, qint64 wallNowMs);
    /** A load of the slot's page ended while the try is under way. */
    void loadFinished(const PageLoad &load);
    /** What came of filling the form (see Browser::submitLogin). */
    void loginSubmitted(LoginFill fill);
    /** The forum refused the login in the page itself, with no new page. */
    void refusedInPlace();
    /** Ends a try under way without a word: the user took over. */
    void cancel();

private:
    enum class Step
    {
        None,
        Reading,          ///< the account is asked of the store
        LoadingLoginPage, ///< the page the account was given on is loading, for its form
        Filling,          ///< the form is being filled and sent
        Submitted,        ///< the forum's answer to the form is loading
        Reopening,        ///< the slot's own page is loading, for the login watch to judge
    };
    void tryWith(const Account &account);
    void fill(const Account &account);
    void loadLoginPage();
    void reopenAfterAnswer(bool refused);
    void end(std::optional<ReloginPlan::Failure> failure);
    void stepTimedOut();

    ReloginHost &m_host;
    ReloginPlan m_plan;
    AccountStore *m_accounts = nullptr;
    int m_index = -1;
    std::optional<QString> m_accountUser;
    Step m_step = Step::None;
    std::optional<Account> m_account; ///< held from the store's answer until the form is sent
    bool m_triedLoginPage = false;
    bool m_refused = false;                 ///< the forum's answer to the form refused the login
    std::optional<bool> m_answerBeforeSent; ///< the form's answer, refused or not, when it came first
    std::unique_ptr<Timer> m_stepLimit;     ///< the longest a step waits
};

} // namespace kelvora
