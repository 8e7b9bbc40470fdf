#include "core/monotonicclock.h"

namespace kelvora {

SteadyClock::SteadyClock()
{
    m_timer.start();
}

qint64 SteadyClock::nowMs() const
{
    return m_timer.elapsed();
}

const SteadyClock &SteadyClock::instance()
{
    static const SteadyClock clock;
    return clock;
}

} // namespace kelvora
