#include "core/forumslot.h"

#include "core/address.h"
#include "core/browser.h"
#include "core/clock.h"
#include "core/period.h"

#include <QRandomGenerator>

#include <algorithm>
#include <limits>
#include <utility>

namespace kelvora {

OnlineTime OnlineTime::fromSeconds(qint64 totalSeconds)
{
    OnlineTime t;
    t.hours = totalSeconds / 3600;
    t.minutes = static_cast<int>(totalSeconds / 60 % 60);
    t.seconds = static_cast<int>(totalSeconds % 60);
    return t;
}

QString statusText(SlotStatus status)
{
    switch (status) {
    case SlotStatus::Running:
        return QStringLiteral("运行中");
    case SlotStatus::LoggedOut:
        return QStringLiteral("已掉线");
    case SlotStatus::Stopped:
        break;
    }
    return QStringLiteral("已停止");
}

SlotStatus ForumSlot::status() const
{
    if (!m_reloadTimerActive)
        return SlotStatus::Stopped;
    return m_login.state() == LoginWatch::State::LoggedOut ? SlotStatus::LoggedOut : SlotStatus::Running;
}

ForumSlot::ForumSlot(Browser &browser, const Clock &clock, QObject *parent, bool pagesMaySleep)
    : QObject(parent), m_browser(browser), m_clock(clock), m_lifecycle(pagesMaySleep)
{}

void ForumSlot::load(const QString &address)
{
    m_pageUrl = addressFromUserInput(address);
    m_opening = isWebPage(m_pageUrl) ? m_pageUrl : QUrl();
    m_browser.load(address);
}

void ForumSlot::open(const QString &address)
{
    load(address);
    if (!m_clockActive) { // a second open reloads the page but keeps the clock going
        m_clockActive = true;
        m_openedAtMs = m_clock.nowMs();
        emit clockTimerActiveChanged(true);
    }
    emit opened(address);
    noteSavedState();
}

ForumSlot::StartResult ForumSlot::start()
{
    const std::optional<int> period = m_typedPeriod;
    if (!period)
        return StartResult::BadPeriod;
    if (!isWebPage(m_pageUrl))
        return StartResult::NoWebPage;
    m_acceptedPeriod = *period;
    emit periodLabelChanged(QString::number(*period));
    m_keptUrl = m_pageUrl;
    const bool wasLoggedOut = status() == SlotStatus::LoggedOut;
    // Judged against the page shown now; one still loading is judged when it has loaded.
    m_login.start(m_loading ? std::nullopt : m_pageSigns);
    setReloadTimerActive(true);
    if (wasLoggedOut) {
        emit statusChanged(status());
        emit loggedOutChanged(false);
    }
    emit reportChanged(reportText());
    noteSavedState();
    return StartResult::Started;
}

void ForumSlot::stop()
{
    m_reloadDelayed = false;
    const bool wasLoggedOut = status() == SlotStatus::LoggedOut;
    setReloadTimerActive(false);
    if (wasLoggedOut)
        emit loggedOutChanged(false);
    emit reportChanged(reportText());
    noteSavedState();
}

void ForumSlot::setTypedPeriod(std::optional<int> period)
{
    m_typedPeriod = period;
    noteSavedState();
}

std::optional<SavedSlot> ForumSlot::savedState() const
{
    // The period the slot reloads with now: a period typed while it runs counts from the next tick.
    const int period = m_typedPeriod.value_or(m_acceptedPeriod);
    if (m_reloadTimerActive && isWebPage(m_keptUrl))
        return SavedSlot{m_keptUrl.toString(), period, true};
    if (m_clockActive && isWebPage(m_pageUrl))
        return SavedSlot{m_pageUrl.toString(), period, false};
    return std::nullopt;
}

void ForumSlot::resume(const SavedSlot &saved)
{
    open(saved.address);
    m_acceptedPeriod = saved.period;
    emit periodLabelChanged(QString::number(saved.period));
    setTypedPeriod(saved.period);
    if (saved.running)
        start();
    noteSavedState();
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

void ForumSlot::choosePeriod(int period)
{
    m_acceptedPeriod = period;
    emit periodLabelChanged(QString::number(period));
    noteSavedState();
}

void ForumSlot::reloadTick()
{
    // The next period counts from the delayed reload, not from the tick that asked for it.
    if (m_reloadDelayed)
        return;
    ++m_counter;
    // A period typed while running takes effect at the next tick; text that is no period
    // falls back to the last accepted one, so a running slot always keeps reloading.
    const int period = m_typedPeriod.value_or(m_acceptedPeriod);
    if (m_counter < period)
        return;
    m_counter = 0;
    const double random = m_random ? m_random() : QRandomGenerator::global()->generateDouble();
    const qint64 delay = m_lateReloads ? reloadDelayMs(qint64(period) * m_tickMs, random) : 0;
    if (delay <= 0) {
        reloadForTimer();
        return;
    }
    m_reloadDelayed = true;
    emit reloadDelayed(static_cast<int>(delay));
}

void ForumSlot::delayedReloadDue()
{
    // A stop since the tick took the reload back.
    if (!std::exchange(m_reloadDelayed, false) || !m_reloadTimerActive)
        return;
    emit reloadTimerRestartRequested();
    reloadForTimer();
}

void ForumSlot::reloadForTimer()
{
    // A forum that never answers would otherwise look like one that is fine; a page that got
    // its answer but never finished (a script that never ends) is no fault of the forum's.
    if (m_loading)
        report(false, m_browser.isPageAnswered() ? pageUnfinishedReason() : noAnswerReason());
    apply(m_lifecycle.reloadDue(m_pageHoldsInput));
}

void ForumSlot::clockTick()
{
    if (!m_clockActive)
        return;
    // The clock shows the time elapsed since the slot was opened rather than counting ticks, so
    // late ticks (a busy event loop) cost no time. Ticks are due on whole seconds after the open:
    // rounding absorbs a tick that fires a little early or late.
    const qint64 elapsed = (m_clock.nowMs() - m_openedAtMs + 500) / 1000;
    if (elapsed <= m_onlineSeconds)
        return;
    m_onlineSeconds = elapsed;
    emit onlineTimeChanged(onlineTime());
}

void ForumSlot::pageLoadStarted()
{
    m_loading = true;
    m_pageHoldsInput = false; // a new page holds nothing typed yet
    m_lifecycle.loadStarted();
}

void ForumSlot::pageLoadFinished(const PageLoad &load)
{
    // A load given up for a newer one tells nothing about the forum; the newer one will.
    if (load.outcome == PageLoad::Outcome::Stopped)
        return;
    if (!m_opening.isEmpty()) {
        // The page shown before the open (the start page) ending after it: the open goes on.
        if (!load.webPage)
            return;
        m_opening.clear();
    }
    m_loading = false;
    if (load.signs)
        notePageSigns(*load.signs);
    // Only the slot's own reloads are reported: the open, the start page and the user's own
    // steps in the page are no reload, and a page from the cache never reached the forum.
    if (std::exchange(m_reloadPending, false)) {
        if (load.outcome != PageLoad::Outcome::Succeeded)
            report(false, failureReason(load));
        else if (!load.webPage)
            report(false, noForumReason());
        else if (load.fromCache)
            report(false, fromCacheReason());
        else {
            report(true, {});
            // The forum may have moved the page (a new thread page): keep it there; not to the
            // login page a logged-out member is sent to.
            if (status() == SlotStatus::Running)
                m_keptUrl = m_pageUrl;
            noteSavedState();
        }
    }
    apply(m_lifecycle.loadFinished());
}

void ForumSlot::pageTitleChanged(const QString &title)
{
    m_pageTitle = title;
}

void ForumSlot::notePageSigns(const LoginSigns &signs)
{
    m_pageSigns = signs;
    if (!m_reloadTimerActive || !m_login.pageLoaded(signs, m_clock.localTime()))
        return;
    const bool loggedOut = m_login.state() == LoginWatch::State::LoggedOut;
    emit statusChanged(status());
    emit loggedOutChanged(loggedOut);
    emit reportChanged(reportText());
}

void ForumSlot::pageInputChanged(bool holdsInput)
{
    m_pageHoldsInput = holdsInput;
}

void ForumSlot::asideLoadFinished(const PageLoad &load)
{
    if (load.outcome == PageLoad::Outcome::Stopped)
        return;
    if (load.outcome != PageLoad::Outcome::Succeeded)
        report(false, failureReason(load));
    else if (load.fromCache)
        report(false, fromCacheReason());
    else
        report(true, {});
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
    report(false, rendererGoneReason());
}

void ForumSlot::setPageSeen(bool seen)
{
    apply(m_lifecycle.seenChanged(seen));
}

void ForumSlot::settled()
{
    apply(m_lifecycle.graceOver());
}

void ForumSlot::apply(PageLifecycle::Action action, ReloadCause cause)
{
    switch (action) {
    case PageLifecycle::Action::None:
        break;
    case PageLifecycle::Action::StartGrace:
        emit settleRequested();
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
        m_keptForInput = false;
        // A reload before the opened page has come would reload the page before it and drop
        // the open: ask for the opened page again instead.
        if (!m_opening.isEmpty())
            m_browser.load(m_opening.toString());
        else
            m_browser.reload(cause);
        break;
    case PageLifecycle::Action::ReloadAside:
        m_keptForInput = true;
        m_browser.reloadAside();
        break;
    }
}

void ForumSlot::pageDialogAnswered()
{
    ++m_answeredDialogs;
    emit reportChanged(reportText());
}

qint64 ForumSlot::msUntilReload(qint64 msUntilNextTick, int tickIntervalMs) const
{
    if (!m_reloadTimerActive)
        return std::numeric_limits<qint64>::max();
    const int period = m_typedPeriod.value_or(m_acceptedPeriod);
    const qint64 ticks = std::max(1, period - m_counter);
    return std::max(qint64(0), msUntilNextTick) + (ticks - 1) * tickIntervalMs;
}

QString ForumSlot::reportText() const
{
    QString text = m_lastReload.text();
    if (m_reloadTimerActive && m_login.startedLoggedOut())
        text += QStringLiteral("\n这个页面显示尚未登录：这次挂机不检查是否掉线。请登录论坛后重新开始。");
    else if (status() == SlotStatus::LoggedOut)
        text += QStringLiteral("\n已掉线（%1 起）：%2")
                    .arg(m_login.loggedOutSince().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                         m_login.reason());
    if (m_keptForInput && m_reloadTimerActive)
        text += QStringLiteral("\n屏幕上的网页有尚未发送的输入，为保留它，刷新在后台进行");
    if (m_answeredDialogs > 0)
        text += QStringLiteral("\n已自动应答网页对话框 %1 次").arg(m_answeredDialogs);
    return text;
}

void ForumSlot::report(bool succeeded, const QString &reason)
{
    m_lastReload = {m_clock.localTime(), succeeded, reason};
    emit reloadReported(m_lastReload);
    emit reportChanged(reportText());
}

void ForumSlot::setReloadTimerActive(bool active)
{
    if (active == m_reloadTimerActive)
        return;
    m_reloadTimerActive = active;
    emit reloadTimerActiveChanged(active);
    emit statusChanged(status());
    apply(m_lifecycle.runningChanged(active));
}

} // namespace kelvora
