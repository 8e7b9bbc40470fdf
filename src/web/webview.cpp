#include "web/webview.h"

#include "core/address.h"
#include "web/webpage.h"

#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>

namespace kelvora {
namespace {

PageLoad pageLoad(const QWebEngineLoadingInfo &info)
{
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        return {PageLoad::Outcome::Succeeded, 0};
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        return {PageLoad::Outcome::Stopped, 0};
    default:
        break;
    }
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain)
        return {PageLoad::Outcome::HttpError, info.errorCode()};
    // An error code of -3 is the engine's "aborted": a newer load took this one's place.
    if (info.errorCode() == -3)
        return {PageLoad::Outcome::Stopped, 0};
    return {PageLoad::Outcome::NetworkError, info.errorCode()};
}

} // namespace

WebView::WebView(QWebEngineProfile *profile, QWidget *parent)
    : QWebEngineView(parent), m_page(new WebPage(profile, this))
{
    // The page is parented to the view, so it goes before the profile that outlives every view.
    setPage(m_page);
    connect(m_page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
            emit pageLoadStarted();
        else
            emit pageLoadFinished(pageLoad(info));
    });
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status != QWebEnginePage::NormalTerminationStatus)
                    emit rendererGone();
            });
}

void WebView::navigate(const QString &address)
{
    load(addressFromUserInput(address));
}

void WebView::refresh(ReloadCause cause)
{
    if (cause == ReloadCause::Timer)
        m_page->reloadForTimer();
    else
        reload();
}

void WebView::sleep()
{
    // A page counts as visible while its view is shown, even in a minimised window: it cannot be
    // discarded so, and nobody sees it anyway.
    if (m_page->isVisible())
        m_page->setVisible(false);
    m_page->setLifecycleState(QWebEnginePage::LifecycleState::Discarded);
}

void WebView::wake()
{
    if (m_page->lifecycleState() != QWebEnginePage::LifecycleState::Active)
        m_page->setLifecycleState(QWebEnginePage::LifecycleState::Active);
    if (isVisible() && !m_page->isVisible())
        m_page->setVisible(true);
}

void WebView::goBack()
{
    if (history()->canGoBack())
        back();
}

void WebView::goForward()
{
    if (history()->canGoForward())
        forward();
}

} // namespace kelvora
