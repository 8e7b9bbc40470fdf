#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

namespace kelvora {

/** A clock that never jumps: wall-clock changes and suspend do not move it backwards. */
class MonotonicClock
{
public:
    virtual ~MonotonicClock() = default;
    /** Milliseconds since an arbitrary fixed origin. */
    virtual qint64 nowMs() const = 0;

protected:
    MonotonicClock() = default;
    MonotonicClock(const MonotonicClock &) = default;
    MonotonicClock &operator=(const MonotonicClock &) = default;
};

/** The real monotonic clock of the machine. */
class SteadyClock final : public MonotonicClock
{
public:
    SteadyClock();
    qint64 nowMs() const override;

    /** One shared instance for the whole program. */
    static const SteadyClock &instance();

private:
    QElapsedTimer m_timer;
};

} // namespace kelvora
