#include "platform/webprofile.h"

#include <QDir>
#include <QStandardPaths>
#include <QWebEngineProfile>

namespace kelvora {

QString defaultWebProfileFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/webengine");
}

QWebEngineProfile *createWebProfile(const QString &storageFolder, QObject *parent)
{
    QDir().mkpath(storageFolder);
    auto *profile = new QWebEngineProfile(QStringLiteral("kelvora"), parent);
    profile->setPersistentStoragePath(storageFolder);
    profile->setCachePath(storageFolder + QStringLiteral("/cache"));
    profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    return profile;
}

} // namespace kelvora
