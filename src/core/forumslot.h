#pragma once

#include "core/browser.h"
#include "core/loginwatch.h"
#include "core/pagelifecycle.h"
#include "core/pageload.h"
#include "core/slotstate.h"
#include "core/tuning.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace kelvora {

class Browser;
class Clock;

/** Hours, minutes and seconds of a slot's online clock. Hours count on without a day carry. */
struct OnlineTime
{
    qint64 hours = 0;
    int minutes = 0;
    int seconds = 0;

    static OnlineTime fromSeconds(qint64 totalSeconds);
    friend bool operator==(const OnlineTime &, const OnlineTime &) = default;
};

enum class SlotStatus
{
    Stopped,   ///< "已停止": the page is not being reloaded
    Running,   ///< "运行中": the page is reloaded every period
    LoggedOut, ///< "已掉线": reloaded every period, but the forum no longer knows the member
};

/** The status label's text for a status. */
QString statusText(SlotStatus status);

/**
 * One forum slot's behaviour: the reload counter, the online clock and the status.
 *
 * Time reaches it only as ticks (reloadTick, clockTick) and through the injected
 * clock, so the widgets own the real timers and tests can run days in a blink.
 * It tells the widgets which of its two timers should run through the *ActiveChanged signals.
 * What the page does reaches it through the page* functions; the report of the last reload
 * that comes of them is what the user sees in the status label's tool tip.
 */
class ForumSlot : public QObject
{
    Q_OBJECT

public:
    /** `pagesMaySleep`: whether the page may sleep between reloads while nobody sees it. */
    ForumSlot(Browser &browser, const Clock &clock, QObject *parent = nullptr,
              bool pagesMaySleep = TunedBuild);

    /** Loads the address in the browser and starts the online clock if it is not running yet. */
    void open(const QString &address);
    /** Loads the address in the browser without opening the slot: its clock stays as it is. */
    void load(const QString &address);
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
    /** Reloads the page at once; the counter and the timers are left alone. */
    void reloadNow();
    /** An item was picked from the period box's list: it becomes the shown period. */
    void choosePeriod(int period);

    /** One tick of the reload timer. */
    void reloadTick();
    /**
     * Whether a timer reload comes a moment after the tick that reaches the period (see
     * reloadDelayMs), the next period counted from it; off, it comes on that tick.
     */
    void setLateReloads(bool on) { m_lateReloads = on; }
    bool lateReloads() const { return m_lateReloads; }
    /** How long one tick is, so that the spread can be a share of the period. */
    void setTickInterval(int ms) { m_tickMs = ms; }
    /** Where the spread's random numbers in [0, 1) come from. */
    void setRandomSource(std::function<double()> random) { m_random = std::move(random); }
    /** The wait asked for by reloadDelayed() is over: the timer reload comes now. */
    void delayedReloadDue();
    /** One tick of the clock timer. */
    void clockTick();

    /** The page began loading. */
    void pageLoadStarted();
    void pageLoadFinished(const PageLoad &load);
    void pageTitleChanged(const QString &title);
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
    /** The wait asked for by settleRequested() is over. */
    void settled();
    bool isPageAsleep() const { return m_lifecycle.isAsleep(); }

    /**
     * How long until the reload timer reloads the page, given the time to its next tick:
     * a very large number while the slot is stopped.
     */
    qint64 msUntilReload(qint64 msUntilNextTick, int tickIntervalMs) const;

    bool isReloadTimerActive() const { return m_reloadTimerActive; }
    bool isClockTimerActive() const { return m_clockActive; }
    SlotStatus status() const;
    int reloadCounter() const { return m_counter; }
    /** The period used when the period box holds no valid number; it is what the period label shows. */
    int acceptedPeriod() const { return m_acceptedPeriod; }
    /** The period the period box says now; none when it says no period. */
    std::optional<int> typedPeriod() const { return m_typedPeriod; }
    OnlineTime onlineTime() const { return OnlineTime::fromSeconds(m_onlineSeconds); }
    const ReloadReport &lastReload() const { return m_lastReload; }
    int answeredDialogs() const { return m_answeredDialogs; }
    const QString &pageTitle() const { return m_pageTitle; }
    /** What is kept of this slot for the next start; none for a slot that was never opened nor started. */
    std::optional<SavedSlot> savedState() const;
    /** Goes on as it was before a restart: opens the page and, if it ran, starts with its period. */
    void resume(const SavedSlot &saved);

    /** Whether a reload this slot asked for is still to load. */
    bool isReloadPending() const { return m_reloadPending; }
    /** The status label's tool tip: the last reload and, if any, the dialogs answered for the user. */
    QString reportText() const;

signals:
    void reloadTimerActiveChanged(bool active);
    void clockTimerActiveChanged(bool active);
    void statusChanged(kelvora::SlotStatus status);
    void periodLabelChanged(const QString &text);
    void onlineTimeChanged(const kelvora::OnlineTime &time);
    void reportChanged(const QString &text);
    /** The page has loaded and may sleep soon: settled() is to be called after a short wait. */
    void settleRequested();
    /** The timer reload is to come `ms` from now: delayedReloadDue() is to be called then. */
    void reloadDelayed(int ms);
    /** The reload timer is to count its ticks afresh from now. */
    void reloadTimerRestartRequested();
    /** The page has been put to sleep: what it held is free now. */
    void pageSlept();
    /** What savedState() says has changed. */
    void savedStateChanged();
    /** The member went from logged in to logged out, or back. */
    void loggedOutChanged(bool loggedOut);
    /** The slot was opened on an address. */
    void opened(const QString &address);
    /** A reload the slot asked for has ended so: what the status label's tool tip reports. */
    void reloadReported(const kelvora::ReloadReport &report);

private:
    void setReloadTimerActive(bool active);
    void noteSavedState();
    void notePageSigns(const LoginSigns &signs);
    void report(bool succeeded, const QString &reason);
    void apply(PageLifecycle::Action action, ReloadCause cause = ReloadCause::Timer);
    void reloadForTimer();

    Browser &m_browser;
    const Clock &m_clock;
    bool m_reloadTimerActive = false;
    bool m_clockActive = false;
    int m_counter = 0;
    bool m_lateReloads = false;
    bool m_reloadDelayed = false; ///< a timer reload waits for delayedReloadDue()
    int m_tickMs = 60000;
    std::function<double()> m_random;
    int m_acceptedPeriod = 1;
    std::optional<int> m_typedPeriod = 1;
    qint64 m_openedAtMs = 0;
    qint64 m_onlineSeconds = 0;
    bool m_loading = false;
    bool m_reloadPending = false; ///< the load under way is a reload this slot asked for
    bool m_pageHoldsInput = false;
    bool m_keptForInput = false; ///< the last reload went aside, to keep what was typed
    QUrl m_pageUrl;
    /// The web page an open asked for, until a web page has come in its place or finished loading:
    /// till then, what the browser showed before may still report its end, and a plain reload
    /// would reload that page and drop the open.
    QUrl m_opening;
    std::optional<LoginSigns> m_pageSigns; ///< what the last page loaded showed of a login
    LoginWatch m_login;
    QUrl m_keptUrl; ///< the page kept online: as started, then as each successful reload found it
    std::optional<SavedSlot> m_lastSaved;
    ReloadReport m_lastReload;
    int m_answeredDialogs = 0;
    QString m_pageTitle;
    PageLifecycle m_lifecycle;
};

} // namespace kelvora
