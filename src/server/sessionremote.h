#pragma once

#include "core/remotesession.h"

#include <QObject>

#include <array>

namespace kelvora {

class AccountStoreWithMemory;
class SlotSession;

/** The running session as the web page reads and steers it. */
class SessionRemote final : public QObject, public RemoteSession
{
    Q_OBJECT

public:
    /** `memory`: the session's account store, where it holds accounts in memory for want of one. */
    explicit SessionRemote(SlotSession &session, const AccountStoreWithMemory *memory = nullptr,
                           QObject *parent = nullptr);

    std::vector<RemoteSlot> slotViews() const override;
    RemoteOptions options() const override;
    std::vector<RecordSlotPicture> recordPicture() const override;
    QString recordPath() const override;
    RemoteResult open(int slot, const QString &address) override;
    RemoteResult setPeriod(int slot, int period) override;
    RemoteResult start(int slot) override;
    void stop(int slot) override;
    RemoteResult reloadNow(int slot) override;
    void giveAccount(int slot, const Account &account) override;
    void forgetAccount(int slot) override;
    void setLateReloads(bool on) override;
    void setPreventSleep(bool on) override;

private:
    SlotSession &m_session;
    const AccountStoreWithMemory *m_memory;
    std::array<AccountNote, SlotCount> m_notes{};
};

} // namespace kelvora
