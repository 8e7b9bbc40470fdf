#include "common/forumserver.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QNetworkCookie>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>

namespace kelvora::test {

/** Cuts every connection, new and open, while `resetting` is set. */
class ResettableTcpServer final : public QTcpServer
{
public:
    using QTcpServer::QTcpServer;

    void setResetting(bool resetting)
    {
        m_resetting = resetting;
        if (resetting) {
            for (QTcpSocket *socket : findChildren<QTcpSocket *>())
                socket->abort();
        }
    }

protected:
    void incomingConnection(qintptr handle) override
    {
        if (!m_resetting) {
            QTcpServer::incomingConnection(handle);
            return;
        }
        QTcpSocket socket;
        socket.setSocketDescriptor(handle);
        socket.abort();
    }

private:
    bool m_resetting = false;
};

namespace {

const QByteArray CookieName = "sid";
// Numbered across every forum of the test, so no two logins are ever alike.
int logins = 0;

QString loginCookie(const QHttpServerRequest &request)
{
    for (const QNetworkCookie &cookie :
         QNetworkCookie::parseCookies(request.value("Cookie").replace("; ", "\n"))) {
        if (cookie.name() == CookieName)
            return QString::fromUtf8(cookie.value());
    }
    return {};
}

QByteArray script(const QString &path)
{
    if (path.startsWith(u"/alert"))
        return "alert('论坛公告：欢迎回来');";
    if (path.startsWith(u"/confirm"))
        return "var answer = confirm('确定要签到吗？');"
               "new Image().src = '/answer?confirm=' + answer;";
    if (path.startsWith(u"/prompt"))
        return "var answer = prompt('请输入验证码', '1234');"
               "new Image().src = '/answer?prompt=' + encodeURIComponent(answer);";
    if (path.startsWith(u"/leave"))
        return "window.addEventListener('beforeunload', function (e) {"
               "  e.preventDefault(); e.returnValue = '';"
               "});"
               "document.addEventListener('click', function () { new Image().src = '/answer?clicked'; });";
    if (path.startsWith(u"/login"))
        return "window.addEventListener('load', function () { new Image().src = '/answer?loaded'; });";
    return {};
}

} // namespace

ForumServer::ForumServer(QObject *parent) : QObject(parent), m_tcp(new ResettableTcpServer(this))
{
    m_http.route(QStringLiteral("/<arg>"),
                 [this](const QUrl &, const QHttpServerRequest &request, QHttpServerResponder &&responder) {
                     answer(request, std::move(responder));
                 });
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
    if (outage != Outage::NoAnswer)
        m_unanswered.clear(); // the waiting browsers get their connections closed
}

QList<ForumServer::Request> ForumServer::pageRequests() const
{
    QList<Request> pages;
    for (const Request &r : m_requests) {
        const auto file = m_files.constFind(r.path);
        if (r.path != u"/favicon.ico" && r.path != u"/answer" && (file == m_files.cend() || file->isPage))
            pages << r;
    }
    return pages;
}

QStringList ForumServer::answers() const
{
    QStringList found;
    for (const Request &r : m_requests) {
        if (r.path == u"/answer")
            found << QUrl::fromPercentEncoding(r.query.toUtf8());
    }
    return found;
}

void ForumServer::answer(const QHttpServerRequest &request, QHttpServerResponder &&responder)
{
    Request seen;
    seen.path = request.url().path();
    seen.query = request.url().query(QUrl::FullyEncoded);
    seen.host = QString::fromUtf8(request.value("Host"));
    seen.cookie = loginCookie(request);
    seen.elapsedMs = m_clock.elapsed();

    using Status = QHttpServerResponder::StatusCode;
    if (m_outage == Outage::NoAnswer) {
        m_requests << seen;
        emit requestReceived(seen);
        m_unanswered.push_back(std::move(responder));
        return;
    }

    Status status = Status::Ok;
    QByteArray type = "text/html; charset=utf-8";
    QByteArray body;
    QByteArray setCookie;
    if (m_outage == Outage::ServiceUnavailable) {
        status = Status::ServiceUnavailable;
        body = "<html><head><title>503</title></head><body>论坛维护中</body></html>";
    } else if (seen.path == u"/favicon.ico") {
        status = Status::NotFound;
    } else {
        const auto file = m_files.constFind(seen.path);
        const bool isPage = file == m_files.cend() || file->isPage;
        if (file != m_files.cend()) {
            type = file->contentType;
            body = file->body;
        } else {
            body = page(seen.path);
        }
        if (isPage && seen.cookie.isEmpty() && seen.path != u"/answer") {
            const QString member = QUrlQuery(request.url()).queryItemValue(QStringLiteral("member"));
            seen.issuedCookie = QStringLiteral("%1-%2")
                                    .arg(member.isEmpty() ? QStringLiteral("guest") : member)
                                    .arg(++logins);
            // Persistent, as a forum's "remember me" login is, so it must survive a restart.
            setCookie = CookieName + '=' + seen.issuedCookie.toUtf8() + "; Path=/; Max-Age=86400";
        }
    }

    responder.writeStatusLine(status);
    responder.writeHeader("Content-Type", type);
    responder.writeHeader("Content-Length", QByteArray::number(body.size()));
    responder.writeHeader("Cache-Control", "no-store");
    if (!setCookie.isEmpty())
        responder.writeHeader("Set-Cookie", setCookie);
    responder.writeBody(body);

    m_requests << seen;
    emit requestReceived(seen);
}

QByteArray ForumServer::page(const QString &path) const
{
    const QString title = m_titles.value(path, m_title);
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title></head>"
                          "<body><h1>%1</h1><p>%2</p><textarea id=\"post\"></textarea>"
                          "<script>%3</script></body></html>")
        .arg(title.toHtmlEscaped(), path.toHtmlEscaped(), QString::fromUtf8(script(path)))
        .toUtf8();
}

} // namespace kelvora::test
