#pragma once

#include "core/remotesession.h"
#include "webui/webconfig.h"

#include <QObject>
#include <QStringList>

#include <memory>

namespace kelvora {

class AccountStoreWithMemory;
class SessionRemote;
class SlotSession;
class WebUiServer;

/**
 * The web page over a running session, for either program: its configuration and access code in
 * the data folder, the server, and what the user is to read of it.
 */
class WebPageService : public QObject
{
    Q_OBJECT

public:
    WebPageService(SlotSession &session, const AccountStoreWithMemory *memory, QString dataFolder,
                   QObject *parent = nullptr);
    ~WebPageService() override;

    QString configFile() const;
    QString accessCodeFile() const;
    WebUiConfig readConfig() const;

    /**
     * Serves the page as `config` says. Where an address other than loopback has no password, the
     * page is served on loopback alone. Returns what the user should read, a line each; the access
     * code among it only where `showCode` (someone watches the start, no log keeps it).
     */
    QStringList serve(WebUiConfig config, bool showCode);
    void stop();
    bool isServing() const;
    /** Where the page is; empty while it is not served. */
    QString pageAddress() const;
    WebUiServer *server() const { return m_server.get(); }

private:
    QString m_dataFolder;
    std::unique_ptr<SessionRemote> m_remote;
    std::unique_ptr<WebUiServer> m_server;
};

} // namespace kelvora
