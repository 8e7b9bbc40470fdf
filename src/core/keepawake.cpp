#include "core/keepawake.h"

#include <algorithm>

namespace kelvora {

KeepAwake::KeepAwake(SleepInhibitor *inhibitor, TimerFactory &timers, qint64 wakeSpacingMs,
                     std::function<QString(int)> why)
    : m_inhibitor(inhibitor), m_wakeTimer(timers.makeTimer(QStringLiteral("wakeSpacing"), wakeSpacingMs)),
      m_wakeSpacingMs(wakeSpacingMs), m_why(std::move(why))
{
    m_wakeTimer->setCallback([this] { wakeNext(); });
}

int KeepAwake::runningCount() const
{
    return int(std::count(m_running.begin(), m_running.end(), true));
}

void KeepAwake::setEnabled(bool on)
{
    m_enabled = on;
    update();
}

void KeepAwake::setRunning(int slot, bool running)
{
    m_running.at(std::size_t(slot)) = running;
    update();
}

void KeepAwake::end()
{
    m_ended = true;
    m_toWake.clear();
    m_wakeTimer->stop();
    update();
}

void KeepAwake::update()
{
    const int running = runningCount();
    const bool hold = m_enabled && !m_ended && running > 0;
    if (!m_inhibitor || (hold == m_held && (!hold || running == m_heldFor)))
        return;
    m_held = hold;
    m_heldFor = hold ? running : 0;
    if (hold)
        m_inhibitor->hold(m_why ? m_why(running) : QString());
    else
        m_inhibitor->release();
}

void KeepAwake::systemWoke()
{
    if (m_ended)
        return;
    m_toWake.clear();
    for (int i = 0; i < SlotCount; ++i) {
        if (m_running[std::size_t(i)])
            m_toWake.push_back(i);
    }
    m_wakeTimer->stop();
    wakeNext();
}

void KeepAwake::wakeNext()
{
    // A slot stopped meanwhile is passed over.
    while (!m_toWake.empty() && !m_running[std::size_t(m_toWake.front())])
        m_toWake.pop_front();
    if (m_toWake.empty())
        return;
    const int slot = m_toWake.front();
    m_toWake.pop_front();
    if (!m_toWake.empty())
        m_wakeTimer->start(m_wakeSpacingMs);
    if (m_wake)
        m_wake(slot);
}

} // namespace kelvora
