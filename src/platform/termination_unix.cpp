#include "platform/termination.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace kelvora {
namespace {

int wakeFds[2] = {-1, -1};

extern "C" void wakeEventLoop(int)
{
    // write() is async-signal-safe; the event loop reads the byte and does the rest.
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[0], &byte, 1);
}

} // namespace

void onTerminationRequest(QObject *context, std::function<void()> handler)
{
    if (wakeFds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, wakeFds) != 0)
        return;
    // The desktop's session manager asks first (X11's session management); the session's end
    // itself comes as SIGTERM.
    if (auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        QObject::connect(gui, &QGuiApplication::commitDataRequest, context,
                         [handler](QSessionManager &) { handler(); });
    auto *notifier = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [handler = std::move(handler)] {
        char bytes[16];
        [[maybe_unused]] const ssize_t read = ::read(wakeFds[1], bytes, sizeof bytes);
        handler();
    });

    struct sigaction action = {};
    action.sa_handler = wakeEventLoop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

} // namespace kelvora
