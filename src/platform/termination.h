#pragma once

#include <functional>

class QObject;

namespace kelvora {

/**
 * Calls `handler` on the program's own event loop when the system asks the program to end:
 * SIGTERM, SIGINT or SIGHUP on Unix, the console's close and the session's end on Windows.
 * Nothing is done in the signal handler itself but to wake the loop. The handler runs for as
 * long as `context` lives.
 */
void onTerminationRequest(QObject *context, std::function<void()> handler);

} // namespace kelvora
