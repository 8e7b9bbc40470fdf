#include "web/webview.h"

#include "core/address.h"
#include "web/webpage.h"

#include <QWebEngineHistory>
#include <QWebEngineHttpRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>

namespace kelvora {
namespace {

// The engine's network error numbers that a forum which is down or unreachable produces.
NetworkFailure networkFailure(int error)
{
    if (error <= -200 && error > -300)
        return NetworkFailure::Certificate;
    switch (error) {
    case -7:
    case -118:
        return NetworkFailure::TimedOut;
    case -21:
        return NetworkFailure::NetworkChanged;
    case -100:
        return NetworkFailure::ConnectionClosed;
    case -101:
        return NetworkFailure::ConnectionReset;
    case -102:
        return NetworkFailure::ConnectionRefused;
    case -104:
        return NetworkFailure::ConnectionFailed;
    case -105:
    case -137:
        return NetworkFailure::NameNotResolved;
    case -106:
        return NetworkFailure::Disconnected;
    case -109:
        return NetworkFailure::AddressUnreachable;
    case -300:
        return NetworkFailure::InvalidAddress;
    case -301:
        return NetworkFailure::UnknownScheme;
    case -310:
        return NetworkFailure::TooManyRedirects;
    case -320:
        return NetworkFailure::InvalidResponse;
    case -324:
        return NetworkFailure::EmptyResponse;
    default:
        return NetworkFailure::Other;
    }
}

// Looks at a loaded page; see WebView::finishLoad.
const QString PageFactsScript = QStringLiteral(R"(
(function () {
  function shown(element) {
    var box = element.getBoundingClientRect();
    if (box.width <= 0 || box.height <= 0)
      return false;
    for (var e = element; e && e.nodeType === 1; e = e.parentElement) {
      var style = getComputedStyle(e);
      if (style.display === 'none' || style.visibility === 'hidden' || style.opacity === '0')
        return false;
    }
    return true;
  }
  var some = function (selector, test) {
    return Array.prototype.some.call(document.querySelectorAll(selector), test);
  };
  var logoutWords = /log ?out|sign ?out|logoff|退出|注销|登出/i;
  var navigation = performance.getEntriesByType('navigation')[0];
  return {
    transfer: navigation ? navigation.transferSize : -1,
    password: some('input[type=password]', shown),
    logout: some('a, button, input[type=submit], input[type=button]', function (e) {
      return logoutWords.test([e.textContent, e.value, e.getAttribute('href'), e.getAttribute('title'),
                               e.getAttribute('onclick')].join(' '));
    })
  };
})()
)");

// Adds what PageFactsScript answered to a load that succeeded.
void addPageFacts(PageLoad &load, const QVariant &answer)
{
    const QVariantMap facts = answer.toMap();
    load.fromCache = facts.value(QStringLiteral("transfer"), -1).toLongLong() == 0;
    if (facts.contains(QStringLiteral("password")))
        load.signs = LoginSigns{facts.value(QStringLiteral("password")).toBool(),
                                facts.value(QStringLiteral("logout")).toBool()};
}

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
    return {PageLoad::Outcome::NetworkError, info.errorCode(), networkFailure(info.errorCode())};
}

} // namespace

WebView::WebView(QWebEngineProfile *profile, QWidget *parent)
    : QWebEngineView(parent), m_page(new WebPage(profile, this))
{
    // The page is parented to the view, so it goes before the profile that outlives every view.
    setPage(m_page);
    connect(m_page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus) {
            finishLoad(info);
            return;
        }
        ++m_loadSerial;
        m_entryAtLoadStart = committedEntry();
        emit pageLoadStarted();
    });
    connect(m_page, &QWebEnginePage::urlChanged, this, &WebView::pageUrlChanged);
    connect(m_page, &WebPage::inputChanged, this, &WebView::pageInputChanged);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status != QWebEnginePage::NormalTerminationStatus)
                    emit rendererGone();
            });
}

void WebView::navigate(const QString &address)
{
    m_entryAtLoadStart = committedEntry();
    load(addressFromUserInput(address));
}

void WebView::refresh(ReloadCause cause)
{
    // Noted when asked as well as when the load starts: on a busy machine a reload can be given
    // up for the next before the engine has told of its start.
    m_entryAtLoadStart = committedEntry();
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

void WebView::finishLoad(const QWebEngineLoadingInfo &info)
{
    PageLoad load = pageLoad(info);
    load.webPage = isWebPage(info.url());
    if (load.outcome != PageLoad::Outcome::Succeeded || !load.webPage) {
        emit pageLoadFinished(load);
        return;
    }
    // What the page is, asked in a world of our own, so the page's scripts neither see the question
    // nor can change its answer, and nothing of the page is changed:
    // - whether it came from the forum or from the cache: a page from the cache transferred
    //   nothing (a 304 from the forum counts its headers);
    // - what it shows of a login: a password field the user can see, a link or button that logs out.
    const quint64 serial = m_loadSerial;
    m_page->runJavaScript(PageFactsScript, QWebEngineScript::ApplicationWorld,
                          [this, serial, load](const QVariant &answer) mutable {
                              if (serial != m_loadSerial)
                                  return; // a newer load took its place: that one is reported
                              addPageFacts(load, answer);
                              emit pageLoadFinished(load);
                          });
}

QString WebView::committedEntry() const
{
    const QWebEngineHistoryItem item = history()->currentItem();
    return QStringLiteral("%1 %2 %3")
        .arg(history()->currentItemIndex())
        .arg(item.lastVisited().toMSecsSinceEpoch())
        .arg(item.url().toString());
}

bool WebView::isPageAnswered() const
{
    // A load's page commits when the forum's answer arrives: its history entry is stamped then.
    return committedEntry() != m_entryAtLoadStart;
}

void WebView::wakeAndReload()
{
    m_entryAtLoadStart = committedEntry();
    m_page->wakeForTimerReload();
    if (isVisible() && !m_page->isVisible())
        m_page->setVisible(true);
}

void WebView::reloadAside()
{
    // A page of the same profile (so the same login), shown nowhere, and gone once it has loaded.
    // Its dialogs are answered at once; a newer reload takes the place of one still loading.
    if (m_aside) {
        disconnect(m_aside, nullptr, this, nullptr);
        delete m_aside;
    }
    m_aside = new WebPage(m_page->profile(), this);
    QPointer<WebPage> aside = m_aside;
    connect(aside, &QWebEnginePage::loadingChanged, this, [this, aside](const QWebEngineLoadingInfo &info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
            return;
        PageLoad load = pageLoad(info);
        if (load.outcome != PageLoad::Outcome::Succeeded) {
            emit asideLoadFinished(load);
            aside->deleteLater();
            return;
        }
        aside->runJavaScript(PageFactsScript, QWebEngineScript::ApplicationWorld,
                             [this, aside, load](const QVariant &answer) mutable {
                                 if (!aside)
                                     return; // a newer reload took its place
                                 addPageFacts(load, answer);
                                 emit asideLoadFinished(load);
                                 aside->deleteLater();
                             });
    });
    QWebEngineHttpRequest request(m_page->url());
    request.setHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("max-age=0"));
    aside->load(request);
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
