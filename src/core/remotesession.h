#pragma once

#include "core/account.h"
#include "core/forumslot.h"
#include "core/record.h"

#include <QString>

#include <optional>
#include <vector>

namespace kelvora {

/** What became of the account last given or forgotten from afar. */
enum class AccountNote
{
    None,
    Kept,         ///< in the system's credential store
    HeldInMemory, ///< no credential store here: used, and held only until the program ends
    NoStore,      ///< no credential store here, and none held in memory: not kept
    NotKept,      ///< the store refused it
    Forgotten,
};

/** One slot as a front end away from the machine sees it. */
struct RemoteSlot
{
    int index = 0;
    QString title;
    QString address;
    bool inSeconds = false;
    bool open = false;
    SlotStatus status = SlotStatus::Stopped;
    SlotReport report;
    qint64 onlineSeconds = 0;
    /** Until the next timer reload; none while the slot is stopped. */
    std::optional<qint64> msUntilReload;
    int period = 1;
    std::optional<QString> accountUser;
    AccountNote accountNote = AccountNote::None;
};

struct RemoteOptions
{
    bool lateReloads = true;
    bool preventSleep = true;
    bool keepsAwake = false;
};

/** How a command from afar went. */
enum class RemoteResult
{
    Done,
    BadAddress, ///< not a web address
    BadPeriod,  ///< not a whole number of 1 or more
    NoWebPage,  ///< the slot holds no forum page to keep online
    NotOpen,    ///< the slot was never opened: nothing to reload
};

/** Why the web page can't be served. */
enum class WebServeProblem
{
    None,
    PasswordNeeded, ///< an address other than loopback, and no password set
    Certificate,    ///< the certificate or its key can't be read
    Listen,         ///< the address and port can't be listened on (in use, not this machine's)
};

/**
 * The running session as a front end away from the machine (a web page) reads and steers it;
 * slot numbers are zero-based and checked by the caller.
 */
class RemoteSession
{
public:
    virtual ~RemoteSession() = default;

    virtual std::vector<RemoteSlot> slotViews() const = 0;
    virtual RemoteOptions options() const = 0;
    /** The record as the record window draws it, now. */
    virtual std::vector<RecordSlotPicture> recordPicture() const = 0;
    /** Where the record is kept. */
    virtual QString recordPath() const = 0;

    virtual RemoteResult open(int slot, const QString &address) = 0;
    virtual RemoteResult setPeriod(int slot, int period) = 0;
    virtual RemoteResult start(int slot) = 0;
    virtual void stop(int slot) = 0;
    virtual RemoteResult reloadNow(int slot) = 0;
    /** Keeps the account (what came of it shows in the slot's accountNote) and logs in with it. */
    virtual void giveAccount(int slot, const Account &account) = 0;
    virtual void forgetAccount(int slot) = 0;
    virtual void setLateReloads(bool on) = 0;
    virtual void setPreventSleep(bool on) = 0;

protected:
    RemoteSession() = default;
    RemoteSession(const RemoteSession &) = default;
    RemoteSession &operator=(const RemoteSession &) = default;
};

} // namespace kelvora
