#pragma once

#include <QDateTime>

#include <optional>

namespace kelvora {

/** What a loaded page shows of a login, as the browser found it. Nothing of the page is changed. */
struct LoginSigns
{
    bool passwordField = false; ///< a password field the user can see (hidden dialogs don't count)
    bool logoutLink = false;    ///< a link or button that logs out (in English or in Chinese)
    friend bool operator==(const LoginSigns &, const LoginSigns &) = default;
};

/**
 * Whether the member a slot keeps online is still logged in, judged from each page the slot loads
 * against the page it was started on. Forums differ in everything but this: a logged-in member's
 * page has no visible password field, and once it had a logout link it keeps one. A member logged
 * out (elsewhere, or by the forum) gets a login form or loses the logout link.
 */
class LoginWatch
{
public:
    enum class State
    {
        LoggedIn,  ///< as when the slot was started (or not judged: see isWatching())
        LoggedOut, ///< since loggedOutSince(), for reason()
    };
    /** What a page showed that counts as logged out. */
    enum class Reason
    {
        None,
        LoginForm,       ///< the page shows a login form
        LogoutLinkGone,  ///< the logout link the page had is gone
        WhileNotRunning, ///< the slot went on after a restart on a page with a login form
    };

    /** The slot starts on a page that shows `signs`; none when they are not known yet. */
    void start(std::optional<LoginSigns> signs);
    /**
     * The slot goes on after a restart: it was kept logged in, so its first page judges it. A
     * login form there means the member was logged out while the program did not run.
     */
    void resume();
    /** A page the slot loaded shows `signs`. Returns true when the state changed. */
    bool pageLoaded(const LoginSigns &signs, const QDateTime &at);

    State state() const { return m_state; }
    /** False when the slot was started on a page that already asked to log in: nothing to judge by. */
    bool isWatching() const { return m_watching; }
    /** The slot was started on a page that showed a login form. */
    bool startedLoggedOut() const { return m_startedLoggedOut; }
    const QDateTime &loggedOutSince() const { return m_since; }
    /** Why the member counts as logged out. */
    Reason reason() const { return m_reason; }

private:
    std::optional<LoginSigns> m_baseline;
    bool m_watching = false;
    bool m_startedLoggedOut = false;
    bool m_resumed = false; ///< no page judged since resume(): a login form is a logout
    State m_state = State::LoggedIn;
    QDateTime m_since;
    Reason m_reason = Reason::None;
};

} // namespace kelvora
