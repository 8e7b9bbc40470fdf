#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QtGlobal>

namespace kelvora {

/** Where the program's logic reads the time, so tests can set it. */
class Clock
{
public:
    virtual ~Clock() = default;
    /** Milliseconds since an arbitrary fixed origin; wall-clock changes and suspend never move it back. */
    virtual qint64 nowMs() const = 0;
    /** The local date and time, for showing when something happened. */
    virtual QDateTime localTime() const = 0;

protected:
    Clock() = default;
    Clock(const Clock &) = default;
    Clock &operator=(const Clock &) = default;
};

/** The real clocks of the machine. */
class SteadyClock final : public Clock
{
public:
    SteadyClock();
    qint64 nowMs() const override;
    QDateTime localTime() const override;

    /** One shared instance for the whole program. */
    static const SteadyClock &instance();

private:
    QElapsedTimer m_timer;
};

} // namespace kelvora
