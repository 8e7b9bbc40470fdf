#include "platform/hiddenwindow_win.h"
#include "platform/termination.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <utility>
#include <windows.h>

namespace kelvora {
namespace {

// How long the answer to the session's end waits for the program's own end: Windows ends the
// process as soon as it has the answer, and after about five seconds offers the user to end it.
constexpr int SessionEndWaitMs = 4500;

QPointer<QObject> receiver;
std::function<void()> requestedHandler;
bool sessionEnding = false;

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

// The session ends (WM_ENDSESSION): the handler starts the program's end, and the answer waits
// until the program has quit, so Windows does not end the process while the browsers still write.
// Every top-level window gets the message; the ones that come during the wait are answered at once.
void endSession()
{
    if (std::exchange(sessionEnding, true) || !receiver)
        return;
    requestedHandler();
    QEventLoop wait;
    QTimer::singleShot(SessionEndWaitMs, &wait, &QEventLoop::quit);
    // QCoreApplication::quit() ends this loop too, and the main loop after it.
    wait.exec();
}

// Qt answers WM_ENDSESSION on its own windows by quitting at once, which would end the process
// before the program has written anything: the message is taken here first.
class SessionEndFilter : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG *msg = static_cast<const MSG *>(message);
        if (msg->message != WM_ENDSESSION || !msg->wParam)
            return false;
        endSession();
        *result = 0;
        return true;
    }
};

// A program that lives in the tray has no top-level window of its own (Qt's tray and dispatcher
// windows are message-only), and Windows tells the session's end only to top-level windows: this
// hidden one hears it.
LRESULT CALLBACK sessionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (wParam)
            endSession();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

void onTerminationRequest(QObject *context, std::function<void()> handler)
{
    receiver = context;
    requestedHandler = std::move(handler);
    sessionEnding = false;
    SetConsoleCtrlHandler(consoleEvent, TRUE);

    auto *filter = new SessionEndFilter;
    QCoreApplication::instance()->installNativeEventFilter(filter);
    const HWND window = makeHiddenWindow(L"KelvoraSessionEnd", sessionWindowProc);
    QObject::connect(context, &QObject::destroyed, [filter, window] {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(filter);
        delete filter;
        if (window)
            DestroyWindow(window);
    });
}

} // namespace kelvora
