#include "core/clock.h"

namespace kelvora {

SystemClock::SystemClock()
{
    m_timer.start();
}

qint64 SystemClock::steadyMs() const
{
    return m_timer.elapsed();
}

QDateTime SystemClock::wallTime() const
{
    return QDateTime::currentDateTime();
}

const SystemClock &SystemClock::instance()
{
    static const SystemClock clock;
    return clock;
}

} // namespace kelvora
