#include "web/pagescripts.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QVariantMap>

namespace kelvora::pagescripts {
namespace {

// Watches, from a world of our own, for text the user types into the page and has not sent: a
// field or editable area changed by the user (not by the page's scripts) and not empty, until its
// form is sent or reset. It tells the program through the web channel of that world, which the
// page's own scripts cannot reach; the channel is set up only once the user first types, so a page
// nobody types in (every reload of a slot kept online) costs no more than the listeners.
// A login form the user filled in and sent is told as well: its name and the password typed.
const QString InputWatcherSource = QStringLiteral(R"(
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

} // namespace

QString inputWatcher()
{
    return webChannelClient() + InputWatcherSource;
}

QString pageFacts()
{
    return PageFactsScript;
}

QString refusedInPlace()
{
    return RefusedInPlaceScript;
}

QString refusedWords()
{
    return RefusedWords;
}

void addPageFacts(PageLoad &load, const QVariant &answer)
{
    const QVariantMap facts = answer.toMap();
    load.fromCache = facts.value(QStringLiteral("transfer"), -1).toLongLong() == 0;
    if (facts.contains(QStringLiteral("password")))
        load.signs = LoginSigns{facts.value(QStringLiteral("password")).toBool(),
                                facts.value(QStringLiteral("logout")).toBool()};
    load.loginRefused = facts.value(QStringLiteral("refused")).toBool();
}

namespace {
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

} // namespace

QString loginFiller(const QString &user, const QString &password)
{
    return LoginFiller + QStringLiteral(".apply(null, %1)")
                             .arg(QString::fromUtf8(
                                 QJsonDocument(QJsonArray{user, password}).toJson(QJsonDocument::Compact)));
}

LoginFill loginFillOf(const QVariant &answer)
{
    const QString word = answer.toString();
    if (word == u"submitted")
        return LoginFill::Submitted;
    return word == u"person" ? LoginFill::PersonNeeded : LoginFill::NoForm;
}

} // namespace kelvora::pagescripts
