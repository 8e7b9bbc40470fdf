#include "core/clock.h"

namespace kelvora {

SteadyClock::SteadyClock()
{
    m_timer.start();
}

qint64 SteadyClock::nowMs() const
{
    return m_timer.elapsed();
}

QDateTime SteadyClock::localTime() const
{
    return QDateTime::currentDateTime();
}

const SteadyClock &SteadyClock::instance()
{
    static const SteadyClock clock;
    return clock;
}

} // namespace kelvora
