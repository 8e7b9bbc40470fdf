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

    /** The moments (ms) of the pages that earned a step, of pages generated at `pageMs`. */
    QList<qint64> credited(const QList<qint64> &pageMs) const
    {
        QList<qint64> earned;
        qint64 last = 0;
        for (const qint64 ms : pageMs) {
            const qint64 second = ms / secondMs;
            if (earned.isEmpty() || second - last > stepSeconds) {
                earned << ms;
                last = second;
            }
        }
        return earned;
    }
    /**
     * The share of the time kept online that is credited, over the time from the first credited
     * page to the last: 1 when every step is earned as soon as it can be, 0.5 when every other is.
     */
    double share(const QList<qint64> &pageMs) const
    {
        const QList<qint64> earned = credited(pageMs);
        if (earned.size() < 2)
            return 0;
        const double span = double(earned.last() - earned.first());
        return double(earned.size() - 1) * double(stepSeconds * secondMs) / span;
    }
};

} // namespace kelvora::test
