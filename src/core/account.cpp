#include "core/account.h"

#include <QEventLoop>
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

int forgetEveryAccountNow(AccountStore &store, int slotCount)
{
    QEventLoop loop;
    int waiting = slotCount;
    int failed = 0;
    for (int slot = 0; slot < slotCount; ++slot) {
        store.forget(slot, &loop, [&](const AccountStore::Answer &answer) {
            // Nothing kept, or no store to keep anything in: nothing is left to forget.
            if (answer.status == AccountStore::Status::Failed)
                ++failed;
            if (--waiting == 0)
                loop.quit();
        });
    }
    if (waiting > 0)
        loop.exec();
    return failed;
}

} // namespace kelvora
