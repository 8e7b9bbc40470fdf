#pragma once

#include "core/account.h"

#include <QString>

/*
 * The words for what a slot's page does, kept the same in core, web and slots:
 *
 * - load:    the page goes to an address: the start page, an address typed, a kept one.
 * - open:    the user's open button (or a resume): load, and the slot's online clock starts.
 * - reload:  the forum is asked for the page shown again, as a browser's reload button does. A
 *            timer reload is the slot's own (ReloadCause::Timer); a user reload is the refresh
 *            button's. Every reload makes the forum generate the page: none comes from the cache.
 * - late reload: a timer reload that comes a moment after the tick that reaches its period, so
 *            that a forum crediting online time in steps credits every step (see reloadDelayMs).
 * - reload aside: a reload in a page of its own, shown nowhere, for a page that holds typed text.
 * - sleep, wake: a page nobody sees gives up its renderer between reloads, and comes back as it
 *            was; "wake and reload" brings it back by reloading it, when a reload falls due.
 * - tick:    one beat of a slot's reload timer or clock timer; a period is so many ticks.
 *
 * "Refresh" is the user's word: it names the controls, never what the code does.
 */

namespace kelvora {

/** Who asked for a reload: the slot's reload timer, or the user pressing a button. */
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
    virtual void load(const QString &address) = 0;
    /**
     * Loads the live page again with the browser's own cookies, as a browser's reload button does:
     * the page itself is asked of the forum again (revalidated at least), never taken from the cache.
     */
    virtual void reload(ReloadCause cause) = 0;
    /** Gives up the page's renderer while nobody needs it; history and cookies stay. */
    virtual void sleep() = 0;
    /** Brings a sleeping page back for the user; it may be restored from the cache. */
    virtual void wake() = 0;
    /**
     * Brings a sleeping page back by reloading it: exactly one request for the page reaches the
     * forum, as reload() makes for a live page; nothing is restored from the cache first.
     */
    virtual void wakeAndReload() = 0;
    /**
     * Reloads the page for the forum in the background, leaving the page on screen as it is (it
     * holds what the user typed): one request for the page, as reload() makes; its result comes
     * back through ForumSlot::asideLoadFinished().
     */
    virtual void reloadAside() = 0;
    /**
     * Fills the login form the page shows with the account and sends it, as the user's press of its
     * button does; only a form of the forum the account was given on. What came of it reaches the
     * slot through ForumSlot::loginSubmitted(), the page it leads to as any load's end does.
     */
    virtual void submitLogin(const Account &account) = 0;
    /** Whether the forum has answered the request of the load under way (the page may still be loading). */
    virtual bool isPageAnswered() const = 0;

protected:
    Browser() = default;
    Browser(const Browser &) = default;
    Browser &operator=(const Browser &) = default;
};

} // namespace kelvora
