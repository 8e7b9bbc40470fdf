#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QStringList>

namespace kelvora::test {

/**
 * Empty when the browser profile in `folder` has a cookie of `host` in its cookie file; otherwise
 * what the folder holds of the engine's cookie files (the database and its journals), with their
 * sizes, to say why.
 */
inline QString cookiesMissing(const QString &folder, const QString &host)
{
    // Where in the folder the engine keeps it differs between its versions.
    QDirIterator files(folder, {QStringLiteral("Cookies*")}, QDir::Files, QDirIterator::Subdirectories);
    QStringList found;
    while (files.hasNext()) {
        QFile cookies(files.next());
        if (!cookies.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = cookies.readAll();
        if (cookies.fileName().endsWith(u"/Cookies") && bytes.contains(host.toUtf8()))
            return {};
        found << QStringLiteral("%1 (%2 bytes%3)")
                     .arg(QDir(folder).relativeFilePath(cookies.fileName()))
                     .arg(bytes.size())
                     .arg(bytes.contains(host.toUtf8()) ? ", holds the host" : "");
    }
    return QStringLiteral("no cookie of %1 in %2: %3")
        .arg(host, folder, found.isEmpty() ? QStringLiteral("no cookie files") : found.join(u", "));
}

} // namespace kelvora::test
