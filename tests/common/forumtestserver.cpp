#include "forumtestserver.h"

#include <QPointer>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <atomic>
#include <optional>

namespace kelvora::test {

namespace {

// Real browsers stay far below this; anything larger is a broken or hostile client.
constexpr qsizetype maxHeaderBytes = qsizetype{64} * 1024;
constexpr qsizetype maxBodyBytes = qsizetype{64} * 1024;

std::atomic<int> instanceCounter{0};

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 413:
        return "Content Too Large";
    case 431:
        return "Request Header Fields Too Large";
    case 501:
        return "Not Implemented";
    default:
        return "Unknown";
    }
}

bool isTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(QByteArrayView text)
{
    return !text.isEmpty() && std::ranges::all_of(text, isTokenChar);
}

bool isVisibleAscii(QByteArrayView text)
{
    return std::ranges::all_of(text, [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u > 0x20 && u < 0x7f;
    });
}

// Returns the offset just past the blank line that ends the header block. Bare LF line endings
// are accepted too, so that a sloppy client gets a proper answer instead of waiting for the size limit.
std::optional<qsizetype> headerEnd(const QByteArray &buffer)
{
    qsizetype pos = buffer.indexOf('\n');
    while (pos >= 0) {
        if (pos + 1 < buffer.size() && buffer.at(pos + 1) == '\n') {
            return pos + 2;
        }
        if (pos + 2 < buffer.size() && buffer.at(pos + 1) == '\r' && buffer.at(pos + 2) == '\n') {
            return pos + 3;
        }
        pos = buffer.indexOf('\n', pos + 1);
    }
    return std::nullopt;
}

// True if the comma-separated header value lists `token` (case-insensitively), as in "keep-alive, Upgrade".
bool listContains(const QByteArray &value, QByteArrayView token)
{
    const QList<QByteArray> items = value.split(',');
    return std::any_of(items.cbegin(), items.cend(), [token](const QByteArray &item) {
        return item.trimmed().compare(token, Qt::CaseInsensitive) == 0;
    });
}

} // namespace

ForumTestServer::ForumTestServer(QObject *parent)
    : QObject(parent), m_server(new QTcpServer(this)), m_instanceId(++instanceCounter)
{
    connect(m_server, &QTcpServer::newConnection, this, &ForumTestServer::acceptConnections);
}

ForumTestServer::~ForumTestServer()
{
    close();
}

bool ForumTestServer::listen(const QHostAddress &address, quint16 port)
{
    if (!m_server->listen(address, port)) {
        return false;
    }
    m_clock.start();
    return true;
}

void ForumTestServer::close()
{
    m_server->close();
    const QList<QTcpSocket *> sockets = m_connections.keys();
    m_connections.clear();
    for (QTcpSocket *socket : sockets) {
        // Detach first: abort() emits disconnected() synchronously.
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

bool ForumTestServer::isListening() const
{
    return m_server->isListening();
}

quint16 ForumTestServer::port() const
{
    return m_server->serverPort();
}

QHostAddress ForumTestServer::address() const
{
    return m_server->serverAddress();
}

QUrl ForumTestServer::url(const QString &path) const
{
    QUrl result;
    result.setScheme(QStringLiteral("http"));
    result.setHost(address().toString());
    result.setPort(port());
    const qsizetype queryStart = path.indexOf(u'?');
    if (queryStart < 0) {
        result.setPath(path);
    } else {
        result.setPath(path.left(queryStart));
        result.setQuery(path.mid(queryStart + 1));
    }
    return result;
}

void ForumTestServer::setTitle(const QString &title)
{
    m_defaultTitle = title;
}

void ForumTestServer::setPage(const QString &path, const QString &title)
{
    m_pageTitles.insert(path, title);
}

void ForumTestServer::setCookieName(const QString &name)
{
    m_cookieName = name;
}

QList<ForumTestServer::Request> ForumTestServer::pageRequests() const
{
    QList<Request> pages;
    for (const Request &request : m_requests) {
        if (request.path != QLatin1String("/favicon.ico")) {
            pages.append(request);
        }
    }
    return pages;
}

void ForumTestServer::clear()
{
    m_requests.clear();
}

void ForumTestServer::acceptConnections()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        m_connections.insert(socket, Connection{});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { dropConnection(socket); });
    }
}

void ForumTestServer::dropConnection(QTcpSocket *socket)
{
    if (m_connections.remove(socket)) {
        socket->deleteLater();
    }
}

void ForumTestServer::readFrom(QTcpSocket *socket)
{
    const auto it = m_connections.find(socket);
    if (it == m_connections.end()) {
        return;
    }
    Connection &connection = it.value();
    if (connection.closing) {
        socket->readAll(); // already answered and on the way out; the rest is of no interest
        return;
    }
    connection.buffer += socket->readAll();

    const qsizetype recordedBefore = m_requests.size();
    while (!connection.closing && handleOneRequest(socket, connection)) {
    }
    const QList<Request> answered = m_requests.mid(recordedBefore);

    // From here on `connection` may be gone: disconnectFromHost() can emit disconnected() at once,
    // and a listener may close or even delete the server.
    if (connection.closing) {
        socket->disconnectFromHost();
    }
    const QPointer<ForumTestServer> guard(this);
    for (const Request &request : answered) {
        emit requestReceived(request);
        if (guard.isNull()) {
            return;
        }
    }
}

bool ForumTestServer::handleOneRequest(QTcpSocket *socket, Connection &connection)
{
    QByteArray &buffer = connection.buffer;
    // Stray line breaks between requests are allowed and must not count as a malformed request.
    qsizetype skip = 0;
    while (skip < buffer.size() && (buffer.at(skip) == '\r' || buffer.at(skip) == '\n')) {
        ++skip;
    }
    buffer.remove(0, skip);

    const std::optional<qsizetype> end = headerEnd(buffer);
    if (!end) {
        if (buffer.size() > maxHeaderBytes) {
            reject(socket, connection, 431);
        }
        return false;
    }
    if (*end > maxHeaderBytes) {
        reject(socket, connection, 431);
        return false;
    }

    QList<QByteArray> lines = buffer.left(*end).split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    while (!lines.isEmpty() && lines.constLast().isEmpty()) {
        lines.removeLast();
    }

    const QList<QByteArray> requestLine = lines.value(0).split(' ');
    if (requestLine.size() != 3 || !isToken(requestLine.at(0)) || !isVisibleAscii(requestLine.at(1))) {
        reject(socket, connection, 400);
        return false;
    }
    const QByteArray &method = requestLine.at(0);
    const QByteArray &version = requestLine.at(2);
    if (version != "HTTP/1.1" && version != "HTTP/1.0") {
        reject(socket, connection, 400);
        return false;
    }

    QByteArray target = requestLine.at(1);
    if (target.startsWith("http://")) {
        // Absolute form, as a client talking to a proxy would send it.
        const QUrl absolute(QString::fromLatin1(target), QUrl::StrictMode);
        if (!absolute.isValid()) {
            reject(socket, connection, 400);
            return false;
        }
        target = absolute.path(QUrl::FullyEncoded).toLatin1();
        if (target.isEmpty()) {
            target = "/";
        }
        if (absolute.hasQuery()) {
            target += '?' + absolute.query(QUrl::FullyEncoded).toLatin1();
        }
    } else if (!target.startsWith('/')) {
        reject(socket, connection, 400);
        return false;
    }

    QList<QByteArray> hosts;
    QList<QByteArray> cookieHeaders;
    QByteArray connectionHeader;
    std::optional<qsizetype> contentLength;
    bool chunked = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const qsizetype colon = line.indexOf(':');
        // A leading blank would be obsolete line folding, which nobody legitimate sends any more.
        if (colon <= 0 || !isToken(QByteArrayView(line).first(colon))) {
            reject(socket, connection, 400);
            return false;
        }
        const QByteArray name = line.left(colon).toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "host") {
            hosts.append(value);
        } else if (name == "cookie") {
            cookieHeaders.append(value);
        } else if (name == "connection") {
            connectionHeader += (connectionHeader.isEmpty() ? "" : ",") + value;
        } else if (name == "transfer-encoding") {
            chunked = true;
        } else if (name == "content-length") {
            bool ok = false;
            const qlonglong length = value.toLongLong(&ok);
            const bool digitsOnly =
                std::all_of(value.cbegin(), value.cend(), [](char c) { return c >= '0' && c <= '9'; });
            if (!ok || !digitsOnly || (contentLength && *contentLength != length)) {
                reject(socket, connection, 400);
                return false;
            }
            contentLength = length;
        }
    }
    if ((version == "HTTP/1.1" && hosts.size() != 1) || hosts.size() > 1) {
        reject(socket, connection, 400);
        return false;
    }
    if (chunked) {
        // Test clients only send bodies with a Content-Length; decoding chunks is not worth it here.
        reject(socket, connection, 501);
        return false;
    }
    if (contentLength.value_or(0) > maxBodyBytes) {
        reject(socket, connection, 413);
        return false;
    }
    const qsizetype consumed = *end + contentLength.value_or(0);
    if (buffer.size() < consumed) {
        return false; // the body is still on its way
    }
    buffer.remove(0, consumed);

    const qsizetype queryStart = target.indexOf('?');
    Request request;
    request.method = QString::fromLatin1(method);
    request.path = QString::fromLatin1(queryStart < 0 ? target : target.left(queryStart));
    request.query = queryStart < 0 ? QString() : QString::fromLatin1(target.mid(queryStart + 1));
    request.host = QString::fromLatin1(hosts.value(0));
    request.elapsedMs = m_clock.isValid() ? m_clock.elapsed() : 0;

    bool hasCookie = false;
    const QByteArray cookieName = m_cookieName.toUtf8();
    for (const QByteArray &header : std::as_const(cookieHeaders)) {
        for (const QByteArray &pair : header.split(';')) {
            const QByteArray trimmed = pair.trimmed();
            const qsizetype equals = trimmed.indexOf('=');
            if (!hasCookie && equals >= 0 && trimmed.left(equals).trimmed() == cookieName) {
                hasCookie = true;
                request.cookie = QString::fromUtf8(trimmed.mid(equals + 1).trimmed());
            }
        }
    }

    Response response;
    response.close = version == "HTTP/1.1" ? listContains(connectionHeader, "close")
                                           : !listContains(connectionHeader, "keep-alive");
    response.headOnly = method == "HEAD";
    if (method != "GET" && method != "HEAD") {
        response.status = 405;
        response.extraHeaders.append("Allow: GET, HEAD");
    } else if (const auto file = m_files.constFind(request.path); file != m_files.cend()) {
        response.contentType = file->first;
        response.body = file->second;
    } else if (request.path == QLatin1String("/favicon.ico")) {
        response.status = 404;
    } else {
        response.contentType = "text/html; charset=utf-8";
        response.body = pageHtml(request.path);
        if (!hasCookie) {
            request.issuedCookie = newCookieValue();
            response.extraHeaders.append("Set-Cookie: " + cookieName + '=' + request.issuedCookie.toUtf8() +
                                         "; Path=/; Max-Age=86400");
        }
    }

    m_requests.append(request);
    send(socket, response);
    connection.closing = response.close;
    return !response.close;
}

void ForumTestServer::reject(QTcpSocket *socket, Connection &connection, int status)
{
    Response response;
    response.status = status;
    response.close = true;
    send(socket, response);
    connection.closing = true;
    connection.buffer.clear();
}

void ForumTestServer::send(QTcpSocket *socket, const Response &response)
{
    QByteArray body = response.body;
    QByteArray contentType = response.contentType;
    if (response.status != 200 && body.isEmpty()) {
        body = QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + '\n';
        contentType = "text/plain; charset=utf-8";
    }

    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    head += "Content-Type: " + contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    // Every reload has to reach the server, otherwise the tests could not count them.
    head += "Cache-Control: no-store\r\n";
    head += response.close ? "Connection: close\r\n" : "Connection: keep-alive\r\n";
    for (const QByteArray &header : response.extraHeaders) {
        head += header + "\r\n";
    }
    head += "\r\n";

    socket->write(head);
    if (!response.headOnly) {
        socket->write(body);
    }
}

void ForumTestServer::setFile(const QString &path, const QByteArray &contentType, const QByteArray &body)
{
    m_files.insert(path, {contentType, body});
}

QByteArray ForumTestServer::pageHtml(const QString &path) const
{
    const QString title = m_pageTitles.value(path, m_defaultTitle).toHtmlEscaped();
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title></head>"
                          "<body><h1>%1</h1></body></html>")
        .arg(title)
        .toUtf8();
}

QString ForumTestServer::newCookieValue()
{
    const quint64 noise = QRandomGenerator::global()->generate64();
    QString value = QStringLiteral("s%1-%2-%3")
                        .arg(m_instanceId)
                        .arg(m_issuedCookies.size() + 1)
                        .arg(noise, 16, 16, QLatin1Char('0'));
    m_issuedCookies.append(value);
    return value;
}

} // namespace kelvora::test
