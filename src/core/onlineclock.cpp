#include "core/onlineclock.h"

#include "core/clock.h"

namespace kelvora {
namespace {
constexpr qint64 SecondMs = 1000;
}

OnlineTime OnlineTime::fromSeconds(qint64 totalSeconds)
{
    OnlineTime t;
    t.hours = totalSeconds / 3600;
    t.minutes = static_cast<int>(totalSeconds / 60 % 60);
    t.seconds = static_cast<int>(totalSeconds % 60);
    return t;
}

OnlineClock::OnlineClock(TimerFactory &timers, const QString &timerName, const Clock &clock)
    : m_timer(timers.makeTimer(timerName, SecondMs)), m_clock(clock)
{
    m_timer->setCallback([this] { timeout(); });
}

void OnlineClock::start()
{
    if (m_running)
        return;
    m_running = true;
    m_startedAtMs = m_clock.steadyMs();
    m_timer->start(SecondMs);
}

void OnlineClock::timeout()
{
    if (!m_running)
        return;
    // Ticks are due on whole seconds after the start: rounding absorbs one a little early or late.
    const qint64 elapsedMs = m_clock.steadyMs() - m_startedAtMs;
    const qint64 elapsed = (elapsedMs + SecondMs / 2) / SecondMs;
    m_timer->start((elapsed + 1) * SecondMs - elapsedMs);
    if (elapsed <= m_seconds)
        return;
    m_seconds = elapsed;
    if (m_changed)
        m_changed(time());
}

} // namespace kelvora
