#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

namespace kelvora {

/**
 * A one-shot timer, as the logic sees it: started for a wait, it calls its callback once the wait
 * is over, unless stopped or started afresh first. The program's are QTimers; tests play them on a
 * fake clock.
 */
class Timer
{
public:
    virtual ~Timer() = default;
    /** (Re)starts the wait: the callback comes `ms` from now. */
    virtual void start(qint64 ms) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    /** How long until the callback comes; 0 when it is due or the timer is stopped. */
    virtual qint64 remainingMs() const = 0;

    void setCallback(std::function<void()> callback) { m_callback = std::move(callback); }

protected:
    Timer() = default;
    void fire()
    {
        if (m_callback)
            m_callback();
    }

private:
    std::function<void()> m_callback;
};

/** Makes the timers a slot's logic needs, each with a name that tells it apart. */
class TimerFactory
{
public:
    virtual ~TimerFactory() = default;
    /** `name`: the timer's object name; `nominalMs`: how long it waits, as it is shown before it first runs.
     */
    virtual std::unique_ptr<Timer> makeTimer(const QString &name, qint64 nominalMs) = 0;

protected:
    TimerFactory() = default;
};

} // namespace kelvora
