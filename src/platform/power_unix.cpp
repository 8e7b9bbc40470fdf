#include "platform/power.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QLoggingCategory>

#include <optional>
#include <utility>

namespace kelvora {
namespace {

Q_LOGGING_CATEGORY(powerLog, "kelvora.power")

const QString Login1 = QStringLiteral("org.freedesktop.login1");
const QString Login1Path = QStringLiteral("/org/freedesktop/login1");
const QString Login1Manager = QStringLiteral("org.freedesktop.login1.Manager");
const QString GnomeSession = QStringLiteral("org.gnome.SessionManager");
const QString GnomeSessionPath = QStringLiteral("/org/gnome/SessionManager");
// GNOME's flag for "suspending the session or computer".
constexpr uint GnomeInhibitSuspend = 4;

} // namespace

/**
 * Two locks, as a desktop needs both: logind's blocks every suspend that goes through logind, but
 * systemd 252 lets a user's own suspend pass their own block, and GNOME's automatic suspend is
 * such a request; GNOME's session manager holds it back only for its own inhibitors.
 */
struct SystemPower::Private
{
    using Refusal = SystemPower::Refusal;
    SystemPower *q = nullptr;
    QDBusConnection system = QDBusConnection::systemBus();
    QDBusConnection session = QDBusConnection::sessionBus();
    QDBusUnixFileDescriptor lock; ///< logind's: held while this descriptor is open
    std::optional<uint> gnomeCookie;
    bool wanted = false;
    bool refusalTold = false;
    quint64 generation = 0; ///< answers to a hold asked before the last change are let go

    void tellRefused(Refusal why, const QString &detail)
    {
        qCWarning(powerLog, "the machine cannot be kept awake: %s", qPrintable(detail));
        if (!std::exchange(refusalTold, true))
            emit q->refused(why, detail);
    }

    static Refusal refusalOf(const QDBusError &error)
    {
        switch (error.type()) {
        case QDBusError::ServiceUnknown:
        case QDBusError::NoServer:
        case QDBusError::Disconnected:
            return Refusal::NoService;
        case QDBusError::AccessDenied:
            return Refusal::NotAllowed;
        default:
            // polkit's refusal has a name of its own
            return error.name().startsWith(u"org.freedesktop.PolicyKit") ||
                           error.name() == u"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"
                       ? Refusal::NotAllowed
                       : Refusal::Failed;
        }
    }

    void takeLogindLock(const QString &why)
    {
        if (!system.isConnected()) {
            tellRefused(Refusal::NoService, system.lastError().message().isEmpty()
                                                ? QStringLiteral("no system bus")
                                                : system.lastError().message());
            return;
        }
        QDBusMessage call =
            QDBusMessage::createMethodCall(Login1, Login1Path, Login1Manager, QStringLiteral("Inhibit"));
        call << QStringLiteral("sleep") << QCoreApplication::applicationName() << why
             << QStringLiteral("block");
        auto *watcher = new QDBusPendingCallWatcher(system.asyncCall(call), q);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, q, [this, watcher, at = generation] {
            watcher->deleteLater();
            const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
            if (reply.isError()) {
                if (wanted && at == generation)
                    tellRefused(refusalOf(reply.error()), reply.error().message());
                return;
            }
            // The old lock goes only once the new one holds: no moment between them to sleep in.
            if (wanted && at == generation)
                lock = reply.value();
        });
    }

    void takeGnomeLock(const QString &why)
    {
        if (!session.isConnected() || !session.interface()->isServiceRegistered(GnomeSession).value())
            return;
        QDBusMessage call = QDBusMessage::createMethodCall(GnomeSession, GnomeSessionPath, GnomeSession,
                                                           QStringLiteral("Inhibit"));
        call << QCoreApplication::applicationName() << uint(0) << why << GnomeInhibitSuspend;
        auto *watcher = new QDBusPendingCallWatcher(session.asyncCall(call), q);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, q, [this, watcher, at = generation] {
            watcher->deleteLater();
            const QDBusPendingReply<uint> reply = *watcher;
            if (reply.isError()) {
                qCWarning(powerLog, "the desktop session did not take the lock: %s",
                          qPrintable(reply.error().message()));
                return;
            }
            const uint cookie = reply.value();
            if (wanted && at == generation) {
                dropGnomeLock();
                gnomeCookie = cookie;
            } else {
                uninhibitGnome(cookie);
            }
        });
    }

    void uninhibitGnome(uint cookie)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(GnomeSession, GnomeSessionPath, GnomeSession,
                                                           QStringLiteral("Uninhibit"));
        call << cookie;
        session.asyncCall(call);
    }

    void dropGnomeLock()
    {
        if (gnomeCookie)
            uninhibitGnome(*std::exchange(gnomeCookie, std::nullopt));
    }
};

SystemPower::SystemPower(QObject *parent) : QObject(parent), d(std::make_unique<Private>())
{
    d->q = this;
    if (!d->system.isConnected())
        return;
    // PrepareForSleep(true) comes before the sleep, (false) after the wake.
    d->system.connect(Login1, Login1Path, Login1Manager, QStringLiteral("PrepareForSleep"), this,
                      SLOT(onPrepareForSleep(bool)));
}

SystemPower::~SystemPower()
{
    release();
}

void SystemPower::hold(const QString &why)
{
    d->wanted = true;
    ++d->generation;
    d->takeLogindLock(why);
    d->takeGnomeLock(why);
}

void SystemPower::release()
{
    d->wanted = false;
    ++d->generation;
    d->lock = QDBusUnixFileDescriptor(); // closing our copy of the descriptor lets the lock go
    d->dropGnomeLock();
}

bool SystemPower::isHeld() const
{
    return d->lock.isValid() || d->gnomeCookie.has_value();
}

} // namespace kelvora
