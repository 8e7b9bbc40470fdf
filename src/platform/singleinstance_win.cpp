#include "platform/singleinstance.h"

#include <windows.h>

namespace kelvora {

QString singleInstanceChannel()
{
    wchar_t name[256] = {};
    DWORD size = 256;
    GetUserNameW(name, &size);
    return QStringLiteral("kelvora-") + QString::fromWCharArray(name);
}

} // namespace kelvora
