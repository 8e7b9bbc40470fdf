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
    m_resumed = false;
}

void LoginWatch::resume()
{
    start(std::nullopt);
    m_resumed = true;
}

bool LoginWatch::pageLoaded(const LoginSigns &signs, const QDateTime &at)
{
    if (!m_watching)
        return false;
    if (!m_baseline) {
        if (m_resumed && signs.passwordField) {
            // It ran logged in when it was kept: the member was logged out in between. The page
            // that shows the member logged in again is what it is judged by from then on.
            const bool changed = m_state != State::LoggedOut;
            m_state = State::LoggedOut;
            if (changed)
                m_since = at;
            m_reason = Reason::WhileNotRunning;
            return changed;
        }
        // Started before its page had loaded: the first page after the start is what it started on.
        const bool wasLoggedOut = m_state == State::LoggedOut;
        start(signs);
        return wasLoggedOut;
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
