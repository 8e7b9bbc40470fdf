#pragma once

#include <QString>

namespace kelvora {

/** Who asked for a reload: the slot's refresh timer, or the user pressing a button. */
enum class ReloadCause
{
    Timer, ///< the user asked for it once, when starting the slot: nothing may hold it up
    User,  ///< pressed just now: the page may still ask whether to leave
};

/**
 * What a forum slot needs from its embedded web browser. What the page does in return
 * (load started and finished, title, renderer gone) reaches the slot through ForumSlot's
 * page* functions.
 */
class Browser
{
public:
    virtual ~Browser() = default;

    /** Starts loading the address as a user would type it; returns at once. */
    virtual void navigate(const QString &address) = 0;
    /**
     * Loads the live page again with the browser's own cookies, as a browser's reload button does:
     * the page itself is asked of the forum again (revalidated at least), never taken from the cache.
     */
    virtual void refresh(ReloadCause cause) = 0;
    /** Gives up the page's renderer while nobody needs it; history and cookies stay. */
    virtual void sleep() = 0;
    /** Brings a sleeping page back for the user; it may be restored from the cache. */
    virtual void wake() = 0;
    /**
     * Brings a sleeping page back by reloading it: exactly one request for the page reaches the
     * forum, as refresh() makes for a live page; nothing is restored from the cache first.
     */
    virtual void wakeAndReload() = 0;
    /**
     * Reloads the page for the forum in the background, leaving the page on screen as it is (it
     * holds what the user typed): one request for the page, as refresh() makes; its result comes
     * back through ForumSlot::asideLoadFinished().
     */
    virtual void reloadAside() = 0;
    /** Whether the forum has answered the request of the load under way (the page may still be loading). */
    virtual bool isPageAnswered() const = 0;

protected:
    Browser() = default;
    Browser(const Browser &) = default;
    Browser &operator=(const Browser &) = default;
};

} // namespace kelvora
