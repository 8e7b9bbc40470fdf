#pragma once

#include "core/account.h"

#include <QHash>

namespace kelvora {

/**
 * The system's credential store where there is one; where there is none (a server), an account
 * given is held in memory for this run only, so the slot can still log in with it. Nothing of it
 * is ever written anywhere.
 */
class AccountStoreWithMemory final : public AccountStore
{
public:
    explicit AccountStoreWithMemory(AccountStore &system) : m_system(system) {}

    void read(int slot, QObject *context, Done done) override;
    void write(int slot, const Account &account, QObject *context, Done done) override;
    void forget(int slot, QObject *context, Done done) override;

    /** Whether slot `slot`'s account is held here, for want of a store. */
    bool holdsInMemory(int slot) const { return m_held.contains(slot); }

private:
    AccountStore &m_system;
    QHash<int, Account> m_held;
};

} // namespace kelvora
