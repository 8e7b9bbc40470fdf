#include "platform/singleinstance.h"

#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

namespace kelvora {

QString singleInstanceChannel()
{
    // The runtime folder is the user's own; without one, a name of the user's in the temporary folder.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/kelvora-%1.socket").arg(getuid());
}

} // namespace kelvora
