#include "core/address.h"

namespace kelvora {

QUrl addressFromUserInput(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {QStringLiteral("about:blank")};
    QUrl url = QUrl::fromUserInput(trimmed);
    if (!url.isValid() || (url.host().isEmpty() && (url.scheme() == u"http" || url.scheme() == u"https")))
        return {QStringLiteral("about:blank")};
    return url;
}

QString addressForRecord(const QString &address)
{
    return addressFromUserInput(address)
        .adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment)
        .toString();
}

namespace {

bool isPasswordName(const QString &name)
{
    const QString n = QUrl::fromPercentEncoding(name.toUtf8()).toLower();
    return n.contains(u"password") || n.contains(u"passwd") || n == u"pass" || n == u"pwd" || n == u"pw" ||
           n == u"psw";
}

} // namespace

QString addressForState(const QString &address)
{
    QUrl url(address);
    if (!url.isValid())
        return address;
    bool dropped = !url.userInfo().isEmpty();
    url.setUserInfo({});
    if (url.hasQuery()) {
        QStringList kept;
        for (const QString &item : url.query(QUrl::FullyEncoded).split(u'&')) {
            if (isPasswordName(item.section(u'=', 0, 0)))
                dropped = true;
            else
                kept << item;
        }
        if (dropped)
            url.setQuery(kept.isEmpty() ? QString() : kept.join(u'&'), QUrl::StrictMode);
    }
    return dropped ? url.toString() : address;
}

} // namespace kelvora
