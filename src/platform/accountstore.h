#pragma once

#include "core/account.h"

namespace kelvora {

/**
 * The slots' accounts in the system's credential store: on Linux through QtKeychain, in the Secret
 * Service (GNOME Keyring, KeePassXC, …) or KWallet; on Windows in the Credential Manager. Each
 * slot's account is one entry of the service "Kelvora", named after the slot; nothing of it is
 * written anywhere else.
 */
class SystemAccountStore final : public AccountStore
{
public:
    /** `service`: the name the entries are kept under; tests give one of their own. */
    explicit SystemAccountStore(QString service = QStringLiteral("Kelvora"));

    void read(int slot, QObject *context, Done done) override;
    void write(int slot, const Account &account, QObject *context, Done done) override;
    void forget(int slot, QObject *context, Done done) override;

private:
    QString m_service;
};

} // namespace kelvora
