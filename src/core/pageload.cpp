#include "core/pageload.h"

namespace kelvora {
namespace {

QString httpReason(int status)
{
    switch (status) {
    case 400:
        return QStringLiteral("请求有误");
    case 401:
        return QStringLiteral("需要身份验证");
    case 403:
        return QStringLiteral("禁止访问");
    case 404:
        return QStringLiteral("页面不存在");
    case 408:
        return QStringLiteral("请求超时");
    case 429:
        return QStringLiteral("请求过于频繁");
    case 500:
        return QStringLiteral("服务器内部错误");
    case 502:
        return QStringLiteral("网关错误");
    case 503:
        return QStringLiteral("服务暂时不可用");
    case 504:
        return QStringLiteral("网关超时");
    default:
        return {};
    }
}

QString networkReason(NetworkFailure failure, int code)
{
    switch (failure) {
    case NetworkFailure::TimedOut:
        return QStringLiteral("连接超时");
    case NetworkFailure::NetworkChanged:
        return QStringLiteral("网络连接已改变");
    case NetworkFailure::ConnectionClosed:
        return QStringLiteral("连接被关闭");
    case NetworkFailure::ConnectionReset:
        return QStringLiteral("连接被重置");
    case NetworkFailure::ConnectionRefused:
        return QStringLiteral("连接被拒绝");
    case NetworkFailure::ConnectionFailed:
        return QStringLiteral("无法建立连接");
    case NetworkFailure::NameNotResolved:
        return QStringLiteral("无法解析网站的域名");
    case NetworkFailure::Disconnected:
        return QStringLiteral("网络已断开");
    case NetworkFailure::AddressUnreachable:
        return QStringLiteral("无法访问该地址");
    case NetworkFailure::Certificate:
        return QStringLiteral("网站的安全证书有问题");
    case NetworkFailure::InvalidAddress:
        return QStringLiteral("网址无效");
    case NetworkFailure::UnknownScheme:
        return QStringLiteral("不支持该网址的协议");
    case NetworkFailure::TooManyRedirects:
        return QStringLiteral("重定向次数过多");
    case NetworkFailure::InvalidResponse:
        return QStringLiteral("网站的回应无效");
    case NetworkFailure::EmptyResponse:
        return QStringLiteral("网站没有返回任何数据");
    case NetworkFailure::Other:
        break;
    }
    return QStringLiteral("网络错误（%1）").arg(code);
}

} // namespace

QString failureReason(const PageLoad &load)
{
    switch (load.outcome) {
    case PageLoad::Outcome::Succeeded:
        return {};
    case PageLoad::Outcome::HttpError: {
        const QString words = httpReason(load.code);
        return words.isEmpty() ? QStringLiteral("HTTP %1").arg(load.code)
                               : QStringLiteral("HTTP %1（%2）").arg(load.code).arg(words);
    }
    case PageLoad::Outcome::NetworkError:
        return networkReason(load.network, load.code);
    case PageLoad::Outcome::Stopped:
        return QStringLiteral("加载被中断");
    }
    return {};
}

QString ReloadReport::text() const
{
    if (!at.isValid())
        return QStringLiteral("尚未刷新");
    const QString when = at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (succeeded)
        return QStringLiteral("上次刷新：%1 成功").arg(when);
    return QStringLiteral("上次刷新：%1 失败：%2").arg(when, reason);
}

QString noAnswerReason()
{
    return QStringLiteral("网站在一个刷新周期内没有响应");
}

QString pageUnfinishedReason()
{
    return QStringLiteral("论坛已响应，但网页在一个刷新周期内没有加载完");
}

QString fromCacheReason()
{
    return QStringLiteral("网页取自缓存，论坛没有收到这次刷新");
}

QString noForumReason()
{
    return QStringLiteral("当前页面不是论坛网页");
}

bool isWebPage(const QUrl &address)
{
    return (address.scheme() == u"http" || address.scheme() == u"https") && !address.host().isEmpty();
}

QString rendererGoneReason()
{
    return QStringLiteral("网页进程意外退出");
}

} // namespace kelvora
