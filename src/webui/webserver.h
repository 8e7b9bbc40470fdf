#pragma once

#include "core/remotesession.h"
#include "webui/webconfig.h"
#include "webui/webhandler.h"

#include <QHttpServer>
#include <QObject>

#include <functional>
#include <memory>

namespace kelvora {

class GuardedTcpServer;
class RemoteSession;

/**
 * The web page, served on Qt's HTTP server. Connections come through a TCP server of its own that
 * closes those of a banned address, and those over the cap, before anything of them is read, and
 * that makes them HTTPS where the configuration gives a certificate.
 */
class WebUiServer : public QObject
{
    Q_OBJECT

public:
    explicit WebUiServer(RemoteSession &session, QObject *parent = nullptr);
    ~WebUiServer() override;

    /**
     * Serves the page as `config` says, with `accessCode` standing for the password where none is
     * set; `detail`: the system's words where it can't. Serving anew stops what was served before.
     */
    WebServeProblem listen(const WebUiConfig &config, const QString &accessCode, QString *detail = nullptr);
    void close();
    bool isListening() const;
    /** The port listened on: the configured one, or the one the system chose for port 0. */
    quint16 port() const;
    /** Where to open the page. */
    QString pageAddress() const;
    const WebUiHandler *handler() const { return m_handler.get(); }

    /** Takes the place of the wall clock; tests move it. */
    void setClock(std::function<qint64()> nowMs) { m_nowMs = std::move(nowMs); }
    /** At most `total` connections at once, and `perAddress` from one address. */
    void setConnectionCap(int total, int perAddress);
    /** Passed on to the handler at the next listen(): tests shorten the waits and the limits. */
    void setRules(std::function<void(WebUiRules &)> adjust) { m_adjustRules = std::move(adjust); }

private:
    RemoteSession &m_session;
    std::unique_ptr<QHttpServer> m_http;
    GuardedTcpServer *m_tcp = nullptr;
    std::unique_ptr<WebUiHandler> m_handler;
    WebUiConfig m_config;
    std::function<qint64()> m_nowMs;
    std::function<void(WebUiRules &)> m_adjustRules;
    int m_total = 32;
    int m_perAddress = 12;
};

} // namespace kelvora
