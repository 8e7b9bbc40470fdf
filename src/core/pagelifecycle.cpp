#include "core/pagelifecycle.h"

namespace kelvora {

PageLifecycle::Action PageLifecycle::seenChanged(bool seen)
{
    m_seen = seen;
    return seen ? wake() : Action::None;
}

PageLifecycle::Action PageLifecycle::runningChanged(bool running)
{
    m_running = running;
    // A stopped slot keeps its page live: nothing reloads it anymore.
    return running ? Action::None : wake();
}

PageLifecycle::Action PageLifecycle::loadFinished()
{
    if (m_asleep || !maySleep())
        return Action::None;
    m_settling = true;
    return Action::StartGrace;
}

PageLifecycle::Action PageLifecycle::graceOver()
{
    if (!m_settling)
        return Action::None;
    m_settling = false;
    if (!maySleep())
        return Action::None;
    m_asleep = true;
    return Action::Sleep;
}

PageLifecycle::Action PageLifecycle::reloadDue(bool pageHoldsInput)
{
    m_settling = false;
    // What the user is typing on screen is never replaced by a timer; the forum still gets its page.
    if (m_seen && pageHoldsInput && !m_asleep)
        return Action::ReloadAside;
    if (!m_asleep)
        return Action::Reload;
    m_asleep = false;
    return Action::WakeAndReload;
}

PageLifecycle::Action PageLifecycle::wake()
{
    m_settling = false;
    if (!m_asleep)
        return Action::None;
    m_asleep = false;
    return Action::Wake;
}

} // namespace kelvora
