#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QtGlobal>

namespace kelvora {

/**
 * Where the program reads the time, so tests can set it. It has two faces: steady time, which
 * periods, deadlines and the online clock count in and which no change of the wall clock moves,
 * and wall time, which is what users read and what the record stores.
 */
class Clock
{
public:
    virtual ~Clock() = default;
    /** Milliseconds since an arbitrary fixed origin; wall-clock changes never move it back. */
    virtual qint64 steadyMs() const = 0;
    /** The local date and time. */
    virtual QDateTime wallTime() const = 0;
    /** Wall time as milliseconds since the epoch, as the record keeps it. */
    qint64 wallMs() const { return wallTime().toMSecsSinceEpoch(); }

protected:
    Clock() = default;
    Clock(const Clock &) = default;
    Clock &operator=(const Clock &) = default;
};

/** The machine's own clocks. */
class SystemClock final : public Clock
{
public:
    SystemClock();
    qint64 steadyMs() const override;
    QDateTime wallTime() const override;

    /** One shared instance for the whole program. */
    static const SystemClock &instance();

private:
    QElapsedTimer m_timer;
};

} // namespace kelvora
