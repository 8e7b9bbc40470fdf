#pragma once

namespace kelvora {

/**
 * When a slot's page may sleep between its reloads. A page nobody can see, in a slot whose
 * reload timer runs, gives up its renderer once a reload has loaded and settled; the next
 * reload wakes it by reloading it from the forum. (A page woken as it was would come back from
 * the cache, which the forum never sees.) A page the user can see, or of a stopped slot, never
 * sleeps: it may hold what the user typed.
 *
 * Every function takes one event and says what the browser is to do now.
 */
class PageLifecycle
{
public:
    enum class Action
    {
        None,
        StartGrace,    ///< wait a moment for the page's scripts and cookies to settle, then graceOver()
        Sleep,         ///< give up the page's renderer, keeping its history
        Wake,          ///< bring the page back for the user, as it was
        WakeAndReload, ///< a reload is due while the page sleeps: bring it back by reloading it
        Reload,        ///< reload the live page
        ReloadAside,   ///< the page on screen holds typed text: reload in the background, keep it
    };

    /** Sleeping can be switched off as a whole; then every answer is as for a page kept live. */
    explicit PageLifecycle(bool sleepAllowed = true) : m_sleepAllowed(sleepAllowed) {}

    bool isAsleep() const { return m_asleep; }

    Action seenChanged(bool seen);
    Action runningChanged(bool running);
    /** The page began loading: whatever settled before is moot. */
    void loadStarted() { m_settling = false; }
    /** The page has loaded. */
    Action loadFinished();
    /** The grace after a load is over. */
    Action graceOver();
    /** The reload timer's reload is due; `pageHoldsInput`: the page holds text typed and not sent. */
    Action reloadDue(bool pageHoldsInput = false);

private:
    bool maySleep() const { return m_sleepAllowed && m_running && !m_seen; }
    Action wake();

    bool m_sleepAllowed;
    bool m_seen = false;
    bool m_running = false;
    bool m_asleep = false;
    bool m_settling = false; ///< loaded, in the grace before sleep
};

} // namespace kelvora
