#include "core/tuning.h"

#include <QByteArray>

#include <unistd.h>

namespace kelvora {

void preparePlatformProcess()
{
    // Chromium's sandbox refuses to run as root.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The pages are drawn by the CPU (see web/engine.h) and no window of ours uses OpenGL, yet the
    // X11 plugin would load the OpenGL driver all the same, which on a machine without a GPU is a
    // software rasteriser of some 40 MB with threads of its own. It is not needed.
    if (TunedBuild)
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

} // namespace kelvora
