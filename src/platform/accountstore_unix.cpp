#include "platform/accountstore.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

namespace kelvora {

// A credential store answers on the session bus: the Secret Service (GNOME Keyring, KeePassXC,
// KWallet's bridge) or KWallet itself, running or started on demand. Without one QtKeychain
// answers only with the bus's own words, which tell nothing a user could act on.
bool KeychainAccountStore::storeCanAnswer()
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

} // namespace kelvora
