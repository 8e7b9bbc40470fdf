#include "platform/singleinstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace kelvora {
namespace {

constexpr int AnswerMs = 2000;
const QByteArray ShowRequest = "show\n";

} // namespace

SingleInstance::SingleInstance(QObject *parent) : QObject(parent) {}

bool SingleInstance::claim()
{
    const QString channel = singleInstanceChannel();
    // Two starts at once must not both take the name for a crashed instance's and remove each
    // other's channel: one claims at a time. A lock left by a crashed start is taken over.
    const QString lockPath = QDir::isAbsolutePath(channel)
                                 ? channel + QStringLiteral(".lock")
                                 : QDir::temp().filePath(channel + QStringLiteral(".lock"));
    QLockFile lock(lockPath);
    lock.setStaleLockTime(4 * AnswerMs);
    if (!lock.tryLock(4 * AnswerMs))
        qWarning("cannot take %s: going on without it", qPrintable(lockPath));
    QLocalSocket other;
    other.connectToServer(channel);
    if (other.waitForConnected(AnswerMs)) {
        other.write(ShowRequest);
        other.waitForBytesWritten(AnswerMs);
        // An older instance says nothing back: it is a desktop one.
        if (other.waitForReadyRead(AnswerMs / 2) || other.canReadLine())
            m_otherRunsAs = QString::fromUtf8(other.readLine(4096)).trimmed();
        other.disconnectFromServer();
        return false;
    }

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered: whatever is left at the name is a crashed instance's.
    if (!m_server->listen(channel)) {
        QLocalServer::removeServer(channel);
        if (!m_server->listen(channel))
            qWarning("cannot listen on %s: a second start will not find this one", qPrintable(channel));
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->readAll().contains(ShowRequest))
                    return;
                socket->write(m_runningAs.toUtf8() + '\n');
                socket->flush();
                emit showRequested();
            });
        }
    });
    return true;
}

} // namespace kelvora
