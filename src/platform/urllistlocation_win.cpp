#include "platform/urllistlocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace kelvora {

// The list lives in the user's own data folder: the system folder where earlier versions kept it
// needs administrator rights to write. A list found where they wrote it (or where Windows
// redirected that write, for a 32-bit program into SysWOW64, and without the rights into the
// user's VirtualStore) seeds the new one once, so nobody loses the list they had.
UrlListFile userUrlListFile()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString path = folder + QStringLiteral("/userbbs.dat");
    if (!QFileInfo(path).isFile()) {
        const QString store = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                              QStringLiteral("/VirtualStore/Windows");
        const QStringList earlier{
            store + QStringLiteral("/System32/userbbs.dat"),
            store + QStringLiteral("/SysWOW64/userbbs.dat"),
            QStringLiteral("C:/WINDOWS/system32/userbbs.dat"),
            QStringLiteral("C:/WINDOWS/SysWOW64/userbbs.dat"),
        };
        for (const QString &candidate : earlier) {
            if (QFileInfo(candidate).isFile() && QDir().mkpath(folder) && QFile::copy(candidate, path))
                break;
        }
    }
    // In the ANSI code page, as the lists of earlier versions are.
    return {path, TextEncoding::System};
}

} // namespace kelvora
