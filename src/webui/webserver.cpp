#include "webui/webserver.h"

#include "webui/httpcompat.h"

#include <QDateTime>
#include <QFile>
#include <QFuture>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QtConcurrent/QtConcurrentRun>
#include <QTcpServer>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace kelvora {
namespace {
// A TLS handshake not done in this time is given up: a connection that says nothing holds no place.
constexpr int HandshakeLimitMs = 10000;
} // namespace

/**
 * Hands the HTTP server only connections it may serve: a banned address's, and those over the cap,
 * are closed before anything of them is read; under HTTPS only once the handshake is done. Qt's
 * QSslServer begins its handshake with no word to its owner first, so the TLS sockets are made here.
 */
class GuardedTcpServer final : public QTcpServer
{
public:
    GuardedTcpServer(std::function<bool(const QHostAddress &)> refused, QObject *parent)
        : QTcpServer(parent), m_refused(std::move(refused))
    {}

    void setTls(const QSslConfiguration &tls) { m_tls = tls; }
    void setCap(int total, int perAddress)
    {
        m_total = total;
        m_perAddress = perAddress;
    }

protected:
    void incomingConnection(qintptr handle) override
    {
        QTcpSocket *socket = m_tls ? new QSslSocket(this) : new QTcpSocket(this);
        if (!socket->setSocketDescriptor(handle)) {
            delete socket;
            return;
        }
        m_open.removeAll(nullptr);
        const QHostAddress peer = socket->peerAddress();
        const auto fromPeer =
            std::count_if(m_open.cbegin(), m_open.cend(), [&peer](const QPointer<QTcpSocket> &open) {
                return open->peerAddress().isEqual(peer, QHostAddress::ConvertV4MappedToIPv4);
            });
        if (m_refused(peer) || m_open.size() >= m_total || fromPeer >= m_perAddress) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        m_open.append(socket);
        auto *tls = qobject_cast<QSslSocket *>(socket);
        if (!tls) {
            addPendingConnection(socket);
            return;
        }
        tls->setSslConfiguration(*m_tls);
        auto *limit = new QTimer(tls);
        limit->setSingleShot(true);
        connect(limit, &QTimer::timeout, tls, [tls] {
            tls->abort();
            tls->deleteLater();
        });
        connect(tls, &QAbstractSocket::errorOccurred, this, [tls] {
            if (!tls->isEncrypted())
                tls->deleteLater();
        });
        connect(tls, &QSslSocket::encrypted, this, [this, tls, limit] {
            limit->stop();
            tls->disconnect(this);
            addPendingConnection(tls);
        });
        limit->start(HandshakeLimitMs);
        tls->startServerEncryption();
    }

private:
    std::function<bool(const QHostAddress &)> m_refused;
    std::optional<QSslConfiguration> m_tls;
    int m_total = 32;
    int m_perAddress = 12;
    QList<QPointer<QTcpSocket>> m_open;
};

WebUiServer::WebUiServer(RemoteSession &session, QObject *parent)
    : QObject(parent), m_session(session), m_nowMs([] { return QDateTime::currentMSecsSinceEpoch(); })
{}

WebUiServer::~WebUiServer() = default;

void WebUiServer::setConnectionCap(int total, int perAddress)
{
    m_total = total;
    m_perAddress = perAddress;
    if (m_tcp)
        m_tcp->setCap(total, perAddress);
}

void WebUiServer::close()
{
    // The HTTP server owns the TCP server it was bound to, and the connections under it.
    m_http.reset();
    m_tcp = nullptr;
    m_handler.reset();
}

bool WebUiServer::isListening() const
{
    return m_tcp && m_tcp->isListening();
}

quint16 WebUiServer::port() const
{
    return m_tcp ? m_tcp->serverPort() : 0;
}

QString WebUiServer::pageAddress() const
{
    WebUiConfig shown = m_config;
    shown.port = port();
    return shown.pageAddress();
}

WebServeProblem WebUiServer::listen(const WebUiConfig &config, const QString &accessCode, QString *detail)
{
    close();
    if (!config.address.isLoopback() && config.passwordHash.isEmpty())
        return WebServeProblem::PasswordNeeded;
    std::optional<QSslConfiguration> tls;
    if (config.isSecure()) {
        QFile certificateFile(config.certificateFile);
        QFile keyFile(config.keyFile);
        if (!certificateFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
            if (detail)
                *detail = certificateFile.isOpen() ? keyFile.errorString() : certificateFile.errorString();
            return WebServeProblem::Certificate;
        }
        const QList<QSslCertificate> chain = QSslCertificate::fromData(certificateFile.readAll(), QSsl::Pem);
        const QByteArray keyText = keyFile.readAll();
        QSslKey key(keyText, QSsl::Rsa, QSsl::Pem);
        if (key.isNull())
            key = QSslKey(keyText, QSsl::Ec, QSsl::Pem);
        if (chain.isEmpty() || key.isNull() || !QSslSocket::supportsSsl()) {
            if (detail)
                *detail = config.certificateFile;
            return WebServeProblem::Certificate;
        }
        tls = QSslConfiguration::defaultConfiguration();
        tls->setLocalCertificateChain(chain);
        tls->setPrivateKey(key);
        tls->setPeerVerifyMode(QSslSocket::VerifyNone);
    }

    auto http = std::make_unique<QHttpServer>();
    auto *tcp = new GuardedTcpServer(
        [this](const QHostAddress &peer) { return m_handler && m_handler->isBanned(peer); }, nullptr);
    tcp->setCap(m_total, m_perAddress);
    if (tls)
        tcp->setTls(*tls);
    if (!tcp->listen(config.address, config.port)) {
        if (detail)
            *detail = tcp->errorString();
        delete tcp;
        return WebServeProblem::Listen;
    }
    WebUiRules rules;
    rules.address = config.address;
    rules.port = tcp->serverPort();
    rules.hostNames = config.hostNames;
    rules.secure = config.isSecure();
    rules.passwordHash = config.passwordHash;
    rules.accessCode = accessCode;
    if (m_adjustRules)
        m_adjustRules(rules);
    m_handler = std::make_unique<WebUiHandler>(m_session, rules, [this] { return m_nowMs(); });
    const auto serve = [this](const QHttpServerRequest &request, http::Responder responder) {
        const WebRequest web = http::requestOf(request);
        WebUiHandler::PendingLogin pending;
        if (const std::optional<WebReply> reply = m_handler->begin(web, pending)) {
            http::send(responder, reply->status, reply->headers, reply->body);
            return;
        }
        // A password's hash takes a good part of a second to check, by design: never on the event
        // loop the slots' timers run on.
        auto later = std::make_shared<QHttpServerResponder>(std::move(responder));
        QtConcurrent::run([check = m_handler->passwordCheck(), password = pending.password] {
            return check(password);
        }).then(this, [this, web, later](bool matches) {
            if (!m_handler)
                return;
            const WebReply reply = m_handler->finishLogin(web, matches);
            http::send(*later, reply.status, reply.headers, reply.body);
        });
    };
    http->route(QStringLiteral("/"), serve);
    http->route(QStringLiteral("/<arg>"),
                [serve](const QUrl &, const QHttpServerRequest &request, http::Responder responder) {
                    serve(request, std::forward<http::Responder>(responder));
                });
    http->bind(tcp);
    m_http = std::move(http);
    m_tcp = tcp;
    m_config = config;
    return WebServeProblem::None;
}

} // namespace kelvora
