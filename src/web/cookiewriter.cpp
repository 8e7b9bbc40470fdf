#include "web/cookiewriter.h"

#include <QNetworkCookie>
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

} // namespace

CookieWriter::CookieWriter(const QList<QWebEngineProfile *> &profiles, QObject *parent) : QObject(parent)
{
    for (QWebEngineProfile *profile : profiles) {
        if (profile->isOffTheRecord())
            continue;
        const std::size_t index = m_stores.size();
        m_stores.push_back({profile->cookieStore()});
        connect(profile->cookieStore(), &QWebEngineCookieStore::cookieAdded, this,
                [this, index](const QNetworkCookie &cookie) {
                    if (!isMark(cookie))
                        m_stores[index].changed = true;
                });
        connect(profile->cookieStore(), &QWebEngineCookieStore::cookieRemoved, this,
                [this, index](const QNetworkCookie &cookie) {
                    if (isMark(cookie))
                        answered(index);
                    else
                        m_stores[index].changed = true;
                });
    }
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &CookieWriter::finish);
}

void CookieWriter::write(int timeoutMs)
{
    if (m_writing)
        return;
    m_writing = true;
    const QNetworkCookie mark(MarkName, QByteArrayLiteral("1"));
    bool asked = false;
    for (Store &entry : m_stores) {
        if (!std::exchange(entry.changed, false))
            continue;
        entry.asked = asked = true;
        entry.store->setCookie(mark, markOrigin());
        entry.store->deleteCookie(mark, markOrigin());
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
