#pragma once

#include "core/slottable.h"
#include "core/timer.h"

#include <QString>

#include <array>
#include <deque>
#include <functional>
#include <memory>

namespace kelvora {

/** The system's lock against sleeping, as the session sees it. */
class SleepInhibitor
{
public:
    virtual ~SleepInhibitor() = default;
    /** Keeps the machine awake, for `why`; held already, the lock's reason becomes `why`. */
    virtual void hold(const QString &why) = 0;
    /** Lets the machine sleep again; nothing when not held. */
    virtual void release() = 0;

protected:
    SleepInhibitor() = default;
};

/**
 * Keeps the machine awake while any slot keeps its forum online (running, logged out or not), as
 * long as the user lets it; and, when the machine woke all the same, brings every running slot back,
 * one after another, so their pages do not all load at once.
 */
class KeepAwake
{
public:
    /** `why`: the lock's reason for the user, given how many slots run. */
    KeepAwake(SleepInhibitor *inhibitor, TimerFactory &timers, qint64 wakeSpacingMs,
              std::function<QString(int running)> why);

    /** Whether the user lets the machine be kept awake. */
    void setEnabled(bool on);
    bool isEnabled() const { return m_enabled; }
    void setRunning(int slot, bool running);
    /** The program ends: the lock goes for good. */
    void end();
    bool isHeld() const { return m_held; }
    int runningCount() const;

    /** Called for each running slot after a wake, `wakeSpacingMs` apart. */
    void setWakeCallback(std::function<void(int slot)> wake) { m_wake = std::move(wake); }
    /** The system says it woke from a sleep. */
    void systemWoke();

private:
    void update();
    void wakeNext();

    SleepInhibitor *m_inhibitor;
    std::unique_ptr<Timer> m_wakeTimer;
    qint64 m_wakeSpacingMs;
    std::function<QString(int)> m_why;
    std::function<void(int)> m_wake;
    std::array<bool, SlotCount> m_running{};
    std::deque<int> m_toWake;
    bool m_enabled = true;
    bool m_ended = false;
    bool m_held = false;
    int m_heldFor = 0; ///< the running count the lock's reason tells
};

} // namespace kelvora
