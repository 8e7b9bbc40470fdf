#pragma once

#include <QString>

class QObject;
class QWebEngineProfile;

namespace kelvora {

/** Where the browsers keep cookies, cache and local storage for this user. */
QString defaultWebProfileFolder();

/**
 * The one profile all slots share, stored on disk in the given folder so a forum login survives
 * a restart. The caller owns it and must delete it after every view that uses it.
 */
QWebEngineProfile *createWebProfile(const QString &storageFolder, QObject *parent = nullptr);

} // namespace kelvora
