#include "core/forumslot.h"

#include "core/address.h"
#include "core/browser.h"
#include "core/clock.h"

#include <algorithm>
#include <utility>

namespace kelvora {
namespace {
// How long a loaded page is left to run its scripts and store its cookies before it may sleep.
constexpr qint64 SettleMs = 2000;
// The longest a forum may take over a page: a timer reload waits this long for the page under way.
constexpr qint64 LoadLimitMs = 60000;
// After a wake the network may take a while to come back (Wi-Fi, DHCP): reloads that fail in this
// time are tried again every few seconds rather than told.
constexpr qint64 WakeQuietMs = 30000;
constexpr qint64 WakeRetryMs = 3000;
} // namespace

SlotStatus ForumSlot::status() const
{
    if (!isRunning())
        return SlotStatus::Stopped;
    return m_login.state() == LoginWatch::State::LoggedOut ? SlotStatus::LoggedOut : SlotStatus::Running;
}

ForumSlot::ForumSlot(Browser &browser, const Clock &clock, TimerFactory &timers,
                     const SlotDescription &description, QObject *parent, bool pagesMaySleep)
    : QObject(parent), m_browser(browser), m_clock(clock),
      m_schedule(timers, description.names.refreshTimer, clock, description.tickIntervalMs),
      m_onlineClock(timers, description.names.clockTimer, clock),
      m_settle(timers.makeTimer(QStringLiteral("settle"), SettleMs)),
      m_loadLimit(timers.makeTimer(QStringLiteral("loadLimit"), LoadLimitMs)), m_loadLimitMs(LoadLimitMs),
      m_lifecycle(pagesMaySleep), m_try(*this, timers),
      m_wakeRetry(timers.makeTimer(QStringLiteral("wakeRetry"), WakeRetryMs))
{
    m_wakeRetry->setCallback([this] {
        if (isRunning())
            reloadForTimer();
    });
    m_loadLimit->setCallback([this] { giveUpLoad(); });
    m_schedule.setDueCallback([this] { reloadForTimer(); });
    m_onlineClock.setChangedCallback([this](const OnlineTime &time) { emit onlineTimeChanged(time); });
    // A page being logged in again stays awake between the steps of the try.
    m_settle->setCallback([this] {
        if (!m_try.isUnderWay())
            apply(m_lifecycle.graceOver());
    });
}

ForumSlot::~ForumSlot() = default;

void ForumSlot::load(const QString &address)
{
    m_pageUrl = addressFromUserInput(address);
    m_opening = isWebPage(m_pageUrl) ? m_pageUrl : QUrl();
    m_browser.load(address);
}

void ForumSlot::open(const QString &address)
{
    load(address);
    m_onlineClock.start(); // a second open reloads the page but keeps the clock going
    emit opened(address);
    noteSavedState();
}

void ForumSlot::resume(const SavedSlot &saved)
{
    emit resumed(saved);
    open(saved.address);
    choosePeriod(saved.period);
    setTypedPeriod(saved.period);
    if (saved.running) {
        start(true);
        m_try.plan().restore(saved.relogin, m_clock.steadyMs(), m_clock.wallMs());
    }
    noteSavedState();
}

ForumSlot::StartResult ForumSlot::start()
{
    return start(false);
}

ForumSlot::StartResult ForumSlot::start(bool resumed)
{
    const std::optional<int> period = m_typedPeriod;
    if (!period)
        return StartResult::BadPeriod;
    if (!isWebPage(m_pageUrl))
        return StartResult::NoWebPage;
    m_acceptedPeriod = *period;
    emit periodChanged(*period);
    m_keptUrl = m_pageUrl;
    const bool wasLoggedOut = status() == SlotStatus::LoggedOut;
    // Judged against the page shown now; one still loading is judged when it has loaded. A slot
    // going on was kept logged in: its first page tells whether it still is.
    if (resumed)
        m_login.resume();
    else
        m_login.start(m_loading ? std::nullopt : m_pageSigns);
    m_try.cancel();
    m_try.plan().loggedIn();
    // Started again while running: the period under way goes on, with the new period.
    const bool wasRunning = isRunning();
    if (wasRunning)
        m_schedule.setPeriod(*period);
    else
        m_schedule.start(*period);
    if (!wasRunning)
        tellRunning(true);
    if (wasLoggedOut) {
        emit statusChanged(status());
        emit loggedOutChanged(false);
    }
    emit reportChanged();
    noteSavedState();
    return StartResult::Started;
}

void ForumSlot::stop()
{
    const bool wasLoggedOut = status() == SlotStatus::LoggedOut;
    const bool wasRunning = isRunning();
    m_schedule.stop();
    m_reloadOwed = false;
    m_loadLimit->stop();
    m_report.slowPageMs.reset();
    m_try.cancel();
    m_try.plan().loggedIn();
    if (wasRunning)
        tellRunning(false);
    if (wasLoggedOut)
        emit loggedOutChanged(false);
    emit reportChanged();
    noteSavedState();
}

void ForumSlot::setTypedPeriod(std::optional<int> period)
{
    m_typedPeriod = period;
    // A period typed while running counts for the period under way; text that is no period falls
    // back to the accepted one, so a running slot always keeps reloading.
    m_schedule.setPeriod(this->period());
    noteSavedState();
}

void ForumSlot::choosePeriod(int period)
{
    m_acceptedPeriod = period;
    emit periodChanged(period);
    m_schedule.setPeriod(this->period());
    noteSavedState();
}

std::optional<SavedSlot> ForumSlot::savedState() const
{
    if (isRunning() && isWebPage(m_keptUrl))
        return SavedSlot{m_keptUrl.toString(), period(), true, m_try.plan().kept(m_clock.steadyMs())};
    if (isOpen() && isWebPage(m_pageUrl))
        return SavedSlot{m_pageUrl.toString(), period(), false};
    return std::nullopt;
}

void ForumSlot::noteSavedState()
{
    std::optional<SavedSlot> now = savedState();
    if (now == m_lastSaved)
        return;
    m_lastSaved = std::move(now);
    emit savedStateChanged();
}

void ForumSlot::reloadNow()
{
    apply(m_lifecycle.reloadDue(), ReloadCause::User);
}

void ForumSlot::reloadForTimer()
{
    if (m_try.isUnderWay())
        return; // the try ends on the slot's own page, loaded afresh: that is this period's reload
    if (m_loading) {
        // A forum slower than the period gets to finish its page: a reload now would cancel it,
        // and the forum would never send a page at all. The reload comes the moment it has.
        const qint64 waited = m_clock.steadyMs() - m_loadStartedMs;
        if (waited < m_loadLimitMs) {
            if (!std::exchange(m_reloadOwed, true))
                m_loadLimit->start(m_loadLimitMs - waited);
            return;
        }
        giveUpLoad();
        return;
    }
    apply(m_lifecycle.reloadDue(m_pageHoldsInput));
}

void ForumSlot::giveUpLoad()
{
    m_reloadOwed = false;
    if (!m_loading || !isRunning())
        return;
    // A forum that never answers would otherwise look like one that is fine; a page that got
    // its answer but never finished (a script that never ends) is no fault of the forum's.
    const qint64 waitedSeconds = (m_clock.steadyMs() - m_loadStartedMs + 500) / 1000;
    noteReload({m_browser.isPageAnswered() ? ReloadOutcome::Unfinished : ReloadOutcome::NoAnswer,
                static_cast<int>(std::max<qint64>(1, waitedSeconds))});
    m_loadStartedMs = m_clock.steadyMs(); // the reload's own load starts now
    apply(m_lifecycle.reloadDue(m_pageHoldsInput));
}

void ForumSlot::pageLoadStarted()
{
    m_loading = true;
    m_loadStartedMs = m_clock.steadyMs();
    m_pageHoldsInput = false; // a new page holds nothing typed yet
    m_lifecycle.loadStarted();
}

void ForumSlot::pageLoadFinished(const PageLoad &load)
{
    // The engine tells of one load at a time, whatever ended: a load asked while another was under
    // way may end without a word, so nothing it will tell of is loading now.
    m_loading = false;
    // A load given up for a newer one tells nothing about the forum, and neither does the page
    // shown before an open (the start page) ending after it: the open goes on.
    if (load.outcome == PageLoad::Outcome::Stopped || (!m_opening.isEmpty() && !load.webPage)) {
        reloadIfOwed();
        return;
    }
    m_opening.clear();
    if (load.signs)
        notePageSigns(*load.signs);
    if (m_try.isUnderWay()) {
        apply(m_lifecycle.loadFinished());
        m_try.loadFinished(load);
        return;
    }
    // Only the slot's own reloads are reported: the open, the start page and the user's own
    // steps in the page are no reload, and a page from the cache never reached the forum.
    if (std::exchange(m_reloadPending, false)) {
        const ReloadResult result = reloadResultOf(load);
        if (retriedAfterWake(result)) {
            apply(m_lifecycle.loadFinished());
            return;
        }
        const qint64 tookMs = m_clock.steadyMs() - m_loadStartedMs;
        if (result.answered() && tookMs > qint64(period()) * m_schedule.tickMs())
            m_report.slowPageMs = tookMs;
        else if (result.answered())
            m_report.slowPageMs.reset();
        noteReload(result);
        // The forum may have moved the page (a new thread page): keep it there; not to the
        // login page a logged-out member is sent to.
        if (result.answered() && status() == SlotStatus::Running) {
            m_keptUrl = m_pageUrl;
            noteSavedState();
        }
    }
    apply(m_lifecycle.loadFinished());
    reloadIfOwed();
    tryIfDue();
}

bool ForumSlot::retriedAfterWake(const ReloadResult &result)
{
    const bool noNetwork =
        result.outcome == ReloadOutcome::NetworkError || result.outcome == ReloadOutcome::NoAnswer;
    if (!noNetwork || !isRunning() || m_clock.steadyMs() >= m_wakeQuietUntilMs)
        return false;
    m_wakeRetry->start(WakeRetryMs);
    return true;
}

void ForumSlot::systemWoke()
{
    if (!isRunning())
        return;
    m_wakeQuietUntilMs = m_clock.steadyMs() + WakeQuietMs;
    m_schedule.restartPeriod();
    if (m_try.isUnderWay())
        return; // the try loads the slot's own page at its end
    m_reloadOwed = false;
    m_loadLimit->stop();
    apply(m_lifecycle.reloadDue(m_pageHoldsInput));
}

void ForumSlot::reloadIfOwed()
{
    if (!std::exchange(m_reloadOwed, false))
        return;
    m_loadLimit->stop();
    if (isRunning())
        apply(m_lifecycle.reloadDue(m_pageHoldsInput));
}

void ForumSlot::notePageSigns(const LoginSigns &signs)
{
    m_pageSigns = signs;
    if (!isRunning() || !m_login.pageLoaded(signs, m_clock.wallTime()))
        return;
    if (m_login.state() == LoginWatch::State::LoggedOut)
        m_try.plan().loggedOut();
    else
        m_try.plan().loggedIn();
    noteSavedState();
    emit statusChanged(status());
    emit loggedOutChanged(m_login.state() == LoginWatch::State::LoggedOut);
    emit reportChanged();
}

SlotReport ForumSlot::report() const
{
    SlotReport report = m_report;
    report.running = isRunning();
    report.startedLoggedOut = m_login.startedLoggedOut();
    report.loggedOut = status() == SlotStatus::LoggedOut;
    report.loggedOutSince = m_login.loggedOutSince();
    report.loggedOutReason = m_login.reason();
    report.accountUser = m_try.accountUser();
    report.relogin = m_try.plan().state();
    if (report.loggedOut)
        report.reloginFailure = m_try.plan().lastFailure();
    return report;
}

void ForumSlot::pageInputChanged(bool holdsInput)
{
    m_pageHoldsInput = holdsInput;
}

void ForumSlot::asideLoadFinished(const PageLoad &load)
{
    if (load.outcome != PageLoad::Outcome::Stopped)
        noteReload(reloadResultOf(load));
}

void ForumSlot::pageUrlChanged(const QUrl &address)
{
    if (!m_opening.isEmpty()) {
        // The page before the open, committed late, is passed over; once the opened page has
        // come, a reload reloads it.
        if (!isWebPage(address))
            return;
        m_opening.clear();
    }
    m_pageUrl = address;
}

void ForumSlot::pageRendererGone()
{
    m_loading = false;
    m_reloadPending = false;
    noteReload({ReloadOutcome::RendererGone, 0});
    reloadIfOwed();
}

void ForumSlot::setPageSeen(bool seen)
{
    apply(m_lifecycle.seenChanged(seen));
}

void ForumSlot::apply(PageLifecycle::Action action, ReloadCause cause)
{
    switch (action) {
    case PageLifecycle::Action::None:
        break;
    case PageLifecycle::Action::StartGrace:
        m_settle->start(SettleMs);
        break;
    case PageLifecycle::Action::Sleep:
        m_browser.sleep();
        emit pageSlept();
        break;
    case PageLifecycle::Action::Wake:
        m_browser.wake();
        break;
    case PageLifecycle::Action::WakeAndReload:
        m_reloadPending = true;
        m_browser.wakeAndReload();
        break;
    case PageLifecycle::Action::Reload:
        m_reloadPending = true;
        m_report.keptForInput = false;
        // A reload before the opened page has come would reload the page before it and drop
        // the open: ask for the opened page again instead.
        if (!m_opening.isEmpty())
            m_browser.load(m_opening.toString());
        else
            m_browser.reload(cause);
        break;
    case PageLifecycle::Action::ReloadAside:
        m_report.keptForInput = true;
        m_browser.reloadAside();
        break;
    }
}

void ForumSlot::pageDialogAnswered()
{
    ++m_report.answeredDialogs;
    emit reportChanged();
}

void ForumSlot::noteReload(const ReloadResult &result)
{
    m_report.lastReload = {m_clock.wallTime(), result};
    emit reloaded(m_report.lastReload);
    emit reportChanged();
}

void ForumSlot::tellRunning(bool running)
{
    emit runningChanged(running);
    emit statusChanged(status());
    apply(m_lifecycle.runningChanged(running));
}

} // namespace kelvora

namespace kelvora {

void ForumSlot::setAccountStore(AccountStore *store, int index)
{
    m_try.setAccountStore(store, index);
}

void ForumSlot::setAccount(const std::optional<QString> &userName, bool givenAnew)
{
    if (!m_try.setAccount(userName, givenAnew))
        return;
    noteSavedState();
    emit reportChanged();
    // Found at the start for a slot that went on logged out, or given while it is: no need to wait
    // for the next reload.
    if (!m_loading)
        tryIfDue();
}

void ForumSlot::tryIfDue()
{
    if (status() == SlotStatus::LoggedOut)
        m_try.startIfDue(m_clock.steadyMs(), qint64(period()) * m_schedule.tickMs(), m_clock.wallMs());
}

void ForumSlot::loginSubmitted(LoginFill fill)
{
    m_try.loginSubmitted(fill);
}

void ForumSlot::loginRefusedInPlace()
{
    m_try.refusedInPlace();
}

std::optional<LoginSigns> ForumSlot::loadedSigns() const
{
    return m_loading ? std::nullopt : m_pageSigns;
}

void ForumSlot::tryStarted()
{
    noteSavedState();
    emit reportChanged();
}

void ForumSlot::tryEnded(std::optional<ReloginPlan::Failure> failure, bool givenUp)
{
    if (!failure)
        emit reloggedIn();
    else
        emit reloginFailed(*failure, givenUp);
    noteSavedState();
    if (!m_loading)
        m_settle->start(SettleMs); // the page may sleep again
    emit reportChanged();
}

} // namespace kelvora
