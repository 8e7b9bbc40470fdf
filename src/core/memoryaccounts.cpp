#include "core/memoryaccounts.h"

namespace kelvora {

void AccountStoreWithMemory::read(int slot, QObject *context, Done done)
{
    if (const auto held = m_held.constFind(slot); held != m_held.cend()) {
        const Account account = *held;
        QMetaObject::invokeMethod(
            context,
            [done = std::move(done), account] {
                done({AccountStore::Status::Done, account, {}});
            },
            Qt::QueuedConnection);
        return;
    }
    m_system.read(slot, context, std::move(done));
}

void AccountStoreWithMemory::write(int slot, const Account &account, QObject *context, Done done)
{
    m_system.write(slot, account, context,
                   [this, slot, account, done = std::move(done)](const Answer &answer) {
                       if (answer.status != Status::NoStore) {
                           m_held.remove(slot);
                           done(answer);
                           return;
                       }
                       m_held.insert(slot, account);
                       done({Status::Done, std::nullopt, answer.error});
                   });
}

void AccountStoreWithMemory::forget(int slot, QObject *context, Done done)
{
    const bool held = m_held.remove(slot) > 0;
    m_system.forget(slot, context, [held, done = std::move(done)](const Answer &answer) {
        done(held && answer.status == Status::NoStore ? Answer{Status::Done, std::nullopt, {}} : answer);
    });
}

} // namespace kelvora
