#include "platform/termination.h"

#include <QCoreApplication>
#include <QPointer>

#include <windows.h>

namespace kelvora {
namespace {

QPointer<QObject> receiver;
std::function<void()> requestedHandler;

BOOL WINAPI consoleEvent(DWORD event)
{
    // Called on a thread of its own, while the event loop runs on. The orderly end runs there,
    // and this thread waits for it.
    if (receiver)
        QMetaObject::invokeMethod(
            receiver, [] { requestedHandler(); }, Qt::BlockingQueuedConnection);
    // For a close, a logoff or a shutdown Windows ends the process as soon as this returns, before
    // main() has let the browsers write their cookies out: wait here instead, until main() returns
    // and ends the process (or Windows' own time limit does).
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        for (;;)
            Sleep(1000);
    }
    return TRUE;
}

} // namespace

void onTerminationRequest(QObject *context, std::function<void()> handler)
{
    receiver = context;
    requestedHandler = std::move(handler);
    SetConsoleCtrlHandler(consoleEvent, TRUE);
}

} // namespace kelvora
