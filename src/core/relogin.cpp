#include "core/relogin.h"

#include <algorithm>
#include <utility>

namespace kelvora {

void ReloginPlan::setHasAccount(bool has, bool givenAnew)
{
    m_hasAccount = has;
    m_trying = false;
    if (givenAnew) {
        m_failuresInARow = 0;
        m_lastFailure.reset();
    }
}

ReloginPlan::Kept ReloginPlan::kept(qint64 nowMs) const
{
    Kept kept;
    for (const Try &tried : m_triesThisHour) {
        if (tried.atMs + HourMs > nowMs)
            kept.triesAtMs.push_back(tried.wallAtMs);
    }
    kept.failuresInARow = m_failuresInARow;
    kept.lastFailure = m_lastFailure;
    return kept;
}

void ReloginPlan::restore(const Kept &kept, qint64 nowMs, qint64 wallNowMs)
{
    m_failuresInARow = std::clamp(kept.failuresInARow, 0, FailuresToGiveUp);
    m_lastFailure = kept.lastFailure;
    m_triesThisHour.clear();
    for (const qint64 wallAt : kept.triesAtMs) {
        // A try kept "in the future" (the clock set back since) counts as made now.
        const qint64 ago = std::max<qint64>(0, wallNowMs - wallAt);
        if (ago < HourMs)
            m_triesThisHour.push_back({nowMs - ago, wallAt});
    }
    std::sort(m_triesThisHour.begin(), m_triesThisHour.end(),
              [](const Try &a, const Try &b) { return a.atMs < b.atMs; });
}

void ReloginPlan::loggedOut()
{
    m_loggedOut = true;
}

void ReloginPlan::loggedIn()
{
    m_loggedOut = false;
    m_trying = false;
    m_failuresInARow = 0;
    m_lastFailure.reset();
}

std::optional<qint64> ReloginPlan::nextTryAt(qint64 periodMs) const
{
    if (state() != State::Waiting)
        return std::nullopt;
    if (m_triesThisHour.empty())
        return qint64(0); // at once
    qint64 at = m_triesThisHour.back().atMs + periodMs;
    if (int(m_triesThisHour.size()) >= TriesAnHour)
        at = std::max(at, m_triesThisHour[m_triesThisHour.size() - TriesAnHour].atMs + HourMs);
    return at;
}

bool ReloginPlan::startTry(qint64 nowMs, qint64 periodMs, qint64 wallNowMs)
{
    while (!m_triesThisHour.empty() && m_triesThisHour.front().atMs + HourMs <= nowMs)
        m_triesThisHour.pop_front();
    const std::optional<qint64> at = nextTryAt(periodMs);
    if (!at || *at > nowMs)
        return false;
    m_trying = true;
    m_triesThisHour.push_back({nowMs, wallNowMs});
    return true;
}

void ReloginPlan::tryFailed(Failure failure)
{
    if (!std::exchange(m_trying, false))
        return;
    m_lastFailure = failure;
    // A forum is not asked twice with a password it refused: it may lock the account.
    m_failuresInARow = mayPass(failure) ? m_failuresInARow + 1 : FailuresToGiveUp;
}

ReloginPlan::State ReloginPlan::state() const
{
    if (!m_hasAccount || !m_loggedOut)
        return State::Idle;
    if (m_trying)
        return State::Trying;
    return m_failuresInARow >= FailuresToGiveUp ? State::GivenUp : State::Waiting;
}

} // namespace kelvora
