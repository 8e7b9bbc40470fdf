#include "webui/webguard.h"

#include <QNetworkInterface>
#include <QRandomGenerator>
#include <QUrl>

#include <algorithm>

namespace kelvora {
namespace {

QString hostName(const QHostAddress &address)
{
    const QString text = address.toString();
    return address.protocol() == QAbstractSocket::IPv6Protocol ? QLatin1Char('[') + text + QLatin1Char(']')
                                                               : text;
}

} // namespace

HostCheck::HostCheck(const QHostAddress &bound, quint16 port, const QStringList &names) : m_port(port)
{
    QList<QHostAddress> addresses{bound};
    if (bound == QHostAddress::Any || bound == QHostAddress::AnyIPv4 || bound == QHostAddress::AnyIPv6)
        addresses = QNetworkInterface::allAddresses();
    for (QHostAddress address : std::as_const(addresses)) {
        address.setScopeId({});
        m_names << hostName(address);
        if (address.isLoopback())
            m_names << QStringLiteral("localhost") << QStringLiteral("127.0.0.1") << QStringLiteral("[::1]");
    }
    for (const QString &name : names)
        m_names << name.trimmed().toLower();
    m_names.removeDuplicates();
}

bool HostCheck::allows(const QByteArray &hostHeader) const
{
    const QString host = QString::fromLatin1(hostHeader).trimmed().toLower();
    // "name:port", "[v6]:port"; a Host without a port means the scheme's own.
    const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
    const bool hasPort = colon > host.lastIndexOf(QLatin1Char(']'));
    QString name = hasPort ? host.left(colon) : host;
    bool portOk = true;
    const uint port = hasPort ? host.mid(colon + 1).toUInt(&portOk) : (m_port == 443 ? 443 : 80);
    if (!portOk || port != m_port || name.isEmpty())
        return false;
    return m_names.contains(name);
}

bool fromAnotherSite(const WebRequest &request, const QString &ownOrigin)
{
    if (const QByteArray site = request.header("Sec-Fetch-Site"); !site.isEmpty())
        return site != "same-origin" && site != "none";
    const auto originOf = [](const QByteArray &address) {
        const QUrl url(QString::fromUtf8(address));
        return url
            .adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
            .toString(QUrl::StripTrailingSlash);
    };
    // "null" (a sandboxed frame, a file) is another site too.
    if (const QByteArray origin = request.header("Origin"); !origin.isEmpty())
        return originOf(origin).compare(ownOrigin, Qt::CaseInsensitive) != 0;
    if (const QByteArray referer = request.header("Referer"); !referer.isEmpty())
        return originOf(referer).compare(ownOrigin, Qt::CaseInsensitive) != 0;
    return false;
}

QString LoginThrottle::key(const QHostAddress &address)
{
    bool v4 = false;
    const quint32 ip4 = address.toIPv4Address(&v4); // "::ffff:1.2.3.4" is 1.2.3.4
    return v4 ? QHostAddress(ip4).toString() : address.toString();
}

bool LoginThrottle::isBanned(const QHostAddress &address, qint64 nowMs) const
{
    const auto found = m_entries.constFind(key(address));
    return found != m_entries.cend() && found->bannedUntilMs && nowMs < *found->bannedUntilMs;
}

void LoginThrottle::failed(const QHostAddress &address, qint64 nowMs)
{
    // Addresses that failed long ago go, so a scan of many addresses does not grow this for ever.
    m_entries.removeIf([&](const auto &entry) {
        const Entry &e = entry.value();
        return e.bannedUntilMs ? nowMs >= *e.bannedUntilMs : nowMs - e.firstMs > m_windowMs;
    });
    Entry &entry = m_entries[key(address)];
    if (entry.failures == 0)
        entry.firstMs = nowMs;
    if (++entry.failures >= m_limit)
        entry.bannedUntilMs = nowMs + m_banMs;
}

const WebSession &WebSessions::create(qint64 nowMs)
{
    m_sessions.removeIf([&](const auto &entry) { return nowMs - entry.value().lastSeenMs > m_idleMs; });
    while (m_sessions.size() >= m_most) {
        const auto oldest = std::min_element(
            m_sessions.cbegin(), m_sessions.cend(),
            [](const WebSession &a, const WebSession &b) { return a.lastSeenMs < b.lastSeenMs; });
        m_sessions.erase(oldest);
    }
    WebSession session{randomToken(), randomToken(), nowMs};
    return *m_sessions.insert(session.id, session);
}

const WebSession *WebSessions::find(const QByteArray &id, qint64 nowMs)
{
    const auto found = m_sessions.find(id);
    if (found == m_sessions.end())
        return nullptr;
    if (nowMs - found->lastSeenMs > m_idleMs) {
        m_sessions.erase(found);
        return nullptr;
    }
    found->lastSeenMs = nowMs;
    return &*found;
}

QByteArray randomToken(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    // From the system's own cryptographic source, a byte a draw.
    for (int i = 0; i < bytes; ++i)
        raw[i] = char(QRandomGenerator::system()->generate() & 0xff);
    return raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

bool equalInConstantTime(const QByteArray &a, const QByteArray &b)
{
    unsigned char differ = a.size() == b.size() ? 0 : 1;
    const qsizetype n = std::max(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(i < a.size() ? a[i] : 0);
        const auto y = static_cast<unsigned char>(i < b.size() ? b[i] : 0);
        differ |= x ^ y;
    }
    return differ == 0;
}

} // namespace kelvora
