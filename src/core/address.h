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

} // namespace kelvora
