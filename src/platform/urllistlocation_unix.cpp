#include "platform/urllistlocation.h"

#include <QStandardPaths>

namespace kelvora {

UrlListFile userUrlListFile()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return {folder + QStringLiteral("/userbbs.dat"), TextEncoding::Utf8};
}

} // namespace kelvora
