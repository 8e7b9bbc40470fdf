#include "core/account.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace kelvora {
namespace {
const QString UserKey = QStringLiteral("user");
const QString PasswordKey = QStringLiteral("password");
const QString PageKey = QStringLiteral("loginPage");
} // namespace

QString storedAccountText(const Account &account)
{
    const QJsonObject object{{UserKey, account.userName},
                             {PasswordKey, account.password},
                             {PageKey, account.loginPage.toString()}};
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

std::optional<Account> accountFromStoredText(const QString &text)
{
    const QJsonObject object = QJsonDocument::fromJson(text.toUtf8()).object();
    if (!object.value(UserKey).isString() || !object.value(PasswordKey).isString())
        return std::nullopt;
    Account account{object.value(UserKey).toString(), object.value(PasswordKey).toString(),
                    QUrl(object.value(PageKey).toString())};
    if (account.userName.isEmpty() || account.password.isEmpty())
        return std::nullopt;
    return account;
}

} // namespace kelvora
