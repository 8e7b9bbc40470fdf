#pragma once

#include "core/timer.h"

#include <functional>
#include <memory>
#include <optional>

namespace kelvora {

class Clock;

/**
 * When a running slot's timer reloads come: one every period, a period being so many ticks (a
 * minute each, or a second for slot 8). It keeps the next reload's moment as a deadline on the
 * steady clock and drives its own timer to it; with late reloads on, the reload comes a moment
 * after the deadline (see reloadDelayMs) and the next period counts from it.
 */
class ReloadSchedule
{
public:
    ReloadSchedule(TimerFactory &timers, const QString &timerName, const Clock &clock, qint64 tickMs);

    /** Called when a timer reload is due; the next one is already scheduled by then. */
    void setDueCallback(std::function<void()> due) { m_due = std::move(due); }
    /** Where the late reloads' random numbers in [0, 1) come from. */
    void setRandomSource(std::function<double()> random) { m_random = std::move(random); }

    /** Starts counting a period of `period` ticks; one stopped part way goes on from its ticks. */
    void start(int period);
    /** No more reloads; the whole ticks of the period under way are kept, a late reload waited for is
     * dropped. */
    void stop();
    bool isRunning() const { return m_running; }
    /**
     * The period, in ticks, from the period under way on: one that has already gone by ends at the
     * next tick. A late reload already waited for comes all the same.
     */
    void setPeriod(int period);
    int period() const { return m_period; }
    /** The period under way starts over now: a reload that comes now is this period's. */
    void restartPeriod();
    qint64 tickMs() const { return m_tickMs; }
    void setLateReloads(bool on) { m_late = on; }
    bool lateReloads() const { return m_late; }

    /** How long until the next timer reload; a very large number while stopped. */
    qint64 msUntilReload() const;

private:
    void arm();
    void timeout();

    std::unique_ptr<Timer> m_timer;
    const Clock &m_clock;
    qint64 m_tickMs;
    std::function<void()> m_due;
    std::function<double()> m_random;
    int m_period = 1;
    bool m_running = false;
    bool m_late = false;
    qint64 m_periodStartMs = 0;
    qint64 m_deadlineMs = 0;
    std::optional<qint64> m_lateAtMs; ///< the period is over; its reload comes then
    qint64 m_keptTicks = 0;           ///< of the period stopped part way
};

} // namespace kelvora
