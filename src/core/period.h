#pragma once

#include <QStringView>

#include <optional>

namespace kelvora {

/**
 * Reads a reload period as the user typed it: a whole number of 1 or more,
 * blanks around it and leading zeros allowed (" 5" and "05" are 5).
 * Anything else (empty, letters, "2.5", "0", a sign, a number too large) gives nothing.
 */
std::optional<int> parsePeriod(QStringView text);

} // namespace kelvora
