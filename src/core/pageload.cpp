#include "core/pageload.h"

namespace kelvora {

bool isWebPage(const QUrl &address)
{
    return (address.scheme() == u"http" || address.scheme() == u"https") && !address.host().isEmpty();
}

ReloadResult reloadResultOf(const PageLoad &load)
{
    switch (load.outcome) {
    case PageLoad::Outcome::HttpError:
        return {ReloadOutcome::HttpError, load.code};
    case PageLoad::Outcome::NetworkError:
        return {ReloadOutcome::NetworkError, load.code};
    case PageLoad::Outcome::Stopped:
        return {ReloadOutcome::Interrupted, 0};
    case PageLoad::Outcome::Succeeded:
        break;
    }
    if (!load.webPage)
        return {ReloadOutcome::NotForumPage, 0};
    if (load.fromCache)
        return {ReloadOutcome::FromCache, 0};
    return {ReloadOutcome::Answered, 0};
}

} // namespace kelvora
