#pragma once

#include "core/timer.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace kelvora {

/** A Timer on a QTimer: a precise one, as slots run for days and coarse timers drift up to 5 % a wait. */
class QtTimer final : public Timer
{
public:
    QtTimer(QObject *parent, const QString &objectName, qint64 nominalMs) : m_timer(new QTimer(parent))
    {
        m_timer->setObjectName(objectName);
        m_timer->setSingleShot(true);
        m_timer->setTimerType(Qt::PreciseTimer);
        m_timer->setInterval(static_cast<int>(nominalMs));
        QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] {
            if (m_beyondMs > 0)
                start(m_beyondMs);
            else
                fire();
        });
    }
    ~QtTimer() override { delete m_timer; }
    QtTimer(const QtTimer &) = delete;
    QtTimer &operator=(const QtTimer &) = delete;

    void start(qint64 ms) override
    {
        // A QTimer waits an int of milliseconds: a longer wait is waited in parts.
        const qint64 now = std::clamp<qint64>(ms, 0, MaxWaitMs);
        m_beyondMs = std::max<qint64>(0, ms) - now;
        m_timer->start(static_cast<int>(now));
    }
    void stop() override
    {
        m_beyondMs = 0;
        m_timer->stop();
    }
    bool isActive() const override { return m_timer->isActive(); }
    qint64 remainingMs() const override
    {
        return m_timer->isActive() ? std::max(0, m_timer->remainingTime()) + m_beyondMs : 0;
    }

private:
    static constexpr qint64 MaxWaitMs = 24LL * 60 * 60 * 1000;
    QPointer<QTimer> m_timer;
    qint64 m_beyondMs = 0;
};

/** Makes QtTimers as children of one object, which tests find by the timers' names. */
class QtTimerFactory final : public TimerFactory
{
public:
    explicit QtTimerFactory(QObject *parent) : m_parent(parent) {}
    std::unique_ptr<Timer> makeTimer(const QString &name, qint64 nominalMs) override
    {
        return std::make_unique<QtTimer>(m_parent, name, nominalMs);
    }

private:
    QObject *m_parent;
};

} // namespace kelvora
