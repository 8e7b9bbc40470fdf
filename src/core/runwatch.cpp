#include "core/runwatch.h"

#include <cstdlib>

namespace kelvora {

RunWatch::RunWatch(qint64 pauseAfterMs, qint64 stepAfterMs)
    : m_pauseAfterMs(pauseAfterMs), m_stepAfterMs(stepAfterMs)
{}

std::optional<RunWatch::Break> RunWatch::check(qint64 steadyMs, qint64 wallMs)
{
    std::optional<Break> found;
    if (m_steadyMs) {
        const qint64 steadyGap = steadyMs - *m_steadyMs;
        const qint64 wallGap = wallMs - m_wallMs;
        if (steadyGap > m_pauseAfterMs)
            found = Break{RecordKind::PausedFrom, m_wallMs, wallMs};
        else if (std::llabs(wallGap - steadyGap) > m_stepAfterMs)
            found = Break{RecordKind::ClockStepFrom, m_wallMs, wallMs};
    }
    // What the system told beats what the clocks suggest: a sleep it announced is a sleep.
    if (found && m_systemSlept && found->toMs > found->fromMs) {
        found->kind = RecordKind::PausedFrom;
        m_systemSlept = false;
    }
    m_steadyMs = steadyMs;
    m_wallMs = wallMs;
    return found;
}

} // namespace kelvora
