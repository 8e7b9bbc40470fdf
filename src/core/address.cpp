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

} // namespace kelvora
