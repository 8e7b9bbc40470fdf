#pragma once

#include "core/loginwatch.h"
#include "core/reloadoutcome.h"

#include <QUrl>

#include <optional>

namespace kelvora {

/** How a page load ended, as the browser reports it. */
struct PageLoad
{
    enum class Outcome
    {
        Succeeded,
        HttpError,    ///< the forum answered with an error status (code: the HTTP status)
        NetworkError, ///< no usable answer reached us (code: the engine's network error number)
        Stopped,      ///< given up for a newer load; says nothing about the forum
    };
    Outcome outcome = Outcome::Succeeded;
    int code = 0;
    /** The page came from the browser's cache: the forum never saw this load. */
    bool fromCache = false;
    /** The page is a web page (http or https); about:blank, data: and the engine's own pages are not. */
    bool webPage = true;
    /** What the loaded page shows of a login; none when it could not be looked at. */
    std::optional<LoginSigns> signs = std::nullopt;
    /** The page shows a login form with the forum's word that a login was refused (a wrong password). */
    bool loginRefused = false;
};

/** Whether an address is a web page a forum can serve: http or https, with a host. */
bool isWebPage(const QUrl &address);

/** What a finished load says of the reload it was: whether the forum generated the page, or why not. */
ReloadResult reloadResultOf(const PageLoad &load);

} // namespace kelvora
