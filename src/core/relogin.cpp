#include "core/relogin.h"

#include <algorithm>
#include <utility>

namespace kelvora {

void ReloginPlan::setHasAccount(bool has)
{
    m_hasAccount = has;
    m_trying = false;
    // An account given anew is tried again, however the last one fared.
    m_failuresInARow = 0;
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
    qint64 at = m_triesThisHour.back() + periodMs;
    if (int(m_triesThisHour.size()) >= TriesAnHour)
        at = std::max(at, m_triesThisHour[m_triesThisHour.size() - TriesAnHour] + HourMs);
    return at;
}

bool ReloginPlan::startTry(qint64 nowMs, qint64 periodMs)
{
    while (!m_triesThisHour.empty() && m_triesThisHour.front() + HourMs <= nowMs)
        m_triesThisHour.pop_front();
    const std::optional<qint64> at = nextTryAt(periodMs);
    if (!at || *at > nowMs)
        return false;
    m_trying = true;
    m_triesThisHour.push_back(nowMs);
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
