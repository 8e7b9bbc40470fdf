#include "platform/singleinstance.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace kelvora {
namespace {

constexpr int AnswerMs = 2000;
const QByteArray ShowRequest = "show\n";

} // namespace

SingleInstance::SingleInstance(QObject *parent) : QObject(parent) {}

bool SingleInstance::claim()
{
    const QString channel = singleInstanceChannel();
    QLocalSocket other;
    other.connectToServer(channel);
    if (other.waitForConnected(AnswerMs)) {
        other.write(ShowRequest);
        other.waitForBytesWritten(AnswerMs);
        other.disconnectFromServer();
        return false;
    }

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered: whatever is left at the name is a crashed instance's.
    if (!m_server->listen(channel)) {
        QLocalServer::removeServer(channel);
        m_server->listen(channel);
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(ShowRequest))
                    emit showRequested();
            });
        }
    });
    return true;
}

} // namespace kelvora
