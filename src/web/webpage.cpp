#include "web/webpage.h"

#include "core/address.h"
#include "web/enginequirks.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
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

// Watches, from a world of our own, for text the user types into the page and has not sent: a
// field or editable area changed by the user (not by the page's scripts) and not empty, until its
// form is sent or reset. It tells the program through the web channel of that world, which the
// page's own scripts cannot reach; the channel is set up only once the user first types, so a page
// nobody types in (every reload of a slot kept online) costs no more than the listeners.
// A login form the user filled in and sent is told as well: its name and the password typed.
const QString InputWatcher = QStringLiteral(R"(
(function () {
  var edited = new Set();
  var told = false;
  var input = null;
  var waiting = [];
  function valueOf(element) {
    return element.isContentEditable ? element.textContent : element.value;
  }
  function withChannel(use) {
    if (input)
      return use();
    waiting.push(use);
    if (waiting.length === 1) {
      new QWebChannel(qt.webChannelTransport, function (channel) {
        input = channel.objects.kelvoraInput;
        waiting.splice(0).forEach(function (f) { f(); });
      });
    }
  }
  function tell() {
    if ((edited.size > 0) !== told)
      withChannel(function () {
        var now = edited.size > 0;
        if (now !== told) {
          told = now;
          input.setHoldsInput(now);
        }
      });
  }
  function tellLogin(form) {
    var password = Array.prototype.find.call(form.querySelectorAll('input[type=password]'), function (e) {
      return edited.has(e) && e.value;
    });
    if (!password)
      return;
    var name = null;
    var fields = form.querySelectorAll('input');
    for (var i = 0; i < fields.length && fields[i] !== password; ++i) {
      if (/^(text|email|tel)$/.test(fields[i].type) && fields[i].value)
        name = fields[i];
    }
    if (name) {
      var user = name.value, typed = password.value;
      withChannel(function () { input.sendLogin(user, typed); });
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
    if (event.type === 'submit' && event.target instanceof HTMLFormElement)
      tellLogin(event.target);
    edited.forEach(function (element) {
      if (event.target.contains(element))
        edited.delete(element);
    });
    tell();
  }
  document.addEventListener('submit', sent, true);
  document.addEventListener('reset', sent, true);
  // A login form is sent the moment its last key is typed, and the page goes: the channel is made
  // ready as soon as the user is in such a form, so that the login is not lost on the way.
  document.addEventListener('focusin', function (event) {
    var form = event.target && event.target.form;
    if (!input && form && form.querySelector('input[type=password]'))
      withChannel(function () {});
  }, true);
})();
)");

// Qt WebChannel's client, as the module ships it.
QString webChannelClient()
{
    QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("Qt WebChannel's client script is missing from the build");
    return QString::fromUtf8(file.readAll());
}

// Whether the user sees an element: it takes room and neither it nor what holds it is hidden.
const QString ShownFunction = QStringLiteral(R"(
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
)");

// A forum's word that a login was refused, Discuz! X's among them ("登录失败，您还可以尝试 4 次",
// "抱歉，您输入的密码有误", "密码错误次数过多，请 15 分钟后重新登录"), as a JavaScript pattern's source.
const QString RefusedWords = QStringLiteral(
    R"(密码错误|密码不正确|密码有误|密码不对|用户名或密码|帐号或密码|账号或密码|登录失败|登陆失败|还可以尝试|次数过多|)"
    R"(分钟后重新登录|wrong password|incorrect password|invalid (user ?name|password)|password (is )?(wrong|incorrect|invalid))");

// How many times the page says a login was refused: a forum that answers the login in the page
// itself (an ajax login) says it without a new page.
const QString RefusalCount = QStringLiteral(R"(
  function refusals() {
    var text = document.body ? document.body.innerText : '';
    return (text.match(new RegExp(")") +
                             RefusedWords + QStringLiteral(R"(", 'gi')) || []).length;
  }
)");

// Whether the page says a login was refused more often than when it was sent; see WebPage::submitLogin.
const QString RefusedInPlaceScript =
    QStringLiteral("(function () {") + RefusalCount +
    QStringLiteral("return refusals() > (window.kelvoraRefusals || 0); })()");

// Looks at a loaded page; see WebPage::finishLoad.
const QString PageFactsScript = QStringLiteral("(function () {") + ShownFunction + QStringLiteral(R"(
  var some = function (selector, test) {
    return Array.prototype.some.call(document.querySelectorAll(selector), test);
  };
  var logoutWords = /log ?out|sign ?out|logoff|退出|注销|登出/i;
  var refusedWords = new RegExp(")") +
                                RefusedWords + QStringLiteral(R"(", 'i');
  var navigation = performance.getEntriesByType('navigation')[0];
  var password = some('input[type=password]', shown);
  return {
    transfer: navigation ? navigation.transferSize : -1,
    password: password,
    refused: password && refusedWords.test(document.body ? document.body.innerText : ''),
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
    load.loginRefused = facts.value(QStringLiteral("refused")).toBool();
}

// Fills the page's login form and sends it; see WebPage::submitLogin. Called with the user name and
// the password; answers "submitted", "noform" or "person".
const QString LoginFiller =
    QStringLiteral("(function (user, password) {") + ShownFunction + RefusalCount + QStringLiteral(R"(
  var field = Array.prototype.find.call(document.querySelectorAll('input[type=password]'), shown);
  if (!field || !field.form)
    return 'noform';
  var form = field.form;
  // A form that sends the password to another site is not the forum's.
  if (new URL(form.action || location.href, location.href).origin !== location.origin)
    return 'noform';
  var fields = Array.prototype.filter.call(form.elements, function (e) {
    return e.tagName === 'INPUT' && shown(e);
  });
  if (fields.filter(function (e) { return e.type === 'password'; }).length !== 1)
    return 'noform'; // a form to register or to change the password
  var name = null;
  for (var i = 0; i < fields.length && fields[i] !== field; ++i) {
    if (/^(text|email|tel)$/.test(fields[i].type))
      name = fields[i];
  }
  if (!name)
    return 'noform';
  var code = /验证码|校验码|动态码|验证问题|captcha|seccode|secqaa|verif|vcode|checkcode|authcode|otp|token/i;
  var asksMore = fields.some(function (e) {
    return e !== name && e !== field && /^(text|tel|number)$/.test(e.type) &&
           code.test([e.name, e.id, e.placeholder, e.getAttribute('aria-label')].join(' '));
  }) || Array.prototype.some.call(form.querySelectorAll('img'), function (img) {
    return shown(img) && code.test([img.src, img.id, img.alt, img.className].join(' '));
  });
  if (asksMore)
    return 'person';
  var setValue = Object.getOwnPropertyDescriptor(HTMLInputElement.prototype, 'value').set;
  [[name, user], [field, password]].forEach(function (pair) {
    setValue.call(pair[0], pair[1]);
    pair[0].dispatchEvent(new Event('input', {bubbles: true}));
    pair[0].dispatchEvent(new Event('change', {bubbles: true}));
  });
  window.kelvoraRefusals = refusals(); // in our own world: the page sees nothing of it
  var button = Array.prototype.find.call(form.querySelectorAll('button, input[type=submit], input[type=image]'),
                                         function (b) { return (b.type === 'submit' || b.type === 'image') && shown(b); });
  if (button)
    button.click();
  else
    form.requestSubmit();
  return 'submitted';
})
)");

LoginFill loginFillOf(const QVariant &answer)
{
    const QString word = answer.toString();
    if (word == u"submitted")
        return LoginFill::Submitted;
    return word == u"person" ? LoginFill::PersonNeeded : LoginFill::NoForm;
}

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
    static const QString watcherSource = webChannelClient() + InputWatcher;
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
    m_answer.loadAsked(*this);
    QWebEnginePage::load(addressFromUserInput(address));
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
    runJavaScript(PageFactsScript, QWebEngineScript::ApplicationWorld,
                  [this, serial, load](const QVariant &answer) mutable {
                      if (serial != m_loadSerial)
                          return; // a newer load took its place: that one is reported
                      addPageFacts(load, answer);
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
    const QString call =
        LoginFiller + QStringLiteral(".apply(null, %1)")
                          .arg(QString::fromUtf8(QJsonDocument(QJsonArray{account.userName, account.password})
                                                     .toJson(QJsonDocument::Compact)));
    runJavaScript(call, QWebEngineScript::ApplicationWorld, [this, serial](const QVariant &answer) {
        // A page that changed before the form was filled had no form of ours to fill.
        const LoginFill fill = serial == m_loadSerial ? loginFillOf(answer) : LoginFill::NoForm;
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
        runJavaScript(RefusedInPlaceScript, QWebEngineScript::ApplicationWorld,
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
