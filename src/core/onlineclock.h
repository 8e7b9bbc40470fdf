#pragma once

#include "core/timer.h"

#include <functional>
#include <memory>

namespace kelvora {

class Clock;

/** Hours, minutes and seconds of a slot's online clock. Hours count on without a day carry. */
struct OnlineTime
{
    qint64 hours = 0;
    int minutes = 0;
    int seconds = 0;

    static OnlineTime fromSeconds(qint64 totalSeconds);
    friend bool operator==(const OnlineTime &, const OnlineTime &) = default;
};

/**
 * How long a slot has been open: started by its first open, it then runs for as long as the
 * program does. It shows the time elapsed on the steady clock rather than counting its ticks, so
 * ticks that come late (a busy event loop) cost no time.
 */
class OnlineClock
{
public:
    OnlineClock(TimerFactory &timers, const QString &timerName, const Clock &clock);

    /** Called with the new time each time a second more has gone by. */
    void setChangedCallback(std::function<void(const OnlineTime &)> changed)
    {
        m_changed = std::move(changed);
    }
    /** Starts the clock from now; a clock that runs already goes on as it is. */
    void start();
    bool isRunning() const { return m_running; }
    OnlineTime time() const { return OnlineTime::fromSeconds(m_seconds); }

private:
    void timeout();

    std::unique_ptr<Timer> m_timer;
    const Clock &m_clock;
    std::function<void(const OnlineTime &)> m_changed;
    bool m_running = false;
    qint64 m_startedAtMs = 0;
    qint64 m_seconds = 0;
};

} // namespace kelvora
