#pragma once

#include "core/systemfailures.h"

#include <QString>

namespace kelvora {

/** Whether the program starts with the user's session, minimised to the tray. */
bool startsWithSession();

/**
 * Makes the program start with the user's session (minimised to the tray), or no longer; `name`
 * is the program's name as the session's list of programs shows it. False, with why, when that
 * could not be done.
 */
bool setStartsWithSession(bool on, const QString &name, AutostartFailure *failure);

/** The option the session start gives the program, so that it starts minimised to the tray. */
inline QString minimisedOption()
{
    return QStringLiteral("--minimized");
}

} // namespace kelvora
