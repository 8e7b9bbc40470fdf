#pragma once

#include <QRect>
#include <QString>

namespace kelvora {

/** What a forum slot needs from an embedded web browser. */
class Browser
{
public:
    virtual ~Browser() = default;

    /** Starts loading the address as a user would type it; returns at once. */
    virtual void navigate(const QString &address) = 0;
    /** Loads the current page again with the browser's own cookies. */
    virtual void refresh() = 0;
    /** Steps back in history; does nothing when there is no page to go to. */
    virtual void goBack() = 0;
    /** Steps forward in history; does nothing when there is no page to go to. */
    virtual void goForward() = 0;
    /** The current page's title. */
    virtual QString locationName() const = 0;
    /** Shows or hides the browser inside its panel. */
    virtual void setShown(bool shown) = 0;
    /** Places the browser inside its panel, in pixels. */
    virtual void place(const QRect &geometry) = 0;

protected:
    Browser() = default;
    Browser(const Browser &) = default;
    Browser &operator=(const Browser &) = default;
};

} // namespace kelvora
