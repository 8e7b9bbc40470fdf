#pragma once

#include "core/loginwatch.h"

#include <QDateTime>
#include <QString>
#include <QUrl>

#include <optional>

namespace kelvora {

/** Why no usable answer came from the forum, as far as the user can act on it. */
enum class NetworkFailure
{
    Other, ///< none of these: told with the browser's own number
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

/** How a page load ended, as the browser reports it. */
struct PageLoad
{
    enum class Outcome
    {
        Succeeded,
        HttpError,    ///< the forum answered with an error status (code: the HTTP status)
        NetworkError, ///< no usable answer reached us (network says why; code: the browser's own number)
        Stopped,      ///< given up for a newer load; says nothing about the forum
    };
    Outcome outcome = Outcome::Succeeded;
    int code = 0;
    NetworkFailure network = NetworkFailure::Other;
    /** The page came from the browser's cache: the forum never saw this load. */
    bool fromCache = false;
    /** The page is a web page (http or https); about:blank, data: and the engine's own pages are not. */
    bool webPage = true;
    /** What the loaded page shows of a login; none when it could not be looked at. */
    std::optional<LoginSigns> signs = std::nullopt;
};

/** Whether an address is a web page a forum can serve: http or https, with a host. */
bool isWebPage(const QUrl &address);

/** Why a load failed, in words for the user: "HTTP 503（服务暂时不可用）", "连接被重置". */
QString failureReason(const PageLoad &load);

/** What the user is told about a slot's last reload. */
struct ReloadReport
{
    QDateTime at; ///< when it ended; invalid while nothing has loaded yet
    bool succeeded = false;
    QString reason; ///< why it failed

    /** One line: "上次刷新：2026-12-07 13:45:02 成功", or "… 失败：连接被重置". */
    QString text() const;
};

/** The reason shown when a reload falls due while the last one still waits for the forum. */
QString noAnswerReason();
/** The reason shown when a reload falls due while the forum answered but the page never finished. */
QString pageUnfinishedReason();
/** The reason shown when a reload's page came from the browser's cache. */
QString fromCacheReason();
/** The reason shown when the slot's page is no web page at all. */
QString noForumReason();
/** The reason shown when the page's renderer process ended under it. */
QString rendererGoneReason();

} // namespace kelvora
