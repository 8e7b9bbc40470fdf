#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace kelvora {

/**
 * Reads a reload period as the user typed it: a whole number of 1 or more,
 * blanks around it and leading zeros allowed (" 5" and "05" are 5).
 * Anything else (empty, letters, "2.5", "0", a sign, a number too large) gives nothing.
 */
std::optional<int> parsePeriod(QStringView text);

/**
 * How long after the tick that reaches its period a timer reload comes, for a period of
 * `periodMs`; `unitRandom` is a random number in [0, 1).
 *
 * Forums credit online time in steps: one step for the first page generated *more than* one step
 * after the last credited one, compared in whole seconds. Reloads exactly a period apart, with the
 * period dividing the step, reach the step's edge exactly and miss it: at a period of one step only
 * every other reload is credited. So a reload comes a random 1.5 to 3 s late (for periods under a
 * minute, 2.5 % to 5 % of the period) and the next period counts from it: the lateness adds up past
 * the edge of any step of a minute or more, whole seconds and all, and the moments wander from one
 * period to the next. It costs at most 3 s of a period. Periods of 3 s and less keep exact timing:
 * they lose at most 3 s of a one-minute step as they are, and a 1-second period stays one second.
 */
qint64 reloadDelayMs(qint64 periodMs, double unitRandom);

} // namespace kelvora
