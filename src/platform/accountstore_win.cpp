#include "platform/accountstore.h"

#include <QLoggingCategory>

#include <windows.h>
// after windows.h, which it needs
#include <wincred.h>

namespace kelvora {
namespace {

Q_LOGGING_CATEGORY(storeLog, "kelvora.accounts")

// An entry of the Credential Manager's generic credentials, kept on this machine for this user
// ("Kelvora/slot1"), never roaming with the user's profile.
std::wstring targetName(const QString &service, int slot)
{
    return QStringLiteral("%1/slot%2").arg(service).arg(slot + 1).toStdWString();
}

AccountStore::Answer failure(const char *what, const std::wstring &target)
{
    const DWORD error = GetLastError();
    if (error == ERROR_NOT_FOUND)
        return {AccountStore::Status::NotFound, {}, {}};
    const QString words = QStringLiteral("%1 %2: Windows error %3")
                              .arg(QLatin1String(what), QString::fromStdWString(target))
                              .arg(error);
    qCWarning(storeLog).noquote() << "the credential store did not do it:" << words;
    return {error == ERROR_NO_SUCH_LOGON_SESSION ? AccountStore::Status::NoStore
                                                 : AccountStore::Status::Failed,
            {},
            words};
}

// Answers in the event loop, as the other systems' stores do, and not at all once `context` is gone.
void answerLater(QObject *context, AccountStore::Done done, AccountStore::Answer answer)
{
    QMetaObject::invokeMethod(
        context, [done = std::move(done), answer = std::move(answer)] { done(answer); },
        Qt::QueuedConnection);
}

} // namespace

SystemAccountStore::SystemAccountStore(QString service) : m_service(std::move(service)) {}

void SystemAccountStore::read(int slot, QObject *context, Done done)
{
    const std::wstring target = targetName(m_service, slot);
    PCREDENTIALW found = nullptr;
    if (!CredReadW(target.c_str(), CRED_TYPE_GENERIC, 0, &found)) {
        answerLater(context, std::move(done), failure("reading", target));
        return;
    }
    const QByteArray text(reinterpret_cast<const char *>(found->CredentialBlob),
                          int(found->CredentialBlobSize));
    SecureZeroMemory(found->CredentialBlob, found->CredentialBlobSize);
    CredFree(found);
    Answer answer{Status::Done, accountFromStoredText(QString::fromUtf8(text)), {}};
    if (!answer.account)
        answer = {Status::NotFound, {}, QStringLiteral("not an account of this program")};
    answerLater(context, std::move(done), std::move(answer));
}

void SystemAccountStore::write(int slot, const Account &account, QObject *context, Done done)
{
    const std::wstring target = targetName(m_service, slot);
    const std::wstring user = QStringLiteral("slot%1").arg(slot + 1).toStdWString();
    QByteArray blob = storedAccountText(account).toUtf8();
    if (blob.size() > CRED_MAX_CREDENTIAL_BLOB_SIZE) {
        answerLater(context, std::move(done),
                    {Status::Failed, {}, QStringLiteral("the account is too long to keep")});
        return;
    }
    CREDENTIALW credential{};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = const_cast<wchar_t *>(target.c_str());
    credential.UserName = const_cast<wchar_t *>(user.c_str());
    credential.CredentialBlobSize = DWORD(blob.size());
    credential.CredentialBlob = reinterpret_cast<LPBYTE>(blob.data());
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    const bool written = CredWriteW(&credential, 0);
    Answer answer = written ? Answer{} : failure("writing", target);
    SecureZeroMemory(blob.data(), size_t(blob.size()));
    answerLater(context, std::move(done), std::move(answer));
}

void SystemAccountStore::forget(int slot, QObject *context, Done done)
{
    const std::wstring target = targetName(m_service, slot);
    Answer answer;
    if (!CredDeleteW(target.c_str(), CRED_TYPE_GENERIC, 0)) {
        answer = failure("forgetting", target);
        if (answer.status == Status::NotFound)
            answer = {};
    }
    answerLater(context, std::move(done), std::move(answer));
}

} // namespace kelvora
