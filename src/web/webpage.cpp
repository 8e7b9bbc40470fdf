#include "web/webpage.h"

#include <QCoreApplication>
#include <QtGlobal>
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

// The engine asks its "leave this page?" question through javaScriptConfirm, with this text.
QString leavePageQuestion()
{
    return QCoreApplication::translate(
        "QWebEnginePage",
        "Are you sure you want to leave this page? Changes that you made may not be saved.");
}

// What the watcher below says when the page starts or stops holding typed text.
const QString InputMark = QStringLiteral("\u0001kelvora-input:");

// Watches, from a world of our own, for text the user types into the page and has not sent: a
// field or editable area changed by the user (not by the page's scripts) and not empty, until its
// form is sent or reset. It says so on the console, which only this program reads.
const QString InputWatcher = QStringLiteral(R"(
(function () {
  var edited = new Set();
  var holding = false;
  function valueOf(element) {
    return element.isContentEditable ? element.textContent : element.value;
  }
  function tell() {
    var now = edited.size > 0;
    if (now !== holding) {
      holding = now;
      console.debug('kelvora-input:' + (now ? '1' : '0'));
    }
  }
  document.addEventListener('input', function (event) {
    if (!event.isTrusted)
      return;
    var element = event.target;
    if (valueOf(element))
      edited.add(element);
    else
      edited.delete(element);
    tell();
  }, true);
  function sent(event) {
    edited.forEach(function (element) {
      if (event.target.contains(element))
        edited.delete(element);
    });
    tell();
  }
  document.addEventListener('submit', sent, true);
  document.addEventListener('reset', sent, true);
})();
)");

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
    QWebEngineScript watcher;
    watcher.setName(QStringLiteral("kelvora-input"));
    watcher.setSourceCode(InputWatcher);
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
    connect(this, &QWebEnginePage::loadStarted, this, [this] {
        m_timerReloadPending = false;
        if (std::exchange(m_holdsInput, false))
            emit inputChanged(false);
    });
}

void WebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                       int lineNumber, const QString &sourceID)
{
    if (!message.startsWith(InputMark)) {
        QWebEnginePage::javaScriptConsoleMessage(level, message, lineNumber, sourceID);
        return;
    }
    const bool holds = message.endsWith(u'1');
    if (holds != std::exchange(m_holdsInput, holds))
        emit inputChanged(holds);
}

void WebPage::reloadForTimer()
{
    m_timerReloadPending = true;
    triggerAction(QWebEnginePage::Reload);
}

void WebPage::wakeForTimerReload()
{
    m_timerReloadPending = true;
    m_forumFetch->armForNextPage();
    // Waking starts the page's load by itself; a reload now would only wake it as well.
    setLifecycleState(LifecycleState::Active);
}

void WebPage::javaScriptAlert(const QUrl &, const QString &message)
{
    ask(PageDialogKind::Alert, message);
}

bool WebPage::javaScriptConfirm(const QUrl &, const QString &message)
{
    const bool leaving = message == leavePageQuestion();
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
    // A question waits in an event loop of its own. One asked while another still waits, of this
    // page or any other, would stack a loop on that one and hold it up: it is answered at once.
    static int questionsOpen = 0;
    if (!m_dialogHandler || questionsOpen > 0)
        return {kind == PageDialogKind::Alert || duringTimerReload, {}};
    ++questionsOpen;
    const PageDialogAnswer answer = m_dialogHandler({kind, message, defaultText, duringTimerReload});
    --questionsOpen;
    return answer;
}

} // namespace kelvora
