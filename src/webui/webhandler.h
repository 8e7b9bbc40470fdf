#pragma once

#include "webui/webguard.h"
#include "webui/webrequest.h"

#include <QHostAddress>
#include <QJsonObject>
#include <QStringList>

#include <functional>
#include <optional>

namespace kelvora {

class RemoteSession;

/** What the web page's answers depend on besides the session. */
struct WebUiRules
{
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 0;
    QStringList hostNames;
    bool secure = false;
    /** The password's hash (see hashWebPassword); empty: `accessCode` stands for it. */
    QString passwordHash;
    QString accessCode;
    qint64 idleMs = 30LL * 60 * 1000;
    int mostSessions = 32;
    int loginLimit = 5;
    qint64 loginWindowMs = 15LL * 60 * 1000;
    qint64 banMs = 15LL * 60 * 1000;
    qsizetype largestBody = 16 * 1024;
};

/**
 * The web page and its JSON API over a RemoteSession: every request is checked (size, Host, a ban,
 * another site's origin, the login, the CSRF token) before anything of the session is read or
 * changed, and every answer gets the same safety headers. No socket: the server hands requests in.
 */
class WebUiHandler
{
public:
    /** `nowMs`: the wall clock, in milliseconds since the epoch. */
    WebUiHandler(RemoteSession &session, WebUiRules rules, std::function<qint64()> nowMs);

    WebReply handle(const WebRequest &request);

    /** A login whose password is still to be checked (see begin()). */
    struct PendingLogin
    {
        QString password;
    };
    /**
     * As handle(), but a login's password check, slow by design, is left to the caller, who may make
     * it away from the event loop: then there is no answer yet, `pending` holds the password, and
     * finishLogin() answers once passwordCheck() has told.
     */
    std::optional<WebReply> begin(const WebRequest &request, PendingLogin &pending);
    WebReply finishLogin(const WebRequest &request, bool matches);
    /** Checks a password as this handler does, in any thread: it holds a copy of what it needs. */
    std::function<bool(const QString &)> passwordCheck() const;
    /** Whether logins from `address` are refused for now; its connections are closed unread. */
    bool isBanned(const QHostAddress &address) const;
    const WebUiRules &rules() const { return m_rules; }

    static QString cookieName(quint16 port) { return QStringLiteral("kelvora_%1").arg(port); }

private:
    /** The answer; none where it waits for a login's password check (`pending` filled). */
    std::optional<WebReply> answer(const WebRequest &request, PendingLogin &pending);
    WebReply decorated(WebReply reply, const WebRequest &request) const;
    WebReply login(const WebRequest &request, bool matches);
    WebReply command(const WebRequest &request, const QStringList &route, const QJsonObject &body);
    WebReply state(const WebSession &session) const;
    WebReply record() const;
    WebReply page() const;
    const WebSession *sessionOf(const WebRequest &request);

    RemoteSession &m_session;
    WebUiRules m_rules;
    std::function<qint64()> m_nowMs;
    HostCheck m_hosts;
    LoginThrottle m_throttle;
    WebSessions m_sessions;
};

} // namespace kelvora
