#include "platform/processsetup.h"

#include <QCoreApplication>

namespace kelvora {

bool platformNeedsSandboxOff();

namespace {
bool g_sandboxDisabled = false;
}

void prepareProcess()
{
    // Qt WebEngine shares GL contexts with the widgets; it must be set before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (platformNeedsSandboxOff()) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        g_sandboxDisabled = true;
    }
}

bool webSandboxDisabled()
{
    return g_sandboxDisabled;
}

} // namespace kelvora
