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
    /** Loads the current page again with the browser's own cookies. */
    virtual void refresh(ReloadCause cause) = 0;
    /** Gives up the page's renderer while nobody needs it; history and cookies stay. */
    virtual void sleep() = 0;
    /** Brings a sleeping page back, which loads it again by itself. */
    virtual void wake() = 0;

protected:
    Browser() = default;
    Browser(const Browser &) = default;
    Browser &operator=(const Browser &) = default;
};

} // namespace kelvora
