#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QHttpServer>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <vector>

namespace kelvora::test {

class ResettableTcpServer;

/**
 * A web forum for tests, on Qt's HTTP server, in the caller's event loop. Each instance listens on
 * an address of its own (127.0.0.2, 127.0.0.3, …), so each is a cookie origin of its own.
 *
 * Every page sets a login cookie on the first visit: "sid=<member>-<n>", the member taken from the
 * query's "member" (default "guest"). Pages whose path starts with one of these behave as forums do:
 * - /login   reports as /answer?loaded that it has loaded, sending the login cookie it was given;
 * - /alert   shows an alert when loaded;
 * - /confirm asks a confirm() and reports the answer as a request to /answer?confirm=true|false;
 * - /prompt  asks a prompt() and reports the answer as /answer?prompt=<text>;
 * - /leave   asks before it is left (beforeunload), as a post editor does once typed into;
 *            a click on it is reported as /answer?clicked.
 */
class ForumServer : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QString path;         ///< as requested, without the query
        QString query;        ///< text after '?', empty if none
        QString host;         ///< the Host header
        QString cookie;       ///< the login cookie the browser sent, empty if none
        QString issuedCookie; ///< the login cookie this answer set, empty if none
        qint64 elapsedMs = 0; ///< since listen()
    };

    /** How the forum fails, for as long as it is set. */
    enum class Outage
    {
        None,
        ConnectionReset,    ///< every connection is cut at once
        ServiceUnavailable, ///< every request gets 503
        NoAnswer,           ///< requests are taken and never answered
    };

    explicit ForumServer(QObject *parent = nullptr);
    ~ForumServer() override;

    bool listen(const QHostAddress &address, quint16 port = 0);
    QUrl url(const QString &pathAndQuery = QStringLiteral("/")) const;

    /** The title of every page without one of its own. */
    void setTitle(const QString &title) { m_title = title; }
    /** Gives one path its own title, so history steps land on pages that tell apart. */
    void setPage(const QString &path, const QString &title) { m_titles.insert(path, title); }
    /**
     * Serves fixed content at a path instead of a generated page: a style sheet, an image, or
     * (`isPage`) a page of its own, which sets the login cookie as every page does.
     */
    void setFile(const QString &path, const QByteArray &contentType, const QByteArray &body,
                 bool isPage = false);
    void setOutage(Outage outage);

    QList<Request> requests() const { return m_requests; }
    /** The requests for pages: no favicon, no file set with setFile(), no /answer. */
    QList<Request> pageRequests() const;
    /** The answers that /confirm and /prompt pages reported, oldest first. */
    QStringList answers() const;
    void clear() { m_requests.clear(); }

signals:
    void requestReceived(const kelvora::test::ForumServer::Request &request);

private:
    void answer(const QHttpServerRequest &request, QHttpServerResponder &&responder);
    QByteArray page(const QString &path) const;

    QHttpServer m_http;
    ResettableTcpServer *m_tcp = nullptr;
    QElapsedTimer m_clock;
    QList<Request> m_requests;
    QString m_title = QStringLiteral("测试论坛");
    QHash<QString, QString> m_titles;
    struct File
    {
        QByteArray contentType;
        QByteArray body;
        bool isPage = false;
    };
    QHash<QString, File> m_files;
    Outage m_outage = Outage::None;
    std::vector<QHttpServerResponder> m_unanswered;
};

} // namespace kelvora::test
