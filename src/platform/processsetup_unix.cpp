#include <unistd.h>

namespace kelvora {

// Chromium's sandbox refuses to run as root.
bool platformNeedsSandboxOff()
{
    return geteuid() == 0;
}

} // namespace kelvora
