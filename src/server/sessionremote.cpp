#include "server/sessionremote.h"

#include "core/address.h"
#include "core/memoryaccounts.h"
#include "core/pageload.h"
#include "record/recorder.h"
#include "session/slotrunner.h"
#include "session/slotsession.h"
#include "web/webpage.h"

namespace kelvora {

SessionRemote::SessionRemote(SlotSession &session, const AccountStoreWithMemory *memory, QObject *parent)
    : QObject(parent), m_session(session), m_memory(memory)
{
    for (int i = 0; i < SlotCount; ++i) {
        connect(session.at(i), &SlotRunner::accountKept, this,
                [this, i](bool remembered, AccountStore::Status status) {
                    AccountNote &note = m_notes[std::size_t(i)];
                    if (status == AccountStore::Status::NoStore)
                        note = AccountNote::NoStore;
                    else if (status != AccountStore::Status::Done)
                        note = AccountNote::NotKept;
                    else if (!remembered)
                        note = AccountNote::Forgotten;
                    else
                        note = m_memory && m_memory->holdsInMemory(i) ? AccountNote::HeldInMemory
                                                                      : AccountNote::Kept;
                });
    }
}

std::vector<RemoteSlot> SessionRemote::slotViews() const
{
    std::vector<RemoteSlot> views;
    for (int i = 0; i < SlotCount; ++i) {
        const SlotRunner &runner = *m_session.at(i);
        const ForumSlot &slot = runner.slot();
        RemoteSlot view;
        view.index = i;
        view.title = runner.pageTitle();
        view.address = slot.isOpen() ? runner.page()->url().toString() : QString();
        view.inSeconds = runner.description().inSeconds;
        view.open = slot.isOpen();
        view.status = slot.status();
        view.report = slot.report();
        const OnlineTime online = slot.onlineTime();
        view.onlineSeconds = online.hours * 3600 + online.minutes * 60 + online.seconds;
        if (slot.isRunning())
            view.msUntilReload = slot.msUntilReload();
        view.period = slot.period();
        view.accountUser = slot.accountUser();
        view.accountNote = m_notes[std::size_t(i)];
        views.push_back(view);
    }
    return views;
}

RemoteOptions SessionRemote::options() const
{
    return {m_session.lateReloads(), m_session.preventSleep(), m_session.keepsAwake()};
}

std::vector<RecordSlotPicture> SessionRemote::recordPicture() const
{
    const Recorder *recorder = m_session.recorder();
    const qint64 now = recorder->nowMs();
    return kelvora::recordPicture(recorder->read(now - RecordWeekMs), now, true);
}

QString SessionRemote::recordPath() const
{
    return m_session.recorder()->path();
}

RemoteResult SessionRemote::open(int slot, const QString &address)
{
    if (!isWebPage(addressFromUserInput(address)))
        return RemoteResult::BadAddress;
    m_session.at(slot)->open(address);
    return RemoteResult::Done;
}

RemoteResult SessionRemote::setPeriod(int slot, int period)
{
    if (period < 1)
        return RemoteResult::BadPeriod;
    SlotRunner *runner = m_session.at(slot);
    runner->setTypedPeriod(period);
    runner->choosePeriod(period);
    return RemoteResult::Done;
}

RemoteResult SessionRemote::start(int slot)
{
    switch (m_session.at(slot)->start()) {
    case ForumSlot::StartResult::Started:
        return RemoteResult::Done;
    case ForumSlot::StartResult::BadPeriod:
        return RemoteResult::BadPeriod;
    case ForumSlot::StartResult::NoWebPage:
        break;
    }
    return RemoteResult::NoWebPage;
}

void SessionRemote::stop(int slot)
{
    m_session.at(slot)->stop();
}

RemoteResult SessionRemote::reloadNow(int slot)
{
    SlotRunner *runner = m_session.at(slot);
    if (!runner->slot().isOpen())
        return RemoteResult::NotOpen;
    runner->reloadNow();
    return RemoteResult::Done;
}

void SessionRemote::giveAccount(int slot, const Account &account)
{
    m_notes[std::size_t(slot)] = AccountNote::None;
    m_session.at(slot)->rememberAccount(account);
}

void SessionRemote::forgetAccount(int slot)
{
    m_notes[std::size_t(slot)] = AccountNote::None;
    m_session.at(slot)->forgetAccount();
}

void SessionRemote::setLateReloads(bool on)
{
    m_session.setLateReloads(on);
}

void SessionRemote::setPreventSleep(bool on)
{
    m_session.setPreventSleep(on);
}

} // namespace kelvora
