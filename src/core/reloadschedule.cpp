#include "core/reloadschedule.h"

#include "core/clock.h"
#include "core/period.h"

#include <QRandomGenerator>

#include <algorithm>
#include <limits>
#include <utility>

namespace kelvora {

ReloadSchedule::ReloadSchedule(TimerFactory &timers, const QString &timerName, const Clock &clock,
                               qint64 tickMs)
    : m_timer(timers.makeTimer(timerName, tickMs)), m_clock(clock), m_tickMs(std::max<qint64>(1, tickMs))
{
    m_timer->setCallback([this] { timeout(); });
}

void ReloadSchedule::start(int period)
{
    m_period = std::max(1, period);
    m_running = true;
    m_lateAtMs.reset();
    // A period stopped part way goes on from the ticks it had counted.
    m_periodStartMs = m_clock.steadyMs() - std::exchange(m_keptTicks, 0) * m_tickMs;
    arm();
}

void ReloadSchedule::stop()
{
    if (m_running && !m_lateAtMs)
        m_keptTicks = std::max<qint64>(0, m_clock.steadyMs() - m_periodStartMs) / m_tickMs;
    else
        m_keptTicks = 0;
    m_running = false;
    m_lateAtMs.reset();
    m_timer->stop();
}

void ReloadSchedule::setPeriod(int period)
{
    period = std::max(1, period);
    if (period == m_period)
        return;
    m_period = period;
    if (m_running && !m_lateAtMs)
        arm();
}

void ReloadSchedule::restartPeriod()
{
    if (!m_running)
        return;
    m_lateAtMs.reset();
    m_periodStartMs = m_clock.steadyMs();
    arm();
}

void ReloadSchedule::arm()
{
    // The period's ticks fall on whole ticks from its start; a period already gone by ends at the
    // next of them.
    const qint64 elapsedTicks = std::max<qint64>(0, m_clock.steadyMs() - m_periodStartMs) / m_tickMs;
    m_deadlineMs = m_periodStartMs + std::max<qint64>(m_period, elapsedTicks + 1) * m_tickMs;
    m_timer->start(std::max<qint64>(0, m_deadlineMs - m_clock.steadyMs()));
}

void ReloadSchedule::timeout()
{
    if (!m_running)
        return;
    const qint64 now = m_clock.steadyMs();
    if (!m_lateAtMs) {
        const double random = m_random ? m_random() : QRandomGenerator::global()->generateDouble();
        const qint64 delay = m_late ? reloadDelayMs(qint64(m_period) * m_tickMs, random) : 0;
        if (delay > 0) {
            m_lateAtMs = now + delay;
            m_timer->start(delay);
            return;
        }
        // Exact timing: the next period counts from the deadline, so a timer that fired late
        // costs the next period nothing.
        m_periodStartMs = m_deadlineMs;
    } else {
        m_lateAtMs.reset();
        m_periodStartMs = now;
    }
    arm();
    if (m_due)
        m_due();
}

qint64 ReloadSchedule::msUntilReload() const
{
    if (!m_running)
        return std::numeric_limits<qint64>::max();
    return std::max<qint64>(0, m_lateAtMs.value_or(m_deadlineMs) - m_clock.steadyMs());
}

} // namespace kelvora
