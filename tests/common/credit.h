#pragma once

#include <QList>
#include <QtGlobal>

namespace kelvora::test {

/**
 * How a forum that credits online time in steps counts one member's generated pages, as
 * Discuz! X does with its "oltimespan": one step for the first page more than one step after the
 * last credited page, compared in whole seconds. Tests that run time faster give the forum a
 * shorter second.
 */
struct StepCredit
{
    qint64 stepSeconds = 60;
    qint64 secondMs = 1000;

    /**
     * The share of the time kept online that is credited, for pages generated at `pageMs`: the
     * steps earned over the time from the first credited page to the last. 1 when every step is
     * earned as soon as it can be, 0.5 when every other one is.
     */
    double share(const QList<qint64> &pageMs) const
    {
        qint64 steps = -1, first = 0, last = 0; // the first credited page starts the count
        for (const qint64 ms : pageMs) {
            if (steps < 0 || ms / secondMs - last / secondMs > stepSeconds) {
                first = steps < 0 ? ms : first;
                last = ms;
                ++steps;
            }
        }
        return steps > 0 ? double(steps * stepSeconds * secondMs) / double(last - first) : 0;
    }
};

} // namespace kelvora::test
