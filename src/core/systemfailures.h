#pragma once

#include <QString>

/*
 * What the system said no to, as values: the words layer tells them to the user.
 */

namespace kelvora {

/** Why the program's start with the session could not be set. */
struct AutostartFailure
{
    enum class Kind
    {
        CannotRemove,       ///< the entry at `path` stays
        CannotWrite,        ///< the entry at `path` could not be written: `detail` in the system's words
        RegistryNotWritten, ///< Windows' Run key could not be written
    };
    Kind kind = Kind::CannotWrite;
    QString path;
    QString detail;
};

} // namespace kelvora
