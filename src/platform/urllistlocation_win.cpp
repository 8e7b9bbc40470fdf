#include "platform/urllistlocation.h"

namespace kelvora {

// Lists made by earlier Windows installations live at this fixed place, in the ANSI code page.
UrlListFile userUrlListFile()
{
    return {QStringLiteral("C:\\WINDOWS\\system32\\userbbs.dat"), TextEncoding::System};
}

} // namespace kelvora
