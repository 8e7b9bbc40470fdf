#include "core/reloadoutcome.h"

#include <algorithm>
#include <iterator>

namespace kelvora {
namespace {

struct NamedError
{
    int number;
    const char *name; ///< as net_error_list.h names it
    NetworkFailure failure;
};

// The engine's network error numbers that a forum which is down or unreachable produces; the
// certificate errors (-200 to -299) are one kind. The numbers are Chromium's and stay.
constexpr NamedError NetworkErrors[] = {
    {-7, "TIMED_OUT", NetworkFailure::TimedOut},
    {-21, "NETWORK_CHANGED", NetworkFailure::NetworkChanged},
    {-100, "CONNECTION_CLOSED", NetworkFailure::ConnectionClosed},
    {-101, "CONNECTION_RESET", NetworkFailure::ConnectionReset},
    {-102, "CONNECTION_REFUSED", NetworkFailure::ConnectionRefused},
    {-104, "CONNECTION_FAILED", NetworkFailure::ConnectionFailed},
    {-105, "NAME_NOT_RESOLVED", NetworkFailure::NameNotResolved},
    {-106, "INTERNET_DISCONNECTED", NetworkFailure::Disconnected},
    {-109, "ADDRESS_UNREACHABLE", NetworkFailure::AddressUnreachable},
    {-118, "CONNECTION_TIMED_OUT", NetworkFailure::TimedOut},
    {-137, "NAME_RESOLUTION_FAILED", NetworkFailure::NameNotResolved},
    {-300, "INVALID_URL", NetworkFailure::InvalidAddress},
    {-301, "DISALLOWED_URL_SCHEME", NetworkFailure::UnknownScheme},
    {-310, "TOO_MANY_REDIRECTS", NetworkFailure::TooManyRedirects},
    {-320, "INVALID_RESPONSE", NetworkFailure::InvalidResponse},
    {-324, "EMPTY_RESPONSE", NetworkFailure::EmptyResponse},
};

} // namespace

NetworkFailure networkFailureOf(int chromiumError)
{
    if (chromiumError <= -200 && chromiumError > -300)
        return NetworkFailure::Certificate;
    const auto *found =
        std::find_if(std::begin(NetworkErrors), std::end(NetworkErrors),
                     [chromiumError](const NamedError &e) { return e.number == chromiumError; });
    return found == std::end(NetworkErrors) ? NetworkFailure::Other : found->failure;
}

} // namespace kelvora
