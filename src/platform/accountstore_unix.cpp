#include "platform/accountstore.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLoggingCategory>
#include <qt6keychain/keychain.h>

namespace kelvora {
namespace {

Q_LOGGING_CATEGORY(storeLog, "kelvora.accounts")

// A credential store answers on the session bus: the Secret Service (GNOME Keyring, KeePassXC,
// KWallet's bridge) or KWallet itself, running or started on demand. Without one QtKeychain
// answers only with the bus's own words, which tell nothing a user could act on.
bool storeCanAnswer()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QStringList names{QStringLiteral("org.freedesktop.secrets"), QStringLiteral("org.kde.kwalletd5"),
                            QStringLiteral("org.kde.kwalletd6")};
    QDBusConnectionInterface *busNames = bus.interface();
    const QStringList activatable = busNames->activatableServiceNames().value();
    for (const QString &name : names) {
        if (busNames->isServiceRegistered(name).value() || activatable.contains(name))
            return true;
    }
    return false;
}

QString entryName(int slot)
{
    return QStringLiteral("slot%1").arg(slot + 1);
}

AccountStore::Answer answerOf(const QKeychain::Job &job)
{
    using Status = AccountStore::Status;
    switch (job.error()) {
    case QKeychain::NoError:
        return {Status::Done, {}, {}};
    case QKeychain::EntryNotFound:
        return {Status::NotFound, {}, {}};
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
        return {Status::NoStore, {}, job.errorString()};
    default:
        return {Status::Failed, {}, job.errorString()};
    }
}

// Runs the job and answers through `done` once it has finished, unless `context` is gone by then.
// The store's words go to the log; they name the entry, never what it holds.
void run(QKeychain::Job *job, int slot, QObject *context, AccountStore::Done done)
{
    if (!storeCanAnswer()) {
        delete job;
        QMetaObject::invokeMethod(
            context,
            [done = std::move(done)] {
                done({AccountStore::Status::NoStore, {}, {}});
            },
            Qt::QueuedConnection);
        return;
    }
    job->setAutoDelete(true);
    job->setKey(entryName(slot));
    QObject::connect(
        job, &QKeychain::Job::finished, context, [done = std::move(done)](QKeychain::Job *finished) {
            AccountStore::Answer answer = answerOf(*finished);
            if (auto *read = qobject_cast<QKeychain::ReadPasswordJob *>(finished);
                read && answer.status == AccountStore::Status::Done) {
                answer.account = accountFromStoredText(read->textData());
                if (!answer.account)
                    answer = {
                        AccountStore::Status::NotFound, {}, QStringLiteral("not an account of this program")};
            }
            if (answer.status == AccountStore::Status::Failed ||
                answer.status == AccountStore::Status::NoStore)
                qCWarning(storeLog).noquote()
                    << "the credential store did not do it for" << finished->key() << ":" << answer.error;
            done(answer);
        });
    job->start();
}

} // namespace

SystemAccountStore::SystemAccountStore(QString service) : m_service(std::move(service)) {}

void SystemAccountStore::read(int slot, QObject *context, Done done)
{
    run(new QKeychain::ReadPasswordJob(m_service), slot, context, std::move(done));
}

void SystemAccountStore::write(int slot, const Account &account, QObject *context, Done done)
{
    auto *job = new QKeychain::WritePasswordJob(m_service);
    job->setTextData(storedAccountText(account));
    run(job, slot, context, std::move(done));
}

void SystemAccountStore::forget(int slot, QObject *context, Done done)
{
    auto *job = new QKeychain::DeletePasswordJob(m_service);
    run(job, slot, context, [done = std::move(done)](const Answer &answer) {
        done(answer.status == Status::NotFound ? Answer{} : answer);
    });
}

} // namespace kelvora
