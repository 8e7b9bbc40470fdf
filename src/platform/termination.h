#pragma once

#include <functional>

class QObject;

namespace kelvora {

/**
 * Calls `handler` on the program's own event loop when the system asks the program to end:
 * SIGTERM, SIGINT, SIGHUP or the session manager's request to save on Unix; the session's end
 * (also for a program with no window but its tray icon) and the console's close on Windows.
 * Nothing is done in the signal handler itself but to wake the loop. The handler runs for as
 * long as `context` lives; call it once, after the application object is made.
 *
 * Windows ends the process as soon as the program has answered the session's end: that answer
 * waits until the handler's work has quit the application, for a few seconds at most.
 */
void onTerminationRequest(QObject *context, std::function<void()> handler);

} // namespace kelvora
