#include "server/webservice.h"

#include "server/sessionremote.h"
#include "webui/webserver.h"
#include "words/words.h"

#include <QDir>

namespace kelvora {

WebPageService::WebPageService(SlotSession &session, const AccountStoreWithMemory *memory, QString dataFolder,
                               QObject *parent)
    : QObject(parent), m_dataFolder(std::move(dataFolder)),
      m_remote(std::make_unique<SessionRemote>(session, memory)),
      m_server(std::make_unique<WebUiServer>(*m_remote))
{}

WebPageService::~WebPageService()
{
    // The server answers from the remote: it goes first.
    m_server.reset();
}

QString WebPageService::configFile() const
{
    return QDir(m_dataFolder).filePath(WebUiConfig::fileName());
}

QString WebPageService::accessCodeFile() const
{
    return QDir(m_dataFolder).filePath(webAccessCodeFileName());
}

WebUiConfig WebPageService::readConfig() const
{
    return WebUiConfig::read(configFile());
}

QStringList WebPageService::serve(WebUiConfig config, bool showCode)
{
    QStringList told;
    QString code;
    if (config.passwordHash.isEmpty()) {
        QString error;
        const std::optional<QString> kept = webAccessCode(accessCodeFile(), &error);
        if (!kept) {
            told << webServeProblemText(WebServeProblem::Listen, config.pageAddress(), error);
            return told;
        }
        code = *kept;
    }
    QString detail;
    WebServeProblem problem = m_server->listen(config, code, &detail);
    if (problem == WebServeProblem::PasswordNeeded) {
        told << webServeProblemText(problem, config.pageAddress(), detail);
        config.address = QHostAddress(QHostAddress::LocalHost);
        problem = m_server->listen(config, code, &detail);
    }
    if (problem != WebServeProblem::None) {
        told << webServeProblemText(problem, config.pageAddress(), detail);
        return told;
    }
    told << webPageAtText(pageAddress());
    if (!code.isEmpty())
        told << webAccessCodeText(showCode ? code : QString(), QDir::toNativeSeparators(accessCodeFile()));
    return told;
}

void WebPageService::stop()
{
    m_server->close();
}

bool WebPageService::isServing() const
{
    return m_server->isListening();
}

QString WebPageService::pageAddress() const
{
    return isServing() ? m_server->pageAddress() : QString();
}

} // namespace kelvora
