#pragma once

#include "webui/webrequest.h"

#include <QHash>
#include <QHostAddress>
#include <QStringList>

#include <optional>

namespace kelvora {

/**
 * The names a request's Host header may give: the address the page is served on, "localhost" and
 * the loopback addresses when that is loopback, and the names the user set, each with the port. Any
 * other is a name that only points here (DNS rebinding) and gets no answer.
 */
class HostCheck
{
public:
    HostCheck(const QHostAddress &bound, quint16 port, const QStringList &names);
    bool allows(const QByteArray &hostHeader) const;

private:
    QStringList m_names;
    quint16 m_port = 0;
};

/**
 * Whether the browser says the request was made by another site's page: its Sec-Fetch-Site, or
 * else its Origin, or else its Referer, against the page's own origin ("http://host:port").
 */
bool fromAnotherSite(const WebRequest &request, const QString &ownOrigin);

/**
 * Failed logins per address: after `limit` failures within `windowMs` the address is banned for
 * `banMs`. Time is given by the caller.
 */
class LoginThrottle
{
public:
    LoginThrottle(int limit, qint64 windowMs, qint64 banMs)
        : m_limit(limit), m_windowMs(windowMs), m_banMs(banMs)
    {}

    bool isBanned(const QHostAddress &address, qint64 nowMs) const;
    void failed(const QHostAddress &address, qint64 nowMs);
    void succeeded(const QHostAddress &address) { m_entries.remove(key(address)); }

private:
    struct Entry
    {
        int failures = 0;
        qint64 firstMs = 0;
        std::optional<qint64> bannedUntilMs;
    };
    static QString key(const QHostAddress &address);

    int m_limit;
    qint64 m_windowMs;
    qint64 m_banMs;
    QHash<QString, Entry> m_entries;
};

/** A logged-in browser: its cookie's id, the token its changes must carry, when it was last seen. */
struct WebSession
{
    QByteArray id;
    QByteArray csrfToken;
    qint64 lastSeenMs = 0;
};

/** The logged-in browsers; one idle for `idleMs` is logged out. */
class WebSessions
{
public:
    WebSessions(qint64 idleMs, int most) : m_idleMs(idleMs), m_most(most) {}

    /** A new session with new random ids, the oldest let go where there are too many. */
    const WebSession &create(qint64 nowMs);
    /** The session of that id, seen now; null when there is none or it lapsed. */
    const WebSession *find(const QByteArray &id, qint64 nowMs);
    void remove(const QByteArray &id) { m_sessions.remove(id); }
    int count() const { return int(m_sessions.size()); }

private:
    qint64 m_idleMs;
    int m_most;
    QHash<QByteArray, WebSession> m_sessions;
};

/** A random string of `bytes` bytes from the system's secure generator, base64url. */
QByteArray randomToken(int bytes = 24);
/** Compares in a time that does not depend on where they differ. */
bool equalInConstantTime(const QByteArray &a, const QByteArray &b);

} // namespace kelvora
