#include "common/forumserver.h"

#include <QDateTime>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QLocale>
#include <QLoggingCategory>
#include <QNetworkCookie>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

#include <memory>

namespace kelvora::test {

/** Cuts every connection, new and open, while `resetting` is set. */
class ResettableTcpServer final : public QTcpServer
{
public:
    using QTcpServer::QTcpServer;

    void setResetting(bool resetting)
    {
        m_resetting = resetting;
        if (!resetting)
            return;
        for (const QPointer<QTcpSocket> &socket : std::as_const(m_connections)) {
            if (socket)
                socket->abort();
        }
        m_connections.clear();
    }

protected:
    // The connections are kept here rather than found among the server's children: newer HTTP
    // servers take the sockets they serve under objects of their own.
    void incomingConnection(qintptr handle) override
    {
        auto *socket = new QTcpSocket(this);
        socket->setSocketDescriptor(handle);
        if (m_resetting) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        m_connections.removeAll(nullptr);
        m_connections.append(socket);
        addPendingConnection(socket);
    }

private:
    bool m_resetting = false;
    QList<QPointer<QTcpSocket>> m_connections;
};

namespace {

// The connection an answer goes out on, where Qt's HTTP server tells it (up to Qt 6.4).
template <typename Responder> QPointer<QTcpSocket> socketOf(Responder &responder)
{
    if constexpr (requires { responder.socket(); })
        return responder.socket();
    else
        return {};
}

// What the forum did, a line a request: QT_LOGGING_RULES="kelvora.testforum.debug=true" shows it.
Q_LOGGING_CATEGORY(forumLog, "kelvora.testforum", QtInfoMsg)

const QByteArray CookieName = "sid";
// The login form's hidden token, as forums put one in every form.
const QString FormHash = QStringLiteral("f0e1d2c3");
// Numbered across every forum of the test, so no two logins are ever alike.
int logins = 0;

const QString StyleSheetPath = QStringLiteral("/static/forum.css");
const QString LogoPath = QStringLiteral("/static/logo.gif");
const QString PollPath = QStringLiteral("/poll");
const QString AnswerPath = QStringLiteral("/answer");
// A page's ETag never changes: every visit after the first may be answered 304.
const QByteArray PageETag = "\"forum-page-1\"";

// The one place that knows how each Qt version's HTTP server takes a request and sends a reply:
// Qt 6.4's technology preview wrote a reply piece by piece, Qt 6.8 and later take it whole.
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
using Responder = QHttpServerResponder &;

QByteArray header(const QHttpServerRequest &request, const QByteArray &name)
{
    return request.headers().value(name).toByteArray();
}

void send(QHttpServerResponder &responder, QHttpServerResponder::StatusCode code,
          const QList<QPair<QByteArray, QByteArray>> &headers, const QByteArray &body)
{
    QHttpHeaders all;
    for (const auto &[name, value] : headers)
        all.append(name, value);
    responder.write(body, all, code);
}
#else
using Responder = QHttpServerResponder &&;

QByteArray header(const QHttpServerRequest &request, const QByteArray &name)
{
    return request.value(name);
}

void send(QHttpServerResponder &responder, QHttpServerResponder::StatusCode code,
          const QList<QPair<QByteArray, QByteArray>> &headers, const QByteArray &body)
{
    responder.writeStatusLine(code);
    for (const auto &[name, value] : headers)
        responder.writeHeader(name, value);
    responder.writeHeader("Content-Length", QByteArray::number(body.size()));
    responder.writeBody(body);
}
#endif

QString loginCookie(const QHttpServerRequest &request)
{
    for (const QNetworkCookie &cookie :
         QNetworkCookie::parseCookies(header(request, "Cookie").replace("; ", "\n"))) {
        if (cookie.name() == CookieName)
            return QString::fromUtf8(cookie.value());
    }
    return {};
}

QByteArray httpDate(const QDateTime &time)
{
    return QLocale::c().toString(time.toUTC(), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'")).toLatin1();
}

// A 1×1 transparent GIF.
QByteArray logo()
{
    return QByteArray::fromBase64("R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7");
}

QByteArray script(const QString &path)
{
    // Every page asks now and then whether a message came, as forums do; that earns nothing.
    QByteArray code = "setInterval(function () { fetch('/poll').catch(function () {}); }, 4000);";
    if (path.startsWith(u"/alert"))
        code += "alert('论坛公告：欢迎回来');";
    else if (path.startsWith(u"/confirm"))
        code += "var answer = confirm('确定要签到吗？');"
                "new Image().src = '/answer?confirm=' + answer;";
    else if (path.startsWith(u"/prompt"))
        code += "var answer = prompt('请输入验证码', '1234');"
                "new Image().src = '/answer?prompt=' + encodeURIComponent(answer);";
    else if (path.startsWith(u"/leave"))
        code += "window.addEventListener('beforeunload', function (e) {"
                "  e.preventDefault(); e.returnValue = '';"
                "});"
                "document.addEventListener('click', function () { new Image().src = '/answer?clicked'; });";
    else if (path.startsWith(u"/login"))
        code += "window.addEventListener('load', function () { new Image().src = '/answer?loaded'; });";
    return code;
}

ForumServer::Kind kindOf(const QString &path, bool isFile, bool isPageFile)
{
    if (path == u"/favicon.ico")
        return ForumServer::Kind::Other;
    if (path == PollPath || path == AnswerPath)
        return ForumServer::Kind::Background;
    if (path == StyleSheetPath || path == LogoPath || (isFile && !isPageFile))
        return ForumServer::Kind::SubResource;
    return ForumServer::Kind::Page;
}

} // namespace

QString ForumServer::Request::member() const
{
    const QString login = cookie.isEmpty() ? issuedCookie : cookie;
    return login.section(QLatin1Char('-'), 0, -2);
}

ForumServer::ForumServer(QObject *parent) : QObject(parent), m_tcp(new ResettableTcpServer(this))
{
    m_http.route(QStringLiteral("/<arg>"), [this](const QUrl &, const QHttpServerRequest &request,
                                                  Responder responder) { answer(request, responder); });
}

ForumServer::~ForumServer() = default;

bool ForumServer::listen(const QHostAddress &address, quint16 port)
{
    if (!m_tcp->listen(address, port))
        return false;
    m_http.bind(m_tcp);
    m_clock.start();
    return true;
}

QUrl ForumServer::url(const QString &pathAndQuery) const
{
    return QUrl(QStringLiteral("http://%1:%2%3")
                    .arg(m_tcp->serverAddress().toString())
                    .arg(m_tcp->serverPort())
                    .arg(pathAndQuery));
}

void ForumServer::setFile(const QString &path, const QByteArray &contentType, const QByteArray &body,
                          bool isPage)
{
    m_files.insert(path, {contentType, body, isPage});
}

void ForumServer::setOutage(Outage outage)
{
    m_outage = outage;
    m_tcp->setResetting(outage == Outage::ConnectionReset);
    if (outage != Outage::NoAnswer && m_hanging.isEmpty())
        m_unanswered.clear(); // the waiting browsers get their connections closed
}

QList<ForumServer::Request> ForumServer::pageRequests() const
{
    QList<Request> pages;
    for (const Request &r : m_requests) {
        if (r.kind == Kind::Page && r.serial > 0)
            pages << r;
    }
    return pages;
}

QList<ForumServer::Request> ForumServer::pagesFor(const QString &member) const
{
    QList<Request> pages;
    for (const Request &r : pageRequests()) {
        if (r.member() == member)
            pages << r;
    }
    return pages;
}

double ForumServer::creditedShare(const QString &member, qsizetype from) const
{
    QList<qint64> moments;
    for (const Request &page : pagesFor(member).mid(from)) {
        if (page.loggedIn)
            moments << page.elapsedMs;
    }
    return m_credit.share(moments);
}

QStringList ForumServer::answers() const
{
    QStringList found;
    for (const Request &r : m_requests) {
        if (r.path == AnswerPath)
            found << QUrl::fromPercentEncoding(r.query.toUtf8());
    }
    return found;
}

void ForumServer::answer(const QHttpServerRequest &request, QHttpServerResponder &responder)
{
    Request seen;
    seen.path = request.url().path();
    seen.query = request.url().query(QUrl::FullyEncoded);
    seen.host = QString::fromUtf8(header(request, "Host"));
    seen.cookie = loginCookie(request);
    seen.elapsedMs = m_clock.elapsed();
    const auto file = m_files.constFind(seen.path);
    seen.kind = kindOf(seen.path, file != m_files.cend(), file != m_files.cend() && file->isPage);

    if (m_outage == Outage::NoAnswer || m_hanging.contains(seen.path)) {
        seen.status = 0;
        m_requests << seen;
        emit requestReceived(seen);
        m_unanswered.push_back(std::move(responder));
        return;
    }

    const Reply out = reply(request, seen);
    if (m_pageDelayMs > 0 && seen.kind == Kind::Page) {
        // The browser may give the page up meanwhile: then there is no one to answer.
        const QPointer<QTcpSocket> socket = socketOf(responder);
        auto later = std::make_shared<QHttpServerResponder>(std::move(responder));
        ++m_delayedReplies;
        QTimer::singleShot(m_pageDelayMs, this, [this, later, out, socket, watched = !socket.isNull()] {
            --m_delayedReplies;
            if (!watched || (socket && socket->state() == QAbstractSocket::ConnectedState))
                send(*later, static_cast<QHttpServerResponder::StatusCode>(out.status), out.headers,
                     out.body);
        });
    } else {
        send(responder, static_cast<QHttpServerResponder::StatusCode>(out.status), out.headers, out.body);
    }
    seen.status = out.status;
    qCDebug(forumLog).noquote() << "forum" << m_tcp->serverAddress().toString() << seen.elapsedMs
                                << seen.status
                                << seen.path + (seen.query.isEmpty() ? QString() : u'?' + seen.query)
                                << (seen.serial > 0 ? QStringLiteral("page #%1").arg(seen.serial) : QString())
                                << "for" << seen.member();
    m_requests << seen;
    emit requestReceived(seen);
}

ForumServer::Reply ForumServer::reply(const QHttpServerRequest &request, Request &seen)
{
    Reply out;
    out.headers << qMakePair(QByteArray("Content-Type"), QByteArray("text/html; charset=utf-8"));
    if (m_outage == Outage::ServiceUnavailable) {
        out.status = 503;
        out.body = "<html><head><title>503</title></head><body>论坛维护中</body></html>";
        return out;
    }
    if (seen.kind == Kind::Other) {
        out.status = 404;
        return out;
    }
    if (seen.kind != Kind::Page) {
        const auto file = m_files.constFind(seen.path);
        if (file != m_files.cend()) {
            out.headers[0].second = file->contentType;
            out.body = file->body;
        } else if (seen.path == StyleSheetPath) {
            out.headers[0].second = "text/css";
            out.body = "body { font-family: sans-serif; } #generated { color: #888; }";
        } else if (seen.path == LogoPath) {
            out.headers[0].second = "image/gif";
            out.body = logo();
        } else {
            out.headers[0].second = "application/json";
            out.body = "{\"new\":0}";
        }
        // Static files may be kept; what a script asks never is.
        out.headers << qMakePair(QByteArray("Cache-Control"), seen.kind == Kind::SubResource
                                                                  ? QByteArray("max-age=86400")
                                                                  : QByteArray("no-store"));
        return out;
    }

    // A page: the forum runs its code, which is what credits a member's time.
    seen.serial = ++m_generated;
    if (seen.cookie.isEmpty()) {
        const QUrlQuery query(request.url());
        const QString member = query.queryItemValue(QStringLiteral("member"));
        seen.issuedCookie =
            QStringLiteral("%1-%2").arg(member.isEmpty() ? QStringLiteral("guest") : member).arg(++logins);
        QByteArray cookie = CookieName + '=' + seen.issuedCookie.toUtf8() + "; Path=/";
        if (query.queryItemValue(QStringLiteral("remember")) != u"0")
            cookie += "; Max-Age=86400";
        out.headers << qMakePair(QByteArray("Set-Cookie"), cookie);
    }
    if (seen.path.startsWith(u"/lm")) {
        out.headers << qMakePair(QByteArray("Last-Modified"),
                                 httpDate(QDateTime::currentDateTimeUtc().addDays(-1)));
    } else if (seen.path.startsWith(u"/etag")) {
        out.headers << qMakePair(QByteArray("ETag"), PageETag);
        if (header(request, "If-None-Match") == PageETag) {
            out.status = 304;
            return out;
        }
    } else if (seen.path.startsWith(u"/maxage")) {
        out.headers << qMakePair(QByteArray("Cache-Control"), QByteArray("max-age=600"));
    }
    if (seen.path == u"/dologin" && request.method() == QHttpServerRequest::Method::Post)
        return login(request, seen);
    const QString member = seen.member();
    seen.loggedIn = !member.isEmpty() && member != u"guest" && !m_loggedOut.contains(member);
    if (seen.path == u"/dologin") {
        m_loggedOut.remove(member);
        out.status = 302;
        out.headers << qMakePair(QByteArray("Location"),
                                 QUrlQuery(request.url()).queryItemValue(QStringLiteral("back")).toUtf8());
        return out;
    }
    if (seen.path.startsWith(u"/redirect") && m_loggedOut.contains(member)) {
        out.status = 302;
        out.headers << qMakePair(QByteArray("Location"), QByteArray("/loginpage"));
        return out;
    }
    const auto file = m_files.constFind(seen.path);
    if (file != m_files.cend()) {
        out.headers[0].second = file->contentType;
        out.body = file->body + QStringLiteral("<!-- 第 %1 页 -->").arg(seen.serial).toUtf8();
    } else {
        out.body = page(seen.path, seen.serial, member);
    }
    return out;
}

ForumServer::Reply ForumServer::login(const QHttpServerRequest &request, Request &seen)
{
    const QUrlQuery form(QString::fromUtf8(request.body()).replace(u'+', u' '));
    const auto field = [&form](const char *name) {
        return form.queryItemValue(QLatin1String(name), QUrl::FullyDecoded);
    };
    const QString member = field("username");
    const auto password = m_passwords.constFind(member);
    QString refusal;
    if (field("formhash") != FormHash)
        refusal = QStringLiteral("请求无效，请刷新页面后重试");
    else if (m_pictureCode && field("seccode") != u"x7k2")
        refusal = QStringLiteral("验证码错误，请重新输入");
    else if (member.isEmpty() || (password != m_passwords.cend() && *password != field("password")))
        refusal = QStringLiteral("登录失败：密码错误，您还可以尝试 4 次");
    m_loginAttempts << LoginAttempt{member, refusal.isEmpty(), request.body()};
    Reply out;
    if (field("inajax") == u"1") {
        // Discuz! X's answer to an ajax login: its word in an XML envelope, the page shows it.
        out.headers << qMakePair(QByteArray("Content-Type"), QByteArray("text/xml; charset=utf-8"));
        if (refusal.startsWith(u"登录失败"))
            refusal = QStringLiteral("抱歉，您输入的密码有误，您还可以尝试 4 次");
        out.body = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><root><![CDATA[%1]]></root>")
                       .arg(refusal.isEmpty() ? QStringLiteral("succeed") : refusal)
                       .toUtf8();
        if (refusal.isEmpty()) {
            m_loggedOut.remove(member);
            seen.issuedCookie = QStringLiteral("%1-%2").arg(member).arg(++logins);
            out.headers << qMakePair(QByteArray("Set-Cookie"), CookieName + '=' + seen.issuedCookie.toUtf8() +
                                                                   "; Path=/; Max-Age=86400");
        }
        return out;
    }
    out.headers << qMakePair(QByteArray("Content-Type"), QByteArray("text/html; charset=utf-8"));
    if (!refusal.isEmpty()) {
        out.body = page(QStringLiteral("/loginpage"), seen.serial, QString(), refusal);
        return out;
    }
    m_loggedOut.remove(member);
    seen.issuedCookie = QStringLiteral("%1-%2").arg(member).arg(++logins);
    out.status = 302;
    out.headers << qMakePair(QByteArray("Set-Cookie"),
                             CookieName + '=' + seen.issuedCookie.toUtf8() + "; Path=/; Max-Age=86400");
    const QString back = field("back");
    out.headers << qMakePair(QByteArray("Location"), (back.isEmpty() ? QStringLiteral("/") : back).toUtf8());
    return out;
}

QByteArray ForumServer::page(const QString &path, int serial, const QString &member,
                             const QString &refusal) const
{
    const QString title = m_titles.value(path, m_title);
    const QString pictureCode =
        m_pictureCode ? QStringLiteral(" 验证码 <input name=\"seccode\" size=\"4\"> "
                                       "<img id=\"seccodeimg\" src=\"%1\" width=\"60\" height=\"20\">")
                            .arg(LogoPath)
                      : QString();
    const QString loginForm =
        QStringLiteral("<form id=\"login\" method=\"post\" action=\"/dologin\">"
                       "<input name=\"back\" type=\"hidden\" value=\"%1\">"
                       "<input name=\"formhash\" type=\"hidden\" value=\"%2\">"
                       "用户名 <input name=\"username\"> 密码 <input name=\"password\" "
                       "type=\"password\">%3 <button type=\"submit\">登录</button></form>")
            .arg(path == u"/loginpage" ? QStringLiteral("/") : path.toHtmlEscaped(), FormHash, pictureCode) +
        (m_ajaxLogin
             ? QStringLiteral(
                   "<script>document.getElementById('login').addEventListener('submit', function (e) {"
                   "  e.preventDefault();"
                   "  var form = this, body = new URLSearchParams(new FormData(form));"
                   "  body.append('inajax', '1');"
                   "  fetch('/dologin', {method: 'POST', body: body}).then(function (r) { return r.text(); })"
                   "  .then(function (text) {"
                   "    var word = (/CDATA\\[([^\\]]*)\\]/.exec(text) || [])[1] || text;"
                   "    if (word === 'succeed') { location.href = form.back.value; return; }"
                   "    var box = document.createElement('div');"
                   "    box.id = 'ntcwin'; box.textContent = word; document.body.appendChild(box);"
                   "  });"
                   "});</script>")
             : QString());
    QString top;
    if (!refusal.isEmpty())
        top = QStringLiteral("<div class=\"alert\">%1</div>").arg(refusal) + loginForm;
    else if (path == u"/loginpage")
        top = QStringLiteral("<h2>会员登录</h2>") + loginForm;
    else if (m_loggedOut.contains(member) && path.startsWith(u"/message"))
        top = QStringLiteral("<div class=\"alert\">抱歉，您尚未登录，无法进行此操作</div>") + loginForm;
    else if (m_loggedOut.contains(member))
        top = loginForm; // in the header, where the member bar stood
    else if (path.startsWith(u"/button"))
        top = QStringLiteral("<div id=\"member\">%1 <button type=\"button\" "
                             "onclick=\"location.href='/logout.php'\">退出</button></div>")
                  .arg(member.toHtmlEscaped());
    else
        top = QStringLiteral("<div id=\"member\">%1 | <a href=\"/logout.php\">退出</a></div>")
                  .arg(member.toHtmlEscaped());
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                          "<meta name=\"generated\" content=\"%4\">"
                          "<link rel=\"stylesheet\" href=\"%5\"></head>"
                          "<body>%7<form id=\"search\"><input type=\"search\" name=\"q\"></form>"
                          "<div id=\"quicklogin\" style=\"display:none\"><input type=\"password\"></div>"
                          "<h1>%1</h1><img src=\"%6\" alt=\"\"><p>%2</p><textarea id=\"post\"></textarea>"
                          "<p id=\"generated\">%4</p><script>%3</script></body></html>")
        .arg(title.toHtmlEscaped(), path.toHtmlEscaped(), QString::fromUtf8(script(path)),
             QString::number(serial), StyleSheetPath, LogoPath, top)
        .toUtf8();
}

} // namespace kelvora::test
