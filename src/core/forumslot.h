#pragma once

#include "core/account.h"
#include "core/browser.h"
#include "core/loginwatch.h"
#include "core/onlineclock.h"
#include "core/pagelifecycle.h"
#include "core/pageload.h"
#include "core/reloadoutcome.h"
#include "core/reloadschedule.h"
#include "core/relogin.h"
#include "core/relogintry.h"
#include "core/slotstate.h"
#include "core/slottable.h"
#include "core/timer.h"
#include "core/tuning.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace kelvora {

class Browser;
class Clock;

enum class SlotStatus
{
    Stopped,   ///< the page is not being reloaded
    Running,   ///< the page is reloaded every period
    LoggedOut, ///< reloaded every period, but the forum no longer knows the member
};

/** What a slot's status label's tool tip tells: the last reload and what goes with it. */
struct SlotReport
{
    ReloadReport lastReload;
    bool running = false;
    /// Started on a page that showed a login form: nothing to judge a logout by.
    bool startedLoggedOut = false;
    bool loggedOut = false;
    QDateTime loggedOutSince;
    LoginWatch::Reason loggedOutReason = LoginWatch::Reason::None;
    bool keptForInput = false; ///< the last reload went aside, to keep what the user typed
    int answeredDialogs = 0;   ///< page dialogs answered for the user, who could not see them
    /// How long the last reload's page took, when that was longer than the period: the forum is
    /// slower than the period, and each reload waits for the page before it.
    std::optional<qint64> slowPageMs;
    /// The user name of the account the slot logs in again with; none without one.
    std::optional<QString> accountUser;
    ReloginPlan::State relogin = ReloginPlan::State::Idle;
    /// Why the last try to log in again failed, while the member is still logged out.
    std::optional<ReloginPlan::Failure> reloginFailure;
};

/**
 * One forum slot's behaviour: its reload schedule, its online clock, its status and the report
 * of its last reload.
 *
 * Time reaches it through the injected clock and the timers it makes from the injected factory,
 * so tests can run days in a blink. What the page does reaches it through the page* functions.
 * Its signals tell what happened; the words for the user come from the views.
 */
class ForumSlot : public QObject, private ReloginHost
{
    Q_OBJECT

public:
    /** `pagesMaySleep`: whether the page may sleep between reloads while nobody sees it. */
    ForumSlot(Browser &browser, const Clock &clock, TimerFactory &timers, const SlotDescription &description,
              QObject *parent = nullptr, bool pagesMaySleep = TunedBuild);
    ~ForumSlot() override;

    /** Loads the address in the browser and starts the online clock if it is not running yet. */
    void open(const QString &address);
    /** Loads the address in the browser without opening the slot: its clock stays as it is. */
    void load(const QString &address);
    /** Goes on as it was before a restart: opens the page and, if it ran, starts with its period. */
    void resume(const SavedSlot &saved);
    enum class StartResult
    {
        Started,
        BadPeriod, ///< the text is not a whole number of 1 or more
        NoWebPage, ///< the page is no web page (about:blank, the engine's own pages): no forum to keep
    };
    /** The period box's text changed: the period it says, none when it is no period (see parsePeriod). */
    void setTypedPeriod(std::optional<int> period);
    /**
     * Starts keeping the page online with the period typed in the period box; refused, changing
     * nothing, when it can't.
     */
    StartResult start();
    void stop();
    /** Reloads the page at once; the schedule is left alone. */
    void reloadNow();
    /** An item was picked from the period box's list: it becomes the shown period. */
    void choosePeriod(int period);
    /** Whether a timer reload comes a moment after its period (see reloadDelayMs). */
    void setLateReloads(bool on) { m_schedule.setLateReloads(on); }
    bool lateReloads() const { return m_schedule.lateReloads(); }
    /** The longest a timer reload waits for the page under way before giving it up: a minute. */
    void setLoadLimit(qint64 ms) { m_loadLimitMs = ms; }
    /** Where the late reloads' random numbers in [0, 1) come from. */
    void setRandomSource(std::function<double()> random) { m_schedule.setRandomSource(std::move(random)); }

    /** The page began loading. */
    void pageLoadStarted();
    void pageLoadFinished(const PageLoad &load);
    /** The page now holds text the user typed and did not send, or no longer does. */
    void pageInputChanged(bool holdsInput);
    /** The background reload made for a page that holds typed text has loaded. */
    void asideLoadFinished(const PageLoad &load);
    /** The page's address changed (a link, a redirect, history). */
    void pageUrlChanged(const QUrl &address);
    /** The page's renderer process ended; the next reload brings the page back. */
    void pageRendererGone();
    /** A page dialog was answered for the user, who could not see it. */
    void pageDialogAnswered();
    /** Whether the user can see the page now. */
    void setPageSeen(bool seen);
    /**
     * The machine woke from a sleep: a running slot reloads now and counts its next period from
     * here; a reload that finds no network in the half minute after is tried again, not told.
     */
    void systemWoke();

    /**
     * Where the slot's account is read from when the member is to be logged in again; `index` is
     * the slot's, zero-based. Without a store the slot never logs in by itself.
     */
    void setAccountStore(AccountStore *store, int index);
    /**
     * The slot has an account (by its user name) to log in again with, or none any more.
     * `givenAnew`: the user gave it now; else it is the one the store kept, found at the start,
     * and the limits kept from the last run stand.
     */
    void setAccount(const std::optional<QString> &userName, bool givenAnew = true);
    const std::optional<QString> &accountUser() const { return m_try.accountUser(); }
    /** What came of filling the page's login form (see Browser::submitLogin). */
    void loginSubmitted(LoginFill fill);
    /** The forum refused the login sent in the page itself, with no new page (an ajax login). */
    void loginRefusedInPlace();
    bool isPageAsleep() const { return m_lifecycle.isAsleep(); }

    /** How long until the next timer reload: a very large number while the slot is stopped. */
    qint64 msUntilReload() const { return m_schedule.msUntilReload(); }
    /** Whether the page is kept online: reloaded every period. */
    bool isRunning() const { return m_schedule.isRunning(); }
    /** Whether the slot was opened: its online clock runs. */
    bool isOpen() const { return m_onlineClock.isRunning(); }
    SlotStatus status() const;
    /** The period used when the period box holds no valid number; it is what the period label shows. */
    int acceptedPeriod() const { return m_acceptedPeriod; }
    /** The period the slot reloads with: the typed one, or else the accepted one. */
    int period() const { return m_typedPeriod.value_or(m_acceptedPeriod); }
    OnlineTime onlineTime() const { return m_onlineClock.time(); }
    /** What the status label's tool tip tells, as of now. */
    SlotReport report() const;
    const ReloadReport &lastReload() const { return m_report.lastReload; }
    /** What is kept of this slot for the next start; none for a slot that was never opened nor started. */
    std::optional<SavedSlot> savedState() const;
    /** Whether a reload this slot asked for is still to load. */
    bool isReloadPending() const { return m_reloadPending; }
    /**
     * Whether the slot still waits for its page: the engine may have finished loading it while what
     * the page shows (a login form, a logout link) is still being asked. Until then, a slot started
     * judges its login by the page to come.
     */
    bool isLoading() const { return m_loading; }

signals:
    /** The slot started or stopped keeping its page online. */
    void runningChanged(bool running);
    void statusChanged(kelvora::SlotStatus status);
    /** The accepted period changed. */
    void periodChanged(int period);
    void onlineTimeChanged(const kelvora::OnlineTime &time);
    /** What report() says has changed. */
    void reportChanged();
    /** The page has been put to sleep: what it held is free now. */
    void pageSlept();
    /** What savedState() says has changed. */
    void savedStateChanged();
    /** The member went from logged in to logged out, or back. */
    void loggedOutChanged(bool loggedOut);
    /** The slot was opened on an address. */
    void opened(const QString &address);
    /** The slot goes on as it was kept; it opens and, if it ran, starts right after. */
    void resumed(const kelvora::SavedSlot &saved);
    /** A reload the slot asked for has ended so. */
    void reloaded(const kelvora::ReloadReport &report);
    /** The slot logged its member in again by itself. */
    void reloggedIn();
    /** A try to log in again failed; `givenUp`: the slot tries no more until the user logs in. */
    void reloginFailed(kelvora::ReloginPlan::Failure failure, bool givenUp);

private:
    /** Tells that the slot started or stopped keeping its page online. */
    void tellRunning(bool running);
    void noteSavedState();
    void notePageSigns(const LoginSigns &signs);
    void noteReload(const ReloadResult &result);
    void apply(PageLifecycle::Action action, ReloadCause cause = ReloadCause::Timer);
    void reloadForTimer();
    /** The page under way has waited as long as a forum may take: it is given up for a reload. */
    void giveUpLoad();
    /** The page under way has ended: the reload that waited for it comes now. */
    void reloadIfOwed();
    /** A failed reload just after a wake, while the network comes back: true when it is tried again. */
    bool retriedAfterWake(const ReloadResult &result);
    /** Starts keeping the page online; `resumed`: going on after a restart, as it was kept. */
    StartResult start(bool resumed);

    /** A load of the slot's own page found the member logged out: a try starts if one may. */
    void tryIfDue();

    // What the try to log in again asks of the slot.
    void loadForTry(const QUrl &address) override { load(address.toString()); }
    void fillLogin(const Account &account) override { m_browser.submitLogin(account); }
    std::optional<LoginSigns> loadedSigns() const override;
    bool memberLoggedIn() const override { return m_login.state() == LoginWatch::State::LoggedIn; }
    QUrl keptPage() const override { return m_keptUrl; }
    bool showsKeptPage() const override { return m_pageUrl == m_keptUrl; }
    void tryStarted() override;
    void tryEnded(std::optional<ReloginPlan::Failure> failure, bool givenUp) override;

    Browser &m_browser;
    const Clock &m_clock;
    ReloadSchedule m_schedule;
    OnlineClock m_onlineClock;
    std::unique_ptr<Timer> m_settle;    ///< a loaded page's scripts run a moment before it may sleep
    std::unique_ptr<Timer> m_loadLimit; ///< the longest a reload waits for the page before it
    int m_acceptedPeriod = 1;
    std::optional<int> m_typedPeriod = 1;
    bool m_loading = false;
    qint64 m_loadStartedMs = 0;
    qint64 m_loadLimitMs;
    bool m_reloadOwed = false; ///< a timer reload fell due while the page was loading: it comes once it has
    bool m_reloadPending = false; ///< the load under way is a reload this slot asked for
    bool m_pageHoldsInput = false;
    QUrl m_pageUrl;
    /// The web page an open asked for, until a web page has come in its place or finished loading:
    /// till then, what the browser showed before may still report its end, and a plain reload
    /// would reload that page and drop the open.
    QUrl m_opening;
    std::optional<LoginSigns> m_pageSigns; ///< what the last page loaded showed of a login
    LoginWatch m_login;
    QUrl m_keptUrl; ///< the page kept online: as started, then as each successful reload found it
    std::optional<SavedSlot> m_lastSaved;
    SlotReport m_report; ///< the reload's part of the report; report() adds the login's
    PageLifecycle m_lifecycle;
    ReloginTry m_try;
    std::unique_ptr<Timer> m_wakeRetry; ///< the next try of a reload that found no network after a wake
    qint64 m_wakeQuietUntilMs = 0;      ///< failed reloads are tried again, not told, until then
};

} // namespace kelvora
