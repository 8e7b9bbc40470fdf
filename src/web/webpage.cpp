#include "web/webpage.h"

#include "core/address.h"
#include "web/enginequirks.h"
#include "web/pagescripts.h"

#include <QCoreApplication>
#include <QtGlobal>
#include <QTimer>
#include <QWebChannel>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineHistory>
#include <QWebEngineHttpRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEnginePermission>
#endif

#include <utility>

namespace kelvora {
namespace {

// Whether two addresses are of one site: scheme, host and port.
bool sameOrigin(const QUrl &a, const QUrl &b)
{
    const auto port = [](const QUrl &url) { return url.port(url.scheme() == u"https" ? 443 : 80); };
    return a.scheme() == b.scheme() && a.host().compare(b.host(), Qt::CaseInsensitive) == 0 &&
           port(a) == port(b);
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
    // Aborted: a newer load took this one's place.
    if (info.errorCode() == ChromiumError::Aborted)
        return {PageLoad::Outcome::Stopped, 0};
    return {PageLoad::Outcome::NetworkError, info.errorCode()};
}

} // namespace

// Makes the page's next document request go to the forum, whatever the cache holds. A discarded
// page comes back as history steps do: its document from the cache, without asking the forum even
// when the page said nothing of caching. "no-cache" on that one request makes the cache step aside
// for it (and it alone: the page's images and style sheets still come from the cache).
class WebPage::ForumFetch final : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void armForNextPage() { m_armed = true; }

    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        if (!m_armed || info.resourceType() != QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
            return;
        m_armed = false;
        info.setHttpHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-cache"));
    }

private:
    bool m_armed = false;
};

WebPage::WebPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent), m_forumFetch(new ForumFetch(this))
{
    setUrlRequestInterceptor(m_forumFetch);
    auto *input = new PageInputChannel(this);
    connect(input, &PageInputChannel::holdsInputChanged, this, &WebPage::setHoldsInput);
    connect(input, &PageInputChannel::loginSent, this, [this](const QString &user, const QString &password) {
        emit loginSent(Account{user, password, url()});
    });
    auto *channel = new QWebChannel(this);
    channel->registerObject(QStringLiteral("kelvoraInput"), input);
    setWebChannel(channel, QWebEngineScript::ApplicationWorld);
    // The client script is the same for every page: it is read once.
    static const QString watcherSource = pagescripts::inputWatcher();
    QWebEngineScript watcher;
    watcher.setName(QStringLiteral("kelvora-input"));
    watcher.setSourceCode(watcherSource);
    watcher.setWorldId(QWebEngineScript::ApplicationWorld);
    watcher.setInjectionPoint(QWebEngineScript::DocumentCreation);
    watcher.setRunsOnSubFrames(false);
    scripts().insert(watcher);
    // Nobody is there to answer a forum's wish to show notifications, know where the machine is,
    // or use its camera, microphone, screen or clipboard: every such request is refused at once
    // rather than left waiting. Qt 6.8 asks through a permission object, Qt 6.4 by feature.
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    connect(this, &QWebEnginePage::permissionRequested, this,
            [](QWebEnginePermission permission) { permission.deny(); });
#else
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl &origin, Feature feature) {
                setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
#endif
    // Nor does a page become the handler of a kind of link, or reach the machine's files.
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    // No page opens a window. A link the user clicks that asks for one (forums open threads so)
    // opens in the slot itself; a page's script opening one unasked gets nothing.
    connect(this, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest &request) {
        if (request.isUserInitiated())
            QWebEnginePage::load(request.requestedUrl());
    });
    connect(this, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus) {
            finishLoad(info);
            if (const std::optional<QString> held = m_firstLoad.release())
                load(*held);
            return;
        }
        m_timerReloadPending = false;
        setHoldsInput(false); // a new page holds nothing typed yet
        ++m_loadSerial;
        m_answer.loadAsked(*this);
        emit pageLoadStarted();
    });
    connect(this, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status != QWebEnginePage::NormalTerminationStatus)
                    emit rendererGone();
            });
}

void WebPage::setHoldsInput(bool holds)
{
    if (holds != std::exchange(m_holdsInput, holds))
        emit inputChanged(holds);
}

void WebPage::load(const QString &address)
{
    const QUrl url = addressFromUserInput(address);
    if (m_firstLoad.hold(*this, address, !isWebPage(url)))
        return;
    m_answer.loadAsked(*this);
    QWebEnginePage::load(url);
}

void WebPage::reload(ReloadCause cause)
{
    // Noted when asked as well as when the load starts: on a busy machine a reload can be given
    // up for the next before the engine has told of its start.
    m_answer.loadAsked(*this);
    // Only the slot's own reload may leave without asking: see ask().
    m_timerReloadPending = cause == ReloadCause::Timer;
    triggerAction(QWebEnginePage::Reload);
}

void WebPage::sleep()
{
    // A page counts as visible while a view shows it, even in a minimised window: it cannot be
    // discarded so, and nobody sees it anyway.
    if (isVisible())
        setVisible(false);
    setLifecycleState(LifecycleState::Discarded);
}

void WebPage::wake()
{
    if (lifecycleState() != LifecycleState::Active)
        setLifecycleState(LifecycleState::Active);
    showIfViewShown();
}

void WebPage::wakeAndReload()
{
    m_answer.loadAsked(*this);
    m_timerReloadPending = true;
    m_forumFetch->armForNextPage();
    // Waking starts the page's load by itself; a reload now would only wake it as well.
    setLifecycleState(LifecycleState::Active);
    showIfViewShown();
}

void WebPage::showIfViewShown()
{
    if (m_viewShown && m_viewShown() && !isVisible())
        setVisible(true);
}

void WebPage::finishLoad(const QWebEngineLoadingInfo &info)
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
    runJavaScript(pagescripts::pageFacts(), QWebEngineScript::ApplicationWorld,
                  [this, serial, load](const QVariant &answer) mutable {
                      if (serial != m_loadSerial)
                          return; // a newer load took its place: that one is reported
                      pagescripts::addPageFacts(load, answer);
                      emit pageLoadFinished(load);
                  });
}

bool WebPage::isPageAnswered() const
{
    return m_answer.isAnswered(*this);
}

void WebPage::reloadAside()
{
    // A page of the same profile (so the same login), shown nowhere, and gone once it has loaded.
    // Its dialogs are answered at once; a newer reload takes the place of one still loading.
    delete m_aside;
    m_aside = new WebPage(profile(), this);
    connect(m_aside, &WebPage::pageLoadFinished, this, [this, aside = m_aside](const PageLoad &load) {
        emit asideLoadFinished(load);
        aside->deleteLater();
    });
    QWebEngineHttpRequest request(url());
    request.setHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("max-age=0"));
    m_aside->QWebEnginePage::load(request);
}

void WebPage::submitLogin(const Account &account)
{
    const quint64 serial = m_loadSerial;
    if (!sameOrigin(url(), account.loginPage)) {
        QMetaObject::invokeMethod(
            this, [this] { emit loginFilled(LoginFill::NoForm); }, Qt::QueuedConnection);
        return;
    }
    // The account goes into the world of our own only: the page sees the form filled in, as when
    // the user types, and nothing more.
    runJavaScript(pagescripts::loginFiller(account.userName, account.password),
                  QWebEngineScript::ApplicationWorld, [this, serial](const QVariant &answer) {
                      // A page that changed before the form was filled had no form of ours to fill.
                      const LoginFill fill =
                          serial == m_loadSerial ? pagescripts::loginFillOf(answer) : LoginFill::NoForm;
                      emit loginFilled(fill);
                      if (fill == LoginFill::Submitted)
                          watchLoginAnswer(serial, LoginAnswerChecks);
                  });
}

void WebPage::watchLoginAnswer(quint64 serial, int checksLeft)
{
    // A forum that logs in by ajax answers in the page: no new page comes to judge. Its refusal is
    // looked for until a new page comes or the forum has had time enough to answer.
    QTimer::singleShot(LoginAnswerCheckMs, this, [this, serial, checksLeft] {
        if (serial != m_loadSerial || isLoading())
            return;
        runJavaScript(pagescripts::refusedInPlace(), QWebEngineScript::ApplicationWorld,
                      [this, serial, checksLeft](const QVariant &refused) {
                          if (serial != m_loadSerial)
                              return;
                          if (refused.toBool())
                              emit loginRefusedInPlace();
                          else if (checksLeft > 1)
                              watchLoginAnswer(serial, checksLeft - 1);
                      });
    });
}

void WebPage::stepHistory(bool back)
{
    if (back ? history()->canGoBack() : history()->canGoForward())
        triggerAction(back ? QWebEnginePage::Back : QWebEnginePage::Forward);
}

void WebPage::javaScriptAlert(const QUrl &, const QString &message)
{
    ask(PageDialogKind::Alert, message);
}

bool WebPage::javaScriptConfirm(const QUrl &, const QString &message)
{
    const bool leaving = engine::isLeavePageQuestion(message);
    return ask(leaving ? PageDialogKind::LeavePage : PageDialogKind::Confirm, message).accepted;
}

bool WebPage::javaScriptPrompt(const QUrl &, const QString &message, const QString &defaultValue,
                               QString *result)
{
    const PageDialogAnswer answer = ask(PageDialogKind::Prompt, message, defaultValue);
    if (answer.accepted && result)
        *result = answer.text;
    return answer.accepted;
}

PageDialogAnswer WebPage::ask(PageDialogKind kind, const QString &message, const QString &defaultText)
{
    const bool duringTimerReload = kind == PageDialogKind::LeavePage && m_timerReloadPending;
    // Nobody to ask, or another question waits for the user: answered as for a page nobody sees.
    if (!m_dialogHandler || !m_questions || !m_questions->enter())
        return {decideDialog(kind, false, duringTimerReload).accept, {}};
    const PageDialogAnswer answer = m_dialogHandler({kind, message, defaultText, duringTimerReload});
    m_questions->leave();
    return answer;
}

} // namespace kelvora
