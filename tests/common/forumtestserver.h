#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <utility>

class QTcpServer;
class QTcpSocket;

namespace kelvora::test {

// A minimal HTTP/1.1 server that stands in for a web forum in end-to-end tests. It runs in the
// caller's event loop (the same one that drives Qt WebEngine), so nothing in here may block.
// Several instances can run side by side on different loopback addresses (127.0.0.2, 127.0.0.3, …),
// which gives each one its own cookie origin.
class ForumTestServer : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QString method;
        QString path;         // request target without the query, as sent (not percent-decoded)
        QString query;        // text after '?', empty if none
        QString host;         // Host header
        QString cookie;       // value of the login cookie the client sent, empty if none
        QString issuedCookie; // value of the login cookie this reply set, empty if none
        qint64 elapsedMs = 0; // since listen() succeeded
    };

    explicit ForumTestServer(QObject *parent = nullptr);
    ~ForumTestServer() override;

    ForumTestServer(const ForumTestServer &) = delete;
    ForumTestServer &operator=(const ForumTestServer &) = delete;

    bool listen(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0);
    // Stops listening and drops every open connection; recorded requests are kept.
    void close();
    bool isListening() const;
    quint16 port() const;
    QHostAddress address() const;
    QUrl url(const QString &path = QStringLiteral("/")) const;

    // Title of every page without a setPage() entry.
    void setTitle(const QString &title);
    QString title() const { return m_defaultTitle; }
    // Gives `path` (without query) its own page, so back/forward navigation lands on distinct titles.
    void setPage(const QString &path, const QString &title);

    // Serves fixed content at `path` (a stylesheet, an image, a large page) instead of a generated page.
    void setFile(const QString &path, const QByteArray &contentType, const QByteArray &body);

    void setCookieName(const QString &name);
    QString cookieName() const { return m_cookieName; }
    // Every login cookie value this server has handed out, oldest first.
    QStringList issuedCookies() const { return m_issuedCookies; }

    QList<Request> requests() const { return m_requests; }
    QList<Request> pageRequests() const;
    void clear();

signals:
    // Emitted after the request has been recorded and answered.
    void requestReceived(const kelvora::test::ForumTestServer::Request &request);

private:
    struct Connection
    {
        QByteArray buffer;
        bool closing = false;
    };

    struct Response
    {
        int status = 200;
        QByteArray contentType;
        QByteArray body;
        QList<QByteArray> extraHeaders;
        bool close = false;
        bool headOnly = false;
    };

    void acceptConnections();
    void readFrom(QTcpSocket *socket);
    void dropConnection(QTcpSocket *socket);
    // Answers the first complete request in `connection.buffer` and removes it from there.
    // Returns false when more bytes are needed or the connection is to be closed.
    bool handleOneRequest(QTcpSocket *socket, Connection &connection);
    void reject(QTcpSocket *socket, Connection &connection, int status);
    void send(QTcpSocket *socket, const Response &response);
    QByteArray pageHtml(const QString &path) const;
    QString newCookieValue();

    QTcpServer *m_server = nullptr;
    QHash<QTcpSocket *, Connection> m_connections;
    QElapsedTimer m_clock;
    QList<Request> m_requests;
    QHash<QString, QString> m_pageTitles;
    QHash<QString, std::pair<QByteArray, QByteArray>> m_files; // path: content type, body
    QString m_defaultTitle = QStringLiteral("Test forum");
    QString m_cookieName = QStringLiteral("sid");
    QStringList m_issuedCookies;
    int m_instanceId = 0;
};

} // namespace kelvora::test
