#include "platform/singleinstance.h"

#include <windows.h>

namespace kelvora {

QString singleInstanceChannel()
{
    wchar_t name[257] = {};
    DWORD size = 257;
    // Without the user's name, the session's channel still keeps one instance per session.
    if (!GetUserNameW(name, &size))
        return QStringLiteral("kelvora-session-%1").arg(WTSGetActiveConsoleSessionId());
    return QStringLiteral("kelvora-") + QString::fromWCharArray(name);
}

} // namespace kelvora
