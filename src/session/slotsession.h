#pragma once

#include "core/keepawake.h"
#include "core/pagedialog.h"
#include "core/qttimer.h"
#include "core/record.h"
#include "core/relogin.h"
#include "core/slotstate.h"
#include "core/slottable.h"
#include "platform/power.h"

#include <QObject>

#include <array>
#include <memory>
#include <optional>

class QTimer;

namespace kelvora {

class AccountStore;
class Clock;
class CookieWriter;
class Recorder;
class TimerFactory;
class SlotProfiles;
class SlotRunner;

/** What a session is made of; tests shorten its waits. */
struct SessionSetup
{
    /** The file the slots' state is kept in. */
    QString stateFile;
    std::array<SlotDescription, SlotCount> descriptions = slotTable();
    /** Between two slots going on after a restart, so that their pages do not all load at once. */
    int resumeSpacingMs = 1500;
    /** How long the kept state waits for more changes before it is written. */
    int saveDelayMs = 1000;
    /** How soon a state that could not be written (a full disk) is tried again. */
    int saveRetryMs = 30000;
    /** The longest a timer reload waits for a page still loading: the longest a forum may take. */
    int loadLimitMs = 60000;
    /** Where the slots' timers come from; QTimers when none. */
    TimerFactory *timers = nullptr;
    /** Where the slots' accounts for logging in again are kept; none: no slot logs in by itself. */
    AccountStore *accounts = nullptr;
    /**
     * The system's power management: its lock against sleeping, held while a slot runs, and its word
     * of a sleep and a wake. None: the machine is left alone.
     */
    SystemPower *power = nullptr;
    /** Takes the place of the power's lock; tests count on it. */
    SleepInhibitor *sleepInhibitor = nullptr;
    /** The record's file; empty: beside the state file. */
    QString recordFile;
    /** How often the record marks the program as still running, and makes what it holds durable. */
    int aliveEveryMs = 10000;
    /** The longest the end waits for a browser to take the request to write its cookies. */
    int cookieWriteTimeoutMs = 3000;
};

/**
 * What keeps the forums online, apart from any window: the eight running slots, each on its own
 * browser profile, their kept state (read at the start, written a moment after each change and
 * at the end), the resume of what ran before a restart, the record, the lock against sleeping and
 * the wake, and the orderly end. Front ends (the windows, the tray) show it and send it the
 * user's commands; they come and go while it runs on.
 */
class SlotSession : public QObject
{
    Q_OBJECT

public:
    SlotSession(const SlotProfiles &profiles, const Clock &clock, SessionSetup setup,
                QObject *parent = nullptr);
    ~SlotSession() override;

    SlotRunner *at(int index) const { return m_runners.at(static_cast<std::size_t>(index)).get(); }
    auto begin() const { return m_runners.begin(); }
    auto end() const { return m_runners.end(); }
    const SlotStateFile &stateFile() const { return m_stateFile; }

    /** Every slot's idle start: its page on the program's first page. */
    void loadStartPage(const QString &address);
    /** Opens the record (or, where it can't be now, as soon as it can), then resumes what is kept. */
    void start();
    /**
     * The orderly end, once: the state is written, the machine may sleep again, the record is
     * closed, and the browsers write their logins; ended() follows once they have.
     */
    void shutDown();
    bool hasEnded() const { return m_ended; }
    /**
     * Reads the kept state and, if it asks for it, lets the slots go on as they were, one after
     * another. A file that can't be used is set aside, and told of by stateUnusable().
     */
    void resumeKept();
    /** Writes the kept state now, if it was read: the end of the program. */
    void saveNow();

    /** "启动时恢复挂机". */
    void setResumeOnStart(bool on);
    bool resumeOnStart() const { return m_resumeOnStart; }
    /** "随机推迟几秒刷新": whether every slot's timer reloads come a moment late. */
    void setLateReloads(bool on);
    bool lateReloads() const { return m_lateReloads; }

    /** "挂机时阻止电脑睡眠": whether the machine is kept awake while a slot runs. */
    void setPreventSleep(bool on);
    bool preventSleep() const { return m_keepAwake.isEnabled(); }
    /** Whether the machine is being kept awake now. */
    bool keepsAwake() const { return m_keepAwake.isHeld(); }
    /** The machine woke from a sleep: every running slot reloads, one after another. */
    void systemWoke() { m_keepAwake.systemWoke(); }

    /** How long until the next reload of any slot is due. */
    qint64 msUntilAnyReload() const;

    /** The record of what the slots did; closed once the session ended. */
    Recorder *recorder() const { return m_recorder.get(); }
    /** The slots whose member is logged out now, in slot order. */
    QList<int> loggedOutSlots() const;

signals:
    /** The kept state could not be used (`read` says why); it went to `asidePath`, empty if it stayed. */
    void stateUnusable(const kelvora::StateRead &read, const QString &asidePath);
    /** The kept choices were read: resumeOnStart(), lateReloads() and preventSleep() are as kept. */
    void choicesRead();
    /** Slots that ran before the restart go on: `running` of them will be kept online. */
    void resuming(int running);
    /** Slot `index` went on as it was kept. */
    void slotResumed(int index);
    /** Slot `index`'s member was logged out, or is logged in again. */
    void loggedOutChanged(int index, bool loggedOut);
    /** The slots logged out now (see loggedOutSlots()) are others. */
    void loggedOutSlotsChanged(const QList<int> &indexes);
    /**
     * Slot `index`'s member was logged out and the slot has no account to log in again with: only
     * the user can bring it back. (With one it tries at once, and reloggedIn or reloginFailed tell.)
     */
    void loggedOutForTheUser(int index);
    /** Slot `index` logged its member in again by itself. */
    void reloggedIn(int index);
    /** A try of slot `index` to log in again failed; `givenUp`: it tries no more by itself. */
    void reloginFailed(int index, kelvora::ReloginPlan::Failure failure, bool givenUp);
    /**
     * The slots' state could not be written (`error` says why), or is written again: told once
     * each way. Until then it is kept in memory and tried again now and then.
     */
    void stateKeptChanged(bool kept, const QString &error);
    /** The record can't be kept, or was set aside: told once for each trouble. */
    void recordProblem(const kelvora::RecordProblem &problem);
    /** What happens can't be written to the record now (`error` says why); it is as soon as it can. */
    void recordWriteFailing(const QString &error);
    /** The machine can't be kept awake: told once. */
    void sleepLockRefused(kelvora::SystemPower::Refusal why, const QString &detail);
    /** The end is over: the logins are written; the process may go. */
    void ended();

private:
    void saveSoon();

    QtTimerFactory m_qtTimers;
    KeepAwake m_keepAwake;
    std::array<std::unique_ptr<SlotRunner>, SlotCount> m_runners;
    QuestionGate m_questions;
    SlotStateFile m_stateFile;
    SessionSetup m_setup;
    bool m_stateKept = true;
    bool m_resumeOnStart = true;
    bool m_lateReloads = true;
    bool m_stateRead = false;
    /** Slots still waiting to go on after a restart: their kept state stands for them meanwhile. */
    std::array<std::optional<SavedSlot>, SlotCount> m_toResume{};
    QTimer *m_saveTimer = nullptr;
    // Gives back what sleeping pages held, once the engine has let go of it all.
    QTimer *m_memoryRelease = nullptr;
    std::unique_ptr<Recorder> m_recorder;
    std::unique_ptr<CookieWriter> m_cookies;
    QList<int> m_loggedOut;
    bool m_ended = false;
};

} // namespace kelvora
