#pragma once

#include <QString>

#include <optional>

namespace kelvora {

/**
 * Reads a line from standard input after writing `prompt` to standard error; on a terminal what is
 * typed is not shown. None at the end of the input.
 */
std::optional<QString> readSecretLine(const QString &prompt);
/** Whether what tellOnConsole() writes goes to a terminal: someone is watching, and no log keeps it. */
bool consoleIsTerminal();
/** Writes a line of the user's words to standard error, whatever the console's code page. */
void tellOnConsole(const QString &line);

} // namespace kelvora
