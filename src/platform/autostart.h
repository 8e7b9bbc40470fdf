#pragma once

#include <QString>

namespace kelvora {

/** Whether the program starts with the user's session, minimised to the tray. */
bool startsWithSession();

/**
 * Makes the program start with the user's session (minimised to the tray), or no longer.
 * False, with the system's reason, when that could not be done.
 */
bool setStartsWithSession(bool on, QString *error);

/** The option the session start gives the program, so that it starts minimised to the tray. */
inline QString minimisedOption()
{
    return QStringLiteral("--minimized");
}

} // namespace kelvora
