#include "platform/termination.h"

#include <QCoreApplication>
#include <QPointer>

#include <windows.h>

namespace kelvora {
namespace {

QPointer<QObject> receiver;
std::function<void()> requestedHandler;

BOOL WINAPI consoleEvent(DWORD)
{
    // Called on a thread of its own: hand the request to the event loop and let Windows wait.
    if (receiver)
        QMetaObject::invokeMethod(
            receiver, [] { requestedHandler(); }, Qt::QueuedConnection);
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
