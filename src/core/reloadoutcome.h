#pragma once

#include <QDateTime>
#include <QtGlobal>

namespace kelvora {

/**
 * How a slot's reload ended. The numbers are what the record stores; they never change meaning,
 * and a new kind gets a new number. Words for each come from the view (reloadResultText).
 */
enum class ReloadOutcome
{
    Answered = 0,     ///< the forum generated the page
    HttpError = 1,    ///< the forum answered with an error status (code: the HTTP status)
    NetworkError = 2, ///< no usable answer reached us (code: the engine's network error number)
    NoAnswer = 3,     ///< the forum did not answer in time (code: the seconds waited; 0: a period)
    Unfinished = 4,   ///< the forum answered, but the page did not finish in time (code: as NoAnswer's)
    FromCache = 5,    ///< the page came from the browser's cache: the forum never saw the reload
    NotForumPage = 6, ///< the slot's page is no web page at all
    RendererGone = 7, ///< the page's renderer process ended under it
    Interrupted = 8,  ///< given up for a newer load
};

/** One reload's outcome, with the number that tells more of it. */
struct ReloadResult
{
    ReloadOutcome outcome = ReloadOutcome::Answered;
    int code = 0;

    bool answered() const { return outcome == ReloadOutcome::Answered; }
    friend bool operator==(const ReloadResult &, const ReloadResult &) = default;
};

/** The last reload a slot reported, and when it ended. */
struct ReloadReport
{
    QDateTime at; ///< invalid while nothing has reloaded yet
    ReloadResult result;
};

/**
 * Why no usable answer came from the forum, as far as the user can act on it: the kinds the
 * engine's network error numbers fall into (see networkFailureOf).
 */
enum class NetworkFailure
{
    Other, ///< none of these: told with the engine's own number
    TimedOut,
    NetworkChanged,
    ConnectionClosed,
    ConnectionReset,
    ConnectionRefused,
    ConnectionFailed,
    NameNotResolved,
    Disconnected,
    AddressUnreachable,
    Certificate,
    InvalidAddress,
    UnknownScheme,
    TooManyRedirects,
    InvalidResponse,
    EmptyResponse,
};

/** Chromium's network error numbers the program tells apart (net/base/net_error_list.h). */
namespace ChromiumError {
inline constexpr int Aborted = -3; ///< the load was given up for another
}

/** The kind a Chromium network error number falls into. */
NetworkFailure networkFailureOf(int chromiumError);

} // namespace kelvora
