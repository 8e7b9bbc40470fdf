#include "web/webprofile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QtGlobal>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace kelvora {
namespace {

// Pages are reloaded every period anyway: a small cache keeps the images and style sheets.
constexpr int CacheBytes = 4 * 1024 * 1024;

void configure(QWebEngineProfile &profile)
{
    profile.setHttpCacheMaximumSize(CacheBytes);
    profile.setSpellCheckEnabled(false);
    // A forum page carries advertising and scripts of others: it gets what showing a forum needs
    // and nothing more. Permissions are refused where they are asked (see WebPage).
    QWebEngineSettings *settings = profile.settings();
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    settings->setAttribute(QWebEngineSettings::AllowWindowActivationFromJavaScript, false);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    // WebRTC would tell a page the machine's addresses on the local network.
    settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
    // A link to a scheme the engine does not know would start whatever program the desktop has
    // for it: none is started.
    settings->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
    // Nothing a page offers is saved on this machine.
    QObject::connect(&profile, &QWebEngineProfile::downloadRequested, &profile,
                     [](QWebEngineDownloadRequest *download) { download->cancel(); });
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // Permissions are refused as they are asked (see WebPage): nothing to remember on disk.
    profile.setPersistentPermissionsPolicy(QWebEngineProfile::PersistentPermissionsPolicy::AskEveryTime);
#endif
}

} // namespace

std::unique_ptr<SlotProfiles> SlotProfiles::onDisk(const QString &folder)
{
    std::unique_ptr<SlotProfiles> profiles(new SlotProfiles);
    for (int i = 0; i < SlotCount; ++i) {
        const QString storage = slotFolder(folder, i);
        // The folder holds the members' logins: its owner's alone. Where it can't be made, the
        // engine makes it itself or keeps the profile in memory; the slot works all the same.
        if (QDir().mkpath(storage))
            QFile::setPermissions(storage,
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        else
            qWarning("cannot make the browser data folder %s", qPrintable(storage));
        const QString name = i == 0 ? QStringLiteral("kelvora") : QStringLiteral("kelvora-%1").arg(i + 1);
        auto profile = std::make_unique<QWebEngineProfile>(name);
        profile->setPersistentStoragePath(storage);
        profile->setCachePath(storage + QStringLiteral("/cache"));
        // Session cookies too: a member who logged in without "remember me" must still be logged
        // in after a restart, as a browser that continues where it left off keeps them.
        profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
        profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
        configure(*profile);
        profiles->m_profiles[static_cast<std::size_t>(i)] = std::move(profile);
    }
    return profiles;
}

std::unique_ptr<SlotProfiles> SlotProfiles::inMemory()
{
    std::unique_ptr<SlotProfiles> profiles(new SlotProfiles);
    for (auto &profile : profiles->m_profiles) {
        profile = std::make_unique<QWebEngineProfile>(); // off the record: each one a browser of its own
        configure(*profile);
    }
    return profiles;
}

SlotProfiles::~SlotProfiles() = default;

QWebEngineProfile *SlotProfiles::profile(int slotIndex) const
{
    return m_profiles.at(static_cast<std::size_t>(slotIndex)).get();
}

QList<QWebEngineProfile *> SlotProfiles::all() const
{
    QList<QWebEngineProfile *> profiles;
    for (const auto &profile : m_profiles)
        profiles << profile.get();
    return profiles;
}

QString SlotProfiles::slotFolder(const QString &folder, int slotIndex)
{
    return slotIndex == 0 ? folder : folder + QStringLiteral("-%1").arg(slotIndex + 1);
}

QString defaultWebProfileFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/webengine");
}

} // namespace kelvora
