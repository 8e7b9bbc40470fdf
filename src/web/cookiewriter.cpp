#include "web/cookiewriter.h"

#include "web/enginequirks.h"

#include <QNetworkCookie>
#include <QStorageInfo>
#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

#include <algorithm>
#include <utility>

namespace kelvora {
namespace {

// Removing a cookie makes the engine write the store; this one, set and removed again on a host
// no page can have, also tells when that happened: its removal comes back as a signal.
const QByteArray MarkName = QByteArrayLiteral("kelvora-written");
const QString MarkHost = QStringLiteral("kelvora.invalid");

QUrl markOrigin()
{
    return QUrl(QStringLiteral("http://%1/").arg(MarkHost));
}

bool isMark(const QNetworkCookie &cookie)
{
    return cookie.name() == MarkName && cookie.domain().endsWith(MarkHost);
}

void askToWrite(QWebEngineCookieStore *store)
{
    const QNetworkCookie mark(MarkName, QByteArrayLiteral("1"));
    store->setCookie(mark, markOrigin());
    store->deleteCookie(mark, markOrigin());
}

// Below this, a write of the cookie file (its journal included) may find no room.
constexpr qint64 LowSpaceBytes = 1024 * 1024;

bool lowOnSpace(const QString &folder)
{
    const QStorageInfo disk(folder);
    return disk.isValid() && disk.bytesAvailable() < LowSpaceBytes;
}

// The engine hands a cookie of one host alone out with that host as its domain; set so, it would
// be a cookie of the host's subdomains too. It goes back as it came: with no domain, from its host.
QUrl originOf(const QNetworkCookie &cookie)
{
    QString host = cookie.domain();
    if (host.startsWith(u'.'))
        host.remove(0, 1);
    return QUrl(QStringLiteral("%1://%2/").arg(cookie.isSecure() ? u"https" : u"http", host));
}

QNetworkCookie asSet(QNetworkCookie cookie)
{
    if (!cookie.domain().startsWith(u'.'))
        cookie.setDomain(QString());
    return cookie;
}

} // namespace

CookieWriter::CookieWriter(const QList<QWebEngineProfile *> &profiles, int spaceCheckMs, QObject *parent)
    : QObject(parent)
{
    for (QWebEngineProfile *profile : profiles) {
        if (profile->isOffTheRecord())
            continue;
        const std::size_t index = m_stores.size();
        Store &entry = m_stores.emplace_back();
        entry.profile = profile;
        entry.store = profile->cookieStore();
        entry.folder = profile->persistentStoragePath();
        connect(profile->cookieStore(), &QWebEngineCookieStore::cookieAdded, this,
                [this, index](const QNetworkCookie &cookie) {
                    if (!isMark(cookie))
                        noteChange(index, cookie, false);
                });
        connect(profile->cookieStore(), &QWebEngineCookieStore::cookieRemoved, this,
                [this, index](const QNetworkCookie &cookie) {
                    if (isMark(cookie))
                        answered(index);
                    else
                        noteChange(index, cookie, true);
                });
    }
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &CookieWriter::finish);
    connect(&m_spaceCheck, &QTimer::timeout, this, &CookieWriter::checkSpace);
    if (!m_stores.empty())
        m_spaceCheck.start(spaceCheckMs);
}

void CookieWriter::noteChange(std::size_t index, const QNetworkCookie &cookie, bool removed)
{
    Store &entry = m_stores[index];
    entry.changed = true;
    entry.seen[QString::fromUtf8(cookie.name() + ';' + cookie.domain().toUtf8() + ';' +
                                 cookie.path().toUtf8())] = {cookie, removed};
    if (!entry.unwritten && lowOnSpace(entry.folder))
        checkSpace();
}

void CookieWriter::checkSpace()
{
    for (Store &entry : m_stores) {
        if (entry.seen.empty())
            continue; // nothing for the engine to write, so nothing it could have lost
        const bool low = lowOnSpace(entry.folder);
        if (low && !entry.unwritten) {
            qWarning("the disk of %s is full: logins are written once there is room",
                     qPrintable(entry.folder));
            entry.unwritten = true;
        } else if (!low && entry.unwritten) {
            setAgain(entry);
        }
    }
}

void CookieWriter::setAgain(Store &entry)
{
    entry.unwritten = false;
    entry.changed = true;
    engine::reopenCookieFile(*entry.profile);
    // Set again, a cookie is written again; one that went is set and taken away once more, so
    // that it goes from the file too.
    for (const auto &[key, change] : std::as_const(entry.seen)) {
        const auto &[cookie, removed] = change;
        entry.store->setCookie(asSet(cookie), originOf(cookie));
        if (removed)
            entry.store->deleteCookie(asSet(cookie), originOf(cookie));
    }
    askToWrite(entry.store);
}

void CookieWriter::write(int timeoutMs)
{
    if (m_writing)
        return;
    m_writing = true;
    checkSpace(); // what the engine could not write, where there is room for it now
    bool asked = false;
    for (Store &entry : m_stores) {
        if (!std::exchange(entry.changed, false))
            continue;
        entry.asked = asked = true;
        askToWrite(entry.store);
    }
    if (asked)
        m_timeout.start(timeoutMs);
    else
        QTimer::singleShot(0, this, &CookieWriter::finish);
}

void CookieWriter::answered(std::size_t index)
{
    m_stores[index].asked = false;
    if (m_writing && std::none_of(m_stores.begin(), m_stores.end(), [](const Store &s) { return s.asked; }))
        finish();
}

void CookieWriter::finish()
{
    if (!std::exchange(m_writing, false))
        return;
    m_timeout.stop();
    emit written();
}

} // namespace kelvora
