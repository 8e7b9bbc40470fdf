#pragma once

#include <QString>
#include <QUrl>

namespace kelvora {

/**
 * Turns what the user typed into an address, as a browser's address bar does: "bbs.example.cn"
 * gets http://. Nothing loadable (empty, or a scheme with no host behind it) gives about:blank,
 * so the user sees an empty page rather than an engine error.
 */
QUrl addressFromUserInput(const QString &text);

/**
 * An address as the record keeps it: scheme, host, port and path. The query, the fragment and any
 * user name and password go: a login address typed into the address box carries the password
 * there, and the record is kept for a month.
 */
QString addressForRecord(const QString &address);

/**
 * An address as the slots' kept state keeps it: as the user typed it, to come back to, but without
 * a user name and password and without query items named as passwords are ("password", "pwd", …).
 * An address that carries neither is kept exactly as it is.
 */
QString addressForState(const QString &address);

} // namespace kelvora
