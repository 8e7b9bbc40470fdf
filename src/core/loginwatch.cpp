#include "core/loginwatch.h"

namespace kelvora {

void LoginWatch::start(std::optional<LoginSigns> signs)
{
    m_state = State::LoggedIn;
    m_since = {};
    m_reason = Reason::None;
    m_startedLoggedOut = signs && signs->passwordField;
    m_watching = !m_startedLoggedOut;
    m_baseline = m_startedLoggedOut ? std::nullopt : signs;
}

bool LoginWatch::pageLoaded(const LoginSigns &signs, const QDateTime &at)
{
    if (!m_watching)
        return false;
    if (!m_baseline) {
        // Started before its page had loaded: the first page after the start is what it started on.
        start(signs);
        return false;
    }
    Reason reason = Reason::None;
    if (signs.passwordField)
        reason = Reason::LoginForm;
    else if (m_baseline->logoutLink && !signs.logoutLink)
        reason = Reason::LogoutLinkGone;
    const State now = reason == Reason::None ? State::LoggedIn : State::LoggedOut;
    if (now == m_state)
        return false;
    m_state = now;
    m_since = now == State::LoggedOut ? at : QDateTime();
    m_reason = reason;
    return true;
}

} // namespace kelvora
